// The error-text table of the report line and the task texts.
#include <cstdio>
#include <string>
#include <string_view>

#include "env/errors.h"
#include "store/database.h"
#include "store/error_text.h"

namespace qn {

namespace {

struct FixedText {
  int32_t code;
  const char* text;
};

// The rows that are not computed from their code.
constexpr FixedText kFixedTexts[] = {
    {1, "Feil funksjonsnummer"},
    {2, "Filen fins ikke"},
    {3, "Stasjonen eller mappen fins ikke"},
    {4, "For mange filer åpne"},
    {5, "Ikke tilgang til fil/mappe"},
    {6, "Feil filhandtering"},
    {7, "Kontrollblokker i minnet er ødelagt"},
    {8, "Ikke nok internminne"},
    {9, "Feil adresse til blokk i minne"},
    {10, "Feil i systeminformasjon"},
    {11, "Feil format"},
    {12, "Feil i filtilgangskode"},
    {13, "Feil i data"},
    {14, "Reservert feil"},
    {15, "Feil stasjon"},
    {16, "Kan ikke fjerne denne mappen"},
    {17, "Kan ikke endre navn over stasjon"},
    {18, "ingen flere filer"},
    {19, "Disketten er skriverbeskyttet"},
    {20, "Ukjent unit"},
    {21, "Stasjonen er ikke klar"},
    {22, "Feil kommando"},
    {23, "CRC feil"},
    {24, "Feil lengde"},
    {25, "Søkefeil på disken"},
    {26, "Ikke en dos disk"},
    {27, "Finner ikke sektor på disk"},
    {28, "Skriveren er tom for papir"},
    {29, "Skrivefeil"},
    {30, "Lesefeil"},
    {31, "Generell DOS-feil"},
    {32, "Sharing violation"},
    {33, "Lock violation"},
    {34, "Feil disk"},
    {35, "FCB ikke tilgjengelig"},
    {36, "Shareing buffer exceeded"},
    {37, "CODE PAGE MISMATCHED"},
    {38, "Handle EOF"},
    {39, "Disk full"},
    {50, "FEILEN HAR INGEN SUPPORT"},
    {51, "REM NOT LIST"},
    {52, "DOBBELT NAVN"},
    {53, "BAD NETPATH"},
    {54, "NETTVERK MIDLERTIDIG OPPTATT"},
    {55, "DEVICE NOT EXIST"},
    {56, "FOR MANGE KOMMANDOER"},
    {57, "ADAP HDW ERR"},
    {58, "BAD NET RESP"},
    {59, "UVENTET FEIL PÅ NETTET"},
    {60, "BAD REM ADAP"},
    {61, "SKRIVERKØEN ER FULL"},
    {62, "NO SPOOL SPACE"},
    {63, "UTSKRIFT AVBRUTT"},
    {64, "NAVN PÅ NETT ER SLETTET"},
    {65, "INGEN ADGANG TIL NETT"},
    {66, "BAD DEVICE TYPE"},
    {67, "FEIL NAVN PÅ NETTET"},
    {68, "FOR MANGE NAVN"},
    {69, "FOR MANGE SESJONER"},
    {70, "SHARING PAUSED"},
    {71, "FORESPØRSEL IKKE AKSEPTERT"},
    {72, "REDIR PAUSED"},
    {80, "FINNES"},
    {81, "DUPLIKAT FCB"},
    {82, "KAN IKKE LAGE"},
    {83, "FAIL ON INT 24h"},
    {84, "OUT OF STRUCTURES"},
    {85, "ALLEREDE TILORDNET"},
    {86, "UGYLDIG PASSORD"},
    {87, "UGYLDIG PARAMETER"},
    {88, "SKRIVEFEIL TIL NETT"},
    {89, "UDOKUMENTERT DOS FEIL, 59h"},
    {90, "SYSTEM KOMPONENTER IKKE HENTET"},
    {100, "LESEFEIL I FRA DISK"},
    {101, "SKRIVEFEIL TIL DISK, ELLER DISK FULL"},
    {102, "FILEN ER IKKE TILORDNET FILVARIABEL"},
    {103, "ER IKKE ÅPEN"},
    {104, "ER IKKE ÅPEN FOR INNDATA"},
    {105, "ER IKKE ÅPEN FOR UTDATA"},
    {106, "FEIL I DET NUMERISKE FORMAT"},
    {150, "DISKETTEN ER SKRIVEBESKYTTET"},
    {151, "UKJENT UNIT"},
    {152, "STASJONEN ER IKKE KLAR"},
    {153, "UKJENT KOMMANDO"},
    {154, "CRC FEIL I DATA"},
    {155, "BAD DRIVE REQUEST STRUCTURE LENGTH"},
    {156, "SØKEFEIL PÅ DISK"},
    {157, "UKJENT MEDIA TYPE"},
    {158, "FINNER IKKE SEKTOR PÅ DISK"},
    {159, "SKRIVER ER TOM FOR PAPIR"},
    {160, "SKRIVEFEIL TIL UTGANG"},
    {161, "LESEFEIL"},
    {162, "MASKINVARE FEIL"},
    {200, "DIVISJON MED NULL IKKE TILLATT"},
    {201, "VARIABEL UTENFOR GRENSEVERDI"},
    {202, "OVERFLYT I STAKK"},
    {203, "IKKE NOK INTERNMINNE TILGJENGELIG"},
    {204, "UGYLDIG PEKER OPERASJON"},
    {205, "OVERFLYT I TALL, FOR STORT TALL"},
    {206, "UNDERFLYT I MATTEPROSESSOR"},
    {207, "UGYLDIG REGNEOPERASJON"},
    {208, "OVERLAGRING ER IKKE KLARGJORT"},
    {209, "LESEFEIL I FRA OVERLAGRINGSFIL"},
    {210, "OBJEKTET ER IKKE INITIALISERT"},
    {211, "FORSØK PÅ Å KALLE OPP EN ABSTRAKT VIRITUELL METODE"},
    {212, "STREM REGISTRATION ERROR"},
    {213, "COLLECTION INDEX OUT OF RANGE"},
    {214, "COLLECTION OVERFLOW ERROR"},
    {215, "REGNEFEIL, OVERFLYT"},
    {216, "GENERELL BESKYTTELSE FEIL"},
};

// Two upper-case hexadecimal digits, as the undocumented rows print their number.
std::string Hex2(int32_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(value) & 0xFFu);
  return buffer;
}

}  // namespace

