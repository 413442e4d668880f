// Where the statement import keeps its journals of imported lines, and
// whether it keeps them. The journals belong to the Windows user, not to
// the machine: %APPDATA%\Quillfen\Imported, one file per account, where a
// standard user can write (BANKSERV.INI's folder usually is not).
//
//   [Statement Import]
//   RememberImports=On   (default; Off imports every line and keeps no journal)
#pragma once
#include <string>

namespace qf {

// The setting as BANKSERV.INI has it now: false for Off (also No, False, 0,
// in any case), true for anything else or nothing.
bool RememberImports();

// The journal file of an account: "<folder>\601613-31926819.journal". False
// (with why) unless the sort code is 6 digits and the account number 8, or
// when the folder cannot be named or, with createFolder, created.
bool ImportJournalPath(const std::string& sortCode, const std::string& accountNumber, bool createFolder,
                       std::string& path, std::string& why);

} // namespace qf
