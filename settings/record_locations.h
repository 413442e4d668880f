// Where the component keeps what it remembers per account, and for how
// long it looks back. Both records belong to the Windows user, not to the
// machine, one file per account, where a standard user can write
// (BANKSERV.INI's folder usually is not):
//
// - the statement import's journals of imported lines, in
//   %APPDATA%\Quillfen\Imported;
// - the payment export's record of payments written, in
//   %APPDATA%\Quillfen\Paid, or in a folder that everyone paying from the
//   same accounts shares.
//
//   [Statement Import]
//   RememberImports=On   (default; Off imports every line and keeps no journal)
//   [Payment Export]
//   PaidBeforeDays=20    (default; how far back a payment counts as paid
//                         before; 0 turns the check off, twins in a batch
//                         included; the record is kept)
//   PaidRecordFolder=    (default empty: the user's own folder)
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

// The days PaidBeforeDays gives: 20 when it is missing or no whole number
// from 0 to 3660.
int PaidBeforeDays();

// The paid record of the paying account: "<folder>\601613-31926819.paid",
// the folder PaidRecordFolder names or the user's own. The same conditions
// as ImportJournalPath.
bool PaidRecordPath(const std::string& sortCode, const std::string& accountNumber, bool createFolder,
                    std::string& path, std::string& why);

} // namespace qf
