// The functions the main window's command table runs, grouped by theme, one file each:
// navigation_commands.cpp, editing_commands.cpp, block_mark_commands.cpp,
// record_commands.cpp (notes, bookmarks, documents, programs, global pointers, templates),
// exchange_commands.cpp and tool_commands.cpp. Each is a thin call into the engine's
// commands on the window's database followed by the refresh; what a command decides is
// the engine's, and a refusal comes back as a text the window shows. Each runs inside the
// window's command boundary (TQuillForm::Command), which has already refused an editing
// command on a read-only database.
#pragma once

#include "commands/list_replication.h"
#include "commands/navigation.h"
#include "ui/forms/window_forms.h"
#include "commands/view_commands.h"

namespace qn {

class TQuillForm;

// ---- Navigation ----
// The moves of the button row and the keys, each followed by the refresh.
void Go(TQuillForm& w, Move move);
// The keyboard's steps through the current list (Ctrl with the arrows, Home/End and Page
// Up/Down), a page being the rows the view shows; then the refresh and, in the status
// bar, the record's origin text or why nothing moved.
void Step(TQuillForm& w, ListStep step);
// "Søk etter ..." (from the current record through the rest of its list) and "Søk i hele
// databasen": asks "Søk i database"; a hit becomes current, a miss changes nothing.
void Search(TQuillForm& w, bool wholeDatabase);
// "Søk neste" (F3): the last name search's text again (asked for when there is none), from
// the record after the current one in the order of the whole-database search; "Ingen flere
// treff" when no record after it holds the text.
void SearchNext(TQuillForm& w);
// "Søk i alle tekster ..." (Ctrl+Shift+F): the search window, made at its first showing.
void SearchAllTexts(TQuillForm& w);
// "Hopp til filposisjon": a typed Position where a pointer record starts.
void Hopptilfilposisjon1Click(TQuillForm& w);
// "Gå til original": from a data shadow to the record it shares its data with; a deleted
// original is restored below the shadow when the user says yes.
void Gtiloriginal1Click(TQuillForm& w);
// "Oppdater" (F5): the quick list scanned again, then the refresh.
void Oppdater1Click(TQuillForm& w);

// ---- Editing ----
void Linje1Click(TQuillForm& w);   // "&Linje" (Ctrl+F4): the new-line dialog
void Slett2Click(TQuillForm& w);   // "Slett": deletes the current record, asking nothing
// "&Angre" (Ctrl+Z) and "&Gjør om" (Ctrl+Y, Ctrl+Shift+Z): the last step of the window's
// undo history taken back or done again (undo_commands.cpp); the cursor goes to the record
// the step began on, or the nearest that is still in the tree, and marks on records no
// longer there go.
void Angre1Click(TQuillForm& w);
void Gjrom1Click(TQuillForm& w);
void Kopier3Click(TQuillForm& w);  // "Kopier" (Ctrl+Insert)
void Klipput1Click(TQuillForm& w); // "Klipp ut" (Shift+Delete)
void Liminn2Click(TQuillForm& w);  // "Lim inn" (Shift+Insert): a full copy of the copied data
void Liminnpeker1Click(TQuillForm& w);  // "Lim inn peker": a data shadow of the copied record
void FlyttNed(TQuillForm& w);      // Alt+Down
void FlyttOpp(TQuillForm& w);      // Alt+Up
// "Sorter listen stigende" / "Sorter listen synkende".
void SortCurrentList(TQuillForm& w, bool ascending);
void Fix1Click(TQuillForm& w);     // "Korriger pekerlengd"
// "Å&pne": the command for the current record's kind.
void Egenskaper1Click(TQuillForm& w);
// "&Egenskaper" and the context menu's "Egenskaper": the pointer properties dialog on the
// current record, then the refresh.
void Endrenavn1Click(TQuillForm& w);
// The three replication commands of "Liste" on the current list; the refresh.
void ReplicateList(TQuillForm& w, ListReplication change);

// ---- Marks and the block ----
void MarkHere(TQuillForm& w);          // "Merk her" and SpeedButton5
void PopButtonClick(TQuillForm& w);    // "Hopp til merke" and PopButton
void SlettMButtonClick(TQuillForm& w);
void RemoveAllMarks(TQuillForm& w);    // "Fjern alle merker" and SpeedButton4
void Liminnpekertilmerketpost1Click(TQuillForm& w);  // a shadow of the selected mark
void PasteC2ButtonClick(TQuillForm& w);              // shadows of every mark, in mark order
void Liminnpekertilmerke1Click(TQuillForm& w);       // the selected mark hung to the right
void Tilknyttdataframerketpost1Click(TQuillForm& w);  // inherit data from the last mark
void Oppdaterdenneiframerket1Click(TQuillForm& w);    // update source := the last mark
void MarkBlockFirstClick(TQuillForm& w);  // "Merk første" and SpeedButton7
void MarkBlockLastClick(TQuillForm& w);   // "Merk siste" and SpeedButton8
void Gtilstartavblokk1Click(TQuillForm& w);
void Gtilsluttenavblokk1Click(TQuillForm& w);
void Klipput2Click(TQuillForm& w);  // a cut only marks the block to be moved by the next paste
void Kopier2Click(TQuillForm& w);
void Liminn1Click(TQuillForm& w);
void Liminnpekere1Click(TQuillForm& w);
void Slett1Click(TQuillForm& w);
void Flyttblokktilhyre1Click(TQuillForm& w);

// ---- Records that lead elsewhere, templates and data ----
// "&Data" (F4) and "Ny datapost": a new data record on a chosen template, then the data
// editor on it.
void Data1Click(TQuillForm& w);
// "&Tilknytt mal": gives the current record a template.
void Tilknyttmal1Click(TQuillForm& w);
// "&Mal": the template editor, empty; "&Rediger mal": on the current record's template.
void Definisjon1Click(TQuillForm& w);
void Redigermal1Click(TQuillForm& w);
// "&Notat" (Shift+F4): the new-note dialog, a named note in the chosen direction, the note
// editor on it, then the refresh.
void Notat1Click(TQuillForm& w);
// "Finn bokmerke" (F7): a bookmark of the current table of contents by name.
void Skiindex1Click(TQuillForm& w);
// "Legg til bokmerke": the current record under a name, its display name proposed.
void Leggtiliindex1Click(TQuillForm& w);
// "Lag ny innholdfortegnesle": a new table of contents, which the bookmarks use from now.
void Nyindex1Click(TQuillForm& w);
// "Bokmerke utforsker", and opening an index record: TIndexForm.
void Indexutforsker1Click(TQuillForm& w);
// "Legg til i hurtigmeny": a quick-list entry for the current record, then the rescan.
void Leggtilhurtigmeny1Click(TQuillForm& w);
// "Dokument tilknytning": TNyDocForm, a new document link, the refresh.
void Dokumenttilknytning1Click(TQuillForm& w);
// "Tilknytt dokument" and SpeedButton6: a chosen file becomes the current record's link.
void Tilknyttdokument1Click(TQuillForm& w);
// "Åpne &dokument", DocButton, and opening kinds 512 and 513: the linked file opened by
// the desktop; a failure is said.
void pnedokument1Click(TQuillForm& w);
// "Global peker": TGlobalPointerForm for a new pointer in the direction of the last move.
void Globalpeker1Click(TQuillForm& w);
// Opening a kind-640 record: followed when automatic following is on and the pointer is
// automatic; otherwise TGlobalPointerForm on it.
void OpenGlobalPointer(TQuillForm& w);
// "&Program": a new program record named by the prompt, then TProgramForm on it; the
// cursor comes back and the view is not refreshed.
void Malforprogram1Click(TQuillForm& w);
// Opening kind 16: TProgramForm on the current record.
void EditProgram(TQuillForm& w);
// "Tilknytt program ...": TLinkProgramForm, the chosen program linked to the template.
void Tilknyttprogram1Click(TQuillForm& w);
// "&Fjern tilknytning til program": after "Fjerne program tilknytning til data ?".
void Fjerntilknytningtilprogram1Click(TQuillForm& w);

// ---- Exchange ----
void HTML1Click(TQuillForm& w);            // the whole database as HTML pages
void LagHTMLtabell1Click(TQuillForm& w);   // the current list's page
void CSV1Click(TQuillForm& w);             // "Eksporter listen til tekstfil"
void Sekvensielledata1Click(TQuillForm& w);
void JSON1Click(TQuillForm& w);            // the whole database as a JSON dump
void JSONnydatabase1Click(TQuillForm& w);  // a JSON dump as a new database
void Malerifrapascalkildekode1Click(TQuillForm& w);

// ---- Tools, setup and help ----
// "Kontroller og reparer databasen": the whole check; with faults, and when the user
// agrees, a backup copy and then the links repaired, as `quilltool repair` does.
void Kontrollerogreparer1Click(TQuillForm& w);
void Slettedeposter1Click(TQuillForm& w);  // "Slettede poster": put a deleted record back
void Informasjonompekere1Click(TQuillForm& w);
void ShowSetup(TQuillForm& w, SetupDialog dialog);
void Dataformat1Click(TQuillForm& w);      // the documentation of the file format
void Oppdateringerpinternett1Click(TQuillForm& w);
void Systeminformasjon1Click(TQuillForm& w);

}  // namespace qn
