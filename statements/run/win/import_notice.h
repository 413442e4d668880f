// What the user is told and asked in a statement import, in message boxes:
// the warning when the import left something out of the statement, and the
// question about lines imported before.
#pragma once
#include "statements/statement_import_report.h"

namespace qf {

// Shows the warning when the user must hear about the run (NeedsNotice).
void Notify(const StatementImportReport& report);

// Which lines a run adds when some were imported before.
enum class Repeat { NewOnly, All, Cancel };

// Asks what to do with the lines imported before. A box that cannot be
// shown leaves the default: only the new lines.
Repeat AskAboutRepeats(const StatementImportReport& report);

} // namespace qf
