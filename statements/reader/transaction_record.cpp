#include "statements/reader/transaction_record.h"

#include <initializer_list>

namespace qf {
void CTransactionRecord::ClearText(CString& text)
{
    // Assigning "" to a string that never had a buffer would allocate one.
    if (!text.IsEmpty())
        text.Assign("", 0);
}

void CTransactionRecord::Clear()
{
    for (CString* text : {&m_sortCode, &m_accountNumber, &m_accountAlias, &m_accountShortName, &m_currency,
                          &m_accountType, &m_bic, &m_bankName, &m_branchName, &m_dateText, &m_narrative,
                          &m_narrative1, &m_narrative2, &m_narrative3, &m_narrative4, &m_narrative5, &m_type,
                          &m_sortCodeColumn, &m_accountNumberColumn})
        ClearText(*text);
    m_debit = 0.0;
    m_credit = 0.0;
    m_isDebit = 0;
    m_date = 0.0;
}

CString CTransactionRecord::GetNarrative()
{
    return JoinNarrative();
}

const CString& CTransactionRecord::JoinNarrative()
{
    m_narrative = m_narrative1;
    for (const CString* part : {&m_narrative2, &m_narrative3, &m_narrative4, &m_narrative5}) {
        if (!part->IsEmpty()) {
            m_narrative += " ";
            m_narrative += *part;
        }
    }
    return m_narrative;
}

} // namespace qf
