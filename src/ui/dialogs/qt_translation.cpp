#include "ui/dialogs/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace qn {

namespace {

constexpr QtText kBokmaal[] = {
    // Standard buttons of message boxes and dialogs.
    {"QPlatformTheme", "OK", "OK"},
    {"QPlatformTheme", "Save", "Lagre"},
    {"QPlatformTheme", "Save All", "Lagre alle"},
    {"QPlatformTheme", "Open", "Åpne"},
    {"QPlatformTheme", "&Yes", "&Ja"},
    {"QPlatformTheme", "Yes to &All", "Ja til &alle"},
    {"QPlatformTheme", "&No", "&Nei"},
    {"QPlatformTheme", "N&o to All", "Nei til a&lle"},
    {"QPlatformTheme", "Abort", "Avbryt"},
    {"QPlatformTheme", "Retry", "Prøv igjen"},
    {"QPlatformTheme", "Ignore", "Ignorer"},
    {"QPlatformTheme", "Close", "Lukk"},
    {"QPlatformTheme", "Cancel", "Avbryt"},
    {"QPlatformTheme", "Discard", "Forkast"},
    {"QPlatformTheme", "Help", "Hjelp"},
    {"QPlatformTheme", "Apply", "Bruk"},
    {"QPlatformTheme", "Reset", "Tilbakestill"},
    {"QPlatformTheme", "Restore Defaults", "Gjenopprett standardverdier"},
    {"QDialogButtonBox", "OK", "OK"},
    {"QMessageBox", "Show Details...", "Vis detaljer …"},
    {"QMessageBox", "Hide Details...", "Skjul detaljer …"},
    {"QMessageBox", "About Qt", "Om Qt"},
    {"QMessageBox", "<h3>About Qt</h3><p>This program uses Qt version %1.</p>",
     "<h3>Om Qt</h3><p>Dette programmet bruker Qt versjon %1.</p>"},
    {"QInputDialog", "Enter a value:", "Skriv inn en verdi:"},

    // The file dialog and its file list.
    {"QFileDialog", "Look in:", "Søk i:"},
    {"QFileDialog", "File &name:", "Fil&navn:"},
    {"QFileDialog", "Files of type:", "Filer av typen:"},
    {"QFileDialog", "Directory:", "Mappe:"},
    {"QFileDialog", "&Open", "&Åpne"},
    {"QFileDialog", "&Save", "&Lagre"},
    {"QFileDialog", "&Choose", "&Velg"},
    {"QFileDialog", "Open", "Åpne"},
    {"QFileDialog", "Save As", "Lagre som"},
    {"QFileDialog", "Find Directory", "Finn mappe"},
    {"QFileDialog", "Back", "Tilbake"},
    {"QFileDialog", "Go back", "Gå tilbake"},
    {"QFileDialog", "Forward", "Frem"},
    {"QFileDialog", "Go forward", "Gå frem"},
    {"QFileDialog", "Parent Directory", "Overordnet mappe"},
    {"QFileDialog", "Go to the parent directory", "Gå til overordnet mappe"},
    {"QFileDialog", "Create New Folder", "Lag ny mappe"},
    {"QFileDialog", "Create a New Folder", "Lag en ny mappe"},
    {"QFileDialog", "List View", "Listevisning"},
    {"QFileDialog", "Change to list view mode", "Bytt til listevisning"},
    {"QFileDialog", "Detail View", "Detaljert visning"},
    {"QFileDialog", "Change to detail view mode", "Bytt til detaljert visning"},
    {"QFileDialog", "Sidebar", "Sidepanel"},
    {"QFileDialog", "List of places and bookmarks", "Oversikt over steder og bokmerker"},
    {"QFileDialog", "Files", "Filer"},
    {"QFileDialog", "Recent Places", "Nylig brukte steder"},
    {"QFileDialog", "My Computer", "Datamaskinen"},
    {"QFileDialog", "Directories", "Mapper"},
    {"QFileDialog", "All Files (*)", "Alle filer (*)"},
    {"QFileDialog", "All files (*)", "Alle filer (*)"},
    {"QFileDialog", "&Rename", "&Gi nytt navn"},
    {"QFileDialog", "&Delete", "&Slett"},
    {"QFileDialog", "Delete", "Slett"},
    {"QFileDialog", "Remove", "Fjern"},
    {"QFileDialog", "Show &hidden files", "Vis &skjulte filer"},
    {"QFileDialog", "&New Folder", "&Ny mappe"},
    {"QFileDialog", "New Folder", "Ny mappe"},
    {"QFileDialog", "Show ", "Vis "},
    {"QFileDialog", "File", "Fil"},
    {"QFileDialog", "%1 File", "%1-fil"},
    {"QFileDialog", "File Folder", "Filmappe"},
    {"QFileDialog", "Folder", "Mappe"},
    {"QFileDialog", "Alias", "Alias"},
    {"QFileDialog", "Shortcut", "Snarvei"},
    {"QFileDialog", "Drive", "Stasjon"},
    {"QFileDialog", "Unknown", "Ukjent"},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?",
     "%1 finnes fra før.\nVil du erstatte den?"},
    {"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.",
     "%1\nFant ikke filen.\nKontroller at du har oppgitt riktig filnavn."},
    {"QFileDialog", "%1\nDirectory not found.\nPlease verify the correct directory name was given.",
     "%1\nFant ikke mappen.\nKontroller at du har oppgitt riktig mappenavn."},
    {"QFileDialog", "'%1' is write protected.\nDo you want to delete it anyway?",
     "«%1» er skrivebeskyttet.\nVil du likevel slette den?"},
    {"QFileDialog", "Are you sure you want to delete '%1'?", "Er du sikker på at du vil slette «%1»?"},
    {"QFileDialog", "Could not delete directory.", "Kunne ikke slette mappen."},
    {"QFileSystemModel", "Name", "Navn"},
    {"QFileSystemModel", "Size", "Størrelse"},
    {"QFileSystemModel", "Type", "Type"},
    {"QFileSystemModel", "Kind", "Sort"},
    {"QFileSystemModel", "Date Modified", "Sist endret"},
    {"QFileSystemModel", "Computer", "Datamaskin"},
    {"QFileSystemModel", "My Computer", "Datamaskinen"},
    {"QFileSystemModel", "Invalid filename", "Ugyldig filnavn"},
    {"QFileSystemModel",
     "<b>The name \"%1\" cannot be used.</b><p>Try using another name, with fewer characters or no "
     "punctuation marks.",
     "<b>Navnet «%1» kan ikke brukes.</b><p>Prøv et annet navn, med færre tegn eller uten skilletegn."},

