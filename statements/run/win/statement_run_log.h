// The statement import's entry in the diagnostics log
// (settings/diagnostics_log.h), written from the run's report when the run
// ends, however it ends: the file, its header's field count, the account
// (last four digits), the lines read, imported and skipped (line number and
// reason, never the line's content), and the outcome.
#pragma once
#include <windows.h>

#include "settings/diagnostics_log.h"
#include "statements/run/win/statement_service_state.h"
#include "statements/statement_import_report.h"

namespace qf {

class StatementRunLog {
public:
    // The most skipped lines named one by one; the rest are counted.
    static constexpr std::size_t kMaxSkippedShown = 100;

    StatementRunLog(const StatementServiceState& service, const StatementImportReport& report);
    ~StatementRunLog();
    StatementRunLog(const StatementRunLog&) = delete;
    StatementRunLog& operator=(const StatementRunLog&) = delete;

    // The run's result, when it returned one.
    void Result(HRESULT hr) { m_result = hr; m_returned = true; }

private:
    diagnostics::RunLog m_log;
    const StatementServiceState& m_service;
    const StatementImportReport& m_report;
    HRESULT m_result = S_OK;
    bool m_returned = false;
};

} // namespace qf
