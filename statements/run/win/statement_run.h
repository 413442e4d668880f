// The statement import run of the statement service.
#pragma once
#include "com/host_interfaces.h"
#include "statements/run/win/statement_service_state.h"
#include "statements/statement_import_report.h"

namespace qf {

// Imports the statement file the user picks through the host's selector
// into the host's statement. Returns the run's HRESULT; raises through the
// error guard's exceptions.
HRESULT RunStatementImport(const StatementServiceState& service, ICorvaneBankRecord* bank, ICorvaneBankStatement* statement);
// The same, filling report with what the run did, also when it raises.
// When lines were skipped, none matched the host's account, or the file
// could not be opened or is no statement, the run ends with one warning box.
HRESULT RunStatementImport(const StatementServiceState& service, ICorvaneBankRecord* bank, ICorvaneBankStatement* statement,
                           StatementImportReport& report);

// The callback handed to the host's file selector: labels a candidate file
// as a statement file when its header has 14 or 18 fields.
extern "C" int __cdecl ValidateStatementFile(char* description, const char* path);

} // namespace qf
