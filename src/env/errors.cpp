#include "env/errors.h"

#include <cerrno>
#include <cstring>

namespace qn {

int32_t ErrorCodeFromErrno(int err, bool writing) {
  switch (err) {
    case 0: return 0;
    case ENOENT: return 2;
    case ENOTDIR: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS: return 5;
    case EBADF: return 6;
    case ENOMEM: return 8;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return 101;
    case EIO: return writing ? 101 : 100;
    default: return 1000 + err;
  }
}

int ErrnoOfErrorCode(int32_t code) {
  switch (code) {
    case 0: return 0;
    case 2: return ENOENT;
    case 3: return ENOTDIR;
    case 4: return EMFILE;
    case 5: return EACCES;
    case 6: return EBADF;
    case 8: return ENOMEM;
    default: return code > 1000 ? code - 1000 : EIO;
  }
}

namespace {

struct ErrnoText {
  int err;
  const char* text;
};

constexpr ErrnoText kErrnoTexts[] = {
    {EPERM, "Operasjonen er ikke tillatt"},
    {ENOENT, "Filen eller mappen fins ikke"},
    {EINTR, "Avbrutt av et signal"},
    {EIO, "Inn/ut-feil"},
    {ENXIO, "Enheten eller adressen fins ikke"},
    {EBADF, "Ugyldig filreferanse"},
    {EAGAIN, "Midlertidig utilgjengelig, prøv igjen"},
    {ENOMEM, "Ikke nok minne"},
    {EACCES, "Ingen tilgang"},
    {EBUSY, "Enheten eller ressursen er opptatt"},
    {EEXIST, "Filen fins fra før"},
    {EXDEV, "Kan ikke flytte mellom to filsystemer"},
    {ENODEV, "Enheten fins ikke"},
    {ENOTDIR, "Ikke en mappe"},
    {EISDIR, "Er en mappe"},
    {EINVAL, "Ugyldig argument"},
    {ENFILE, "For mange åpne filer i systemet"},
    {EMFILE, "For mange åpne filer"},
    {ETXTBSY, "Filen er i bruk"},
    {EFBIG, "Filen er for stor"},
    {ENOSPC, "Det er ikke mer plass på disken"},
    {ESPIPE, "Kan ikke søke i et rør eller en enhet"},
    {EROFS, "Filsystemet er skrivebeskyttet"},
    {EMLINK, "For mange lenker"},
    {EPIPE, "Brutt rør"},
    {EDEADLK, "Vranglås unngått"},
    {ENAMETOOLONG, "Filnavnet er for langt"},
    {ENOLCK, "Ingen ledige låser"},
    {ENOTEMPTY, "Mappen er ikke tom"},
    {ELOOP, "En symbolsk lenke som ikke følges, eller for mange lenker etter hverandre"},
    {EOVERFLOW, "Verdien er for stor for datatypen"},
    {ETIMEDOUT, "Tidsavbrudd"},
    {ESTALE, "Filreferansen er foreldet"},
    {EDQUOT, "Diskkvoten er brukt opp"},
};

}  // namespace

std::string SystemErrorText(int err) {
  for (const ErrnoText& row : kErrnoTexts)
    if (row.err == err) return row.text;
  const char* text = std::strerror(err);
  return text != nullptr && *text != '\0' ? text : "Systemfeil " + std::to_string(err);
}

}  // namespace qn
