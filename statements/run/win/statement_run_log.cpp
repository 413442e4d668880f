#include "statements/run/win/statement_run_log.h"

#include <exception>

namespace qf {

StatementRunLog::StatementRunLog(const StatementServiceState& service, const StatementImportReport& report)
    : m_log("statement"), m_service(service), m_report(report)
{
    m_log.Write("statement import of Quillfen %s in %s", diagnostics::ComponentVersion().c_str(),
                diagnostics::HostProcessName().c_str());
}

StatementRunLog::~StatementRunLog()
{
    if (!m_log.On())
        return;
    try {
        using Outcome = StatementImportReport::Outcome;
        const StatementImportReport& r = m_report;
        if (r.outcome != Outcome::Cancelled)
            m_log.Write("file %s", r.path.c_str());
        if (r.outcome == Outcome::NotAStatement || r.outcome == Outcome::Read)
            m_log.Write("header: %d fields%s", r.headerFieldCount, r.utf8 ? ", UTF-8" : "");
        if (r.outcome == Outcome::Read) {
            const long skipped = static_cast<long>(r.skipped.size());
            const long others = r.dataLines - r.blankLines - skipped - r.imported;
            m_log.Write("account %s: %ld lines read (%ld blank), %ld imported, %ld skipped, %ld for other accounts",
                        diagnostics::MaskedAccount(m_service.AccountNumber).c_str(), r.dataLines, r.blankLines,
                        r.imported, skipped, others);
            std::size_t shown = 0;
            for (const SkippedLine& line : r.skipped) {
                if (shown++ == kMaxSkippedShown) {
                    m_log.Write("... and %ld more skipped lines", skipped - static_cast<long>(kMaxSkippedShown));
                    break;
                }
                m_log.Write("skipped line %ld: %s", line.line, SkipReasonText(line.reason));
            }
            using Journal = StatementImportReport::Journal;
            if (r.journal == Journal::Kept)
                m_log.Write("journal: %ld of the account's %ld lines imported before%s%s, %ld passed over",
                            r.importedBefore, r.accountLines, r.latestImport.empty() ? "" : ", the latest on ",
                            r.latestImport.c_str(), r.passedOver);
            else if (r.journal == Journal::Unreadable)
                m_log.Write("journal: earlier imports could not be checked: %s", r.journalProblem.c_str());
            else
                m_log.Write("journal: not kept: %s", r.journalProblem.c_str());
            if (r.journalUnwritten && r.journal == Journal::Kept)
                m_log.Write("journal: this import could not be remembered: %s", r.journalProblem.c_str());
        }
        if (!m_returned)
            return; // the run raised an error: the entry ends saying so
        if (FAILED(m_result))
            m_log.Write("outcome: failed with 0x%08lX after %ld lines", static_cast<unsigned long>(m_result),
                        r.imported);
        else if (r.declined)
            m_log.Write("outcome: cancelled by the user when asked about %ld lines imported before", r.importedBefore);
        else if (r.outcome == Outcome::Cancelled)
            m_log.Write("outcome: cancelled by the user");
        else if (r.outcome == Outcome::NotOpened)
            m_log.Write("outcome: the file could not be opened");
        else if (r.outcome == Outcome::NotAStatement)
            m_log.Write("outcome: not a statement file");
        else
            m_log.Write("outcome: %ld lines imported", r.imported);
    } catch (...) {
    }
}

} // namespace qf
