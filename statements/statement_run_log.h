// The statement import's entry in the diagnostics log
// (settings/diagnostics_log.h): the file, its header's field count, the
// account (last four digits), how many lines were read, imported and left
// for other accounts, and the outcome. Never a line's content.
#pragma once
#include <windows.h>

#include "settings/diagnostics_log.h"

namespace qf {

class CBankStatementService;

class StatementRunLog {
public:
    explicit StatementRunLog(const CBankStatementService& service);
    // Writes the counts and the outcome.
    ~StatementRunLog();
    StatementRunLog(const StatementRunLog&) = delete;
    StatementRunLog& operator=(const StatementRunLog&) = delete;

    void File(const char* path);
    void Header(int fields, bool statement);
    void Read(bool imported) { ++m_read; m_imported += imported ? 1 : 0; }
    void Failed(HRESULT hr) { m_failure = hr; }

private:
    diagnostics::RunLog m_log;
    const CBankStatementService& m_service;
    bool m_opened = false;
    long m_read = 0, m_imported = 0;
    HRESULT m_failure = S_OK;
};

} // namespace qf