    // The context menus of entry fields, text boxes, number fields and the scroll bar.
    {"QLineEdit", "&Undo", "&Angre"},
    {"QLineEdit", "&Redo", "&Gjør om"},
    {"QLineEdit", "Cu&t", "Klipp &ut"},
    {"QLineEdit", "&Copy", "&Kopier"},
    {"QLineEdit", "&Paste", "&Lim inn"},
    {"QLineEdit", "Delete", "Slett"},
    {"QLineEdit", "Select All", "Merk alt"},
    {"QWidgetTextControl", "&Undo", "&Angre"},
    {"QWidgetTextControl", "&Redo", "&Gjør om"},
    {"QWidgetTextControl", "Cu&t", "Klipp &ut"},
    {"QWidgetTextControl", "&Copy", "&Kopier"},
    {"QWidgetTextControl", "Copy &Link Location", "Kopier &lenkeadresse"},
    {"QWidgetTextControl", "&Paste", "&Lim inn"},
    {"QWidgetTextControl", "Delete", "Slett"},
    {"QWidgetTextControl", "Select All", "Merk alt"},
    {"QAbstractSpinBox", "&Select All", "&Merk alt"},
    {"QAbstractSpinBox", "&Step up", "Steg &opp"},
    {"QAbstractSpinBox", "Step &down", "Steg &ned"},
    {"QScrollBar", "Scroll here", "Rull hit"},
    {"QScrollBar", "Left edge", "Venstre kant"},
    {"QScrollBar", "Top", "Topp"},
    {"QScrollBar", "Right edge", "Høyre kant"},
    {"QScrollBar", "Bottom", "Bunn"},
    {"QScrollBar", "Page left", "Side til venstre"},
    {"QScrollBar", "Page up", "Side opp"},
    {"QScrollBar", "Page right", "Side til høyre"},
    {"QScrollBar", "Page down", "Side ned"},
    {"QScrollBar", "Scroll left", "Rull til venstre"},
    {"QScrollBar", "Scroll up", "Rull opp"},
    {"QScrollBar", "Scroll right", "Rull til høyre"},
    {"QScrollBar", "Scroll down", "Rull ned"},

    // Key names, as the menus show their shortcuts.
    {"QShortcut", "Up", "Pil opp"},
    {"QShortcut", "Down", "Pil ned"},
    {"QShortcut", "Left", "Pil venstre"},
    {"QShortcut", "Right", "Pil høyre"},
    {"QShortcut", "Space", "Mellomrom"},
    {"QShortcut", "Backspace", "Rettetast"},
    {"QShortcut", "Shift", "Skift"},
    {"QShortcut", "Return", "Enter"},
    {"QShortcut", "Del", "Slett"},
    {"QShortcut", "Delete", "Slett"},
    {"QShortcut", "Ins", "Sett inn"},
    {"QShortcut", "Insert", "Sett inn"},
    {"QShortcut", "Home", "Hjem"},
    {"QShortcut", "End", "Slutt"},
    {"QShortcut", "PgUp", "Side opp"},
    {"QShortcut", "PgDown", "Side ned"},
};

class BokmaalTranslator : public QTranslator {
 public:
  QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                    int /*n*/) const override {
    if (context == nullptr || sourceText == nullptr) return {};
    for (const QtText& text : kBokmaal) {
      if (std::strcmp(text.source, sourceText) == 0 && std::strcmp(text.context, context) == 0) {
        return QString::fromUtf8(text.bokmaal);
      }
    }
    return {};
  }
  bool isEmpty() const override { return false; }
};

}  // namespace

std::span<const QtText> BokmaalQtTextTable() { return kBokmaal; }

QTranslator* BokmaalQtTexts() {
  static BokmaalTranslator translator;
  return &translator;
}

QTranslator* InstallQtTranslation(QCoreApplication& app, const QString& folder) {
  QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
  const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  QTranslator* found = nullptr;
  std::string_view language;
  for (std::string_view candidate : kQtLanguages) {
    const QString name = QStringLiteral("qtbase_") + QString::fromLatin1(candidate.data(), qsizetype(candidate.size()));
    auto* translator = new QTranslator(&app);
    if (translator->load(name, where) && QCoreApplication::installTranslator(translator)) {
      found = translator;
      language = candidate;
      break;
    }
    delete translator;
  }
  // Installed last, asked first: Bokmål where the program knows it, Qt's file for the rest.
  if (language != "nb" && language != "no") QCoreApplication::installTranslator(BokmaalQtTexts());
  return found;
}

}  // namespace qn
