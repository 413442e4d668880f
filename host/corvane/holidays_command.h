// corvane holidays: the bank holidays and crediting dates as the component's
// calendar sees them, with the user's changes from BANKSERV.INI.
#pragma once
#include <string>
#include <vector>

namespace corvane {

// args: what follows "holidays" on the command line (its help is part of
// corvane --help). Prints to stdout; returns the exit code (0 done, 2 a
// usage error).
int RunHolidays(const std::vector<std::string>& args);

} // namespace corvane
