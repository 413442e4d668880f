// What the payment run makes of the account check: the user's setting, the
// table in use (the built-in one, or a newer one placed beside the settings
// file) and the question asked before a file with failing accounts is
// written. The check is advice: it never changes a payment, the file or the
// run's outcome by itself.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "accountcheck/modulus_table.h"

namespace qf {

// The caption of the question; the host's autopilot knows the box by it.
extern const char kAccountCheckCaption[];

// BANKSERV.INI [Account Check] Mode: "Warn" (also when missing or empty) or
// "Off", in any case. Any other value is Warn, and the debug output says so.
enum class AccountCheckMode { Warn, Off };
AccountCheckMode ParseAccountCheckMode(const std::string& value);

// The table a run checks with. Described for the diagnostics log as
// "built-in 8.50" or "<path> (1160 lines)".
struct ModulusTableInUse {
    std::shared_ptr<const ModulusTable> owned; // a table read from files
    const ModulusTable* table = nullptr;
    std::string description;
};

// The file names a newer table has in the settings folder.
extern const char kWeightTableFileName[];       // "valacdos.txt"
extern const char kSubstitutionTableFileName[]; // "scsubtab.txt"

// folder: the settings folder, ending in its separator. Its valacdos.txt,
// with its scsubtab.txt when there is one (the built-in substitutions
// otherwise), replaces the built-in tables when every line of both parses.
// Otherwise the built-in tables are used, and the debug output says why.
ModulusTableInUse LoadModulusTable(const std::string& folder);

// One pair that the check calls invalid, as the question names it.
struct FailedAccount {
    std::string name;          // the payee's name
    std::string sortCode;      // six digits
    std::string accountNumber; // eight digits
};

// "12-34-56" from six digits; anything else as it is.
std::string DashedSortCode(const std::string& digits);

// The question for the failing pairs (at least one): the first ten by name,
// sort code and account number, then how many more, and that payments to
// them are likely to be returned.
std::string AccountWarningText(const std::vector<FailedAccount>& failed);

} // namespace qf
