// The lines a statement received, printed as corvane statement shows them:
// a table, CSV (--csv) or the JSON array of --json.
#pragma once
#include <string>

#include "CorvaneBankReconciliation.h"
#include "host/corvane/run_options.h"

namespace corvane {

// Prints every line of the statement to stdout as options ask (for --json
// they are left in jsonLines, a JSON array's elements); returns how many
// lines the statement handed out.
long PrintStatementLines(ICorvaneBankStatement* statement, const Options& options, std::string& jsonLines);

} // namespace corvane
