// The account's lines as lines of the host's statement: running number,
// date, debit or credit, amount, description and reference, their texts
// converted from the file's UTF-8 or ANSI bytes.
#pragma once
#include <windows.h>

#include <string>

#include "com/com_holders.h"
#include "com/host_interfaces.h"
#include "statements/statement_line.h"

namespace qf {

class StatementWriter {
public:
    StatementWriter(ICorvaneBankStatement* statement, bool utf8) : m_statement(statement), m_utf8(utf8) {}

    // Adds record to the statement as its next line, numbered lineNumber.
    // E_POINTER when the host hands out no line object. The host's answers
    // to the line's properties are ignored on purpose: a property the host
    // refuses leaves that field empty. A failed allocation is raised.
    HRESULT Add(const StatementLine& record, long lineNumber);

private:
    ICorvaneBankStatement* m_statement;
    bool m_utf8;
    // The type of the line before, as text, as a BSTR and whether it is a
    // cheque: the lines of a statement share a handful of types.
    std::string m_type;
    Bstr m_wideType;
    bool m_cheque = false;
};

} // namespace qf
