#include "statements/statement_run_log.h"

#include <exception>

#include "objects/services.h"

namespace qf {

StatementRunLog::StatementRunLog(const CBankStatementService& service) : m_log("statement"), m_service(service)
{
    m_log.Write("statement import of Quillfen %s in %s", diagnostics::ComponentVersion().c_str(),
                diagnostics::HostProcessName().c_str());
}

StatementRunLog::~StatementRunLog()
{
    if (!m_log.On() || std::uncaught_exceptions() > 0)
        return;
    try {
        if (m_opened) {
            m_log.Write("account %s: %ld lines read, %ld imported, %ld for other accounts",
                        diagnostics::MaskedAccount(m_service.AccountNumber).c_str(), m_read, m_imported,
                        m_read - m_imported);
            // The first line not read: the end of the file, or a blank or
            // short line, which ends the reading early.
            if (SUCCEEDED(m_failure))
                m_log.Write("reading ended at line %ld of the file", m_read + 2);
        }
        if (FAILED(m_failure))
            m_log.Write("outcome: failed with 0x%08lX after %ld lines", static_cast<unsigned long>(m_failure),
                        m_imported);
        else if (m_service.Status() == 1)
            m_log.Write("outcome: cancelled by the user");
        else if (m_opened)
            m_log.Write("outcome: %ld lines imported", m_imported);
        else
            m_log.Write("outcome: nothing imported");
    } catch (...) {
    }
}

void StatementRunLog::File(const char* path) { m_log.Write("file %s", path); }

void StatementRunLog::Header(int fields, bool statement)
{
    m_opened = statement;
    m_log.Write("header: %d fields%s", fields, statement ? "" : ", not a statement file");
}

} // namespace qf