std::string ErrorText(int32_t code) {
  if (code >= 40 && code <= 49) return "UDOKUMENTERT DOS FEIL, " + Hex2(code) + "h";
  if (code >= 73 && code <= 79) return "UDOKUMENTERT DOSFEIL, " + Hex2(code) + "h";
  // These rows name the DOS error six above their own number.
  if (code >= 91 && code <= 99) return "UDOKUMENTERT DOSFEIL, " + Hex2(code + 6) + "h";
  for (const FixedText& row : kFixedTexts) {
    if (row.code == code) return row.text;
  }
  switch (code) {
    case kErrorNotADatabase: return "FILEN ER IKKE EN QUILLNET-DATABASE";
    case kErrorHeldByWindow: return "DATABASEN ER ÅPEN FOR ENDRING I ET VINDU";
    case kErrorBusy: return "DATABASEN ENDRES AV ET ANNET PROGRAM";
    case kErrorJournalInTheWay: return "NOE ANNET STÅR DER DATABASENS JOURNALFIL SKAL LIGGE";
    case kErrorImageMismatch: return "DATABASEN ER IKKE SLIK ENDRINGEN FORLOT DEN";
    default: break;
  }
  return {};
}

std::string ErrorReason(int32_t code) {
  std::string text = ErrorText(code);
  // A system error without a row of its own carries the system's text for it.
  if (text.empty() && code > 1000 && code < kErrorNotADatabase) text = SystemErrorText(code - 1000);
  return text;
}

std::string ReasonAndNumber(int32_t code) {
  const std::string text = ErrorReason(code);
  return (text.empty() ? "feil" : text) + " (" + std::to_string(code) + ")";
}

std::string_view TaskText(int32_t taskCode) {
  switch (taskCode) {
    case kTaskBackupReset: return "creating backupfile (reset)";
    case kTaskBackupRewrite: return "creating backupfile (rewrite)";
    case kTaskBackupWrite: return "write error";
    case kTaskBackupClose: return "closing file";
    case kTaskOpen: return "open database";
    case kTaskCreate: return "create database";
    case kTaskWriteHeader: return "write in database";
    case kTaskWrite: return "write file";
    case kTaskRead: return "read file";
    case kTaskClose: return "closing database";
    default: return {};
  }
}

}  // namespace qn
