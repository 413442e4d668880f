#include "statements/reader/transaction_record.h"

#include <cstring>
#include <initializer_list>

#include "blocks/block_list.h"
#include "statements/reader/statement_reader.h"

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

StatementLine StatementLineOf(const CTransactionRecord& record, TextArena& texts)
{
    static_assert(CRBSTransactionFile::kMaxLineLength <= 0xFFFF, "a field's size fits its 16 bits");
    StatementLine line;
    line.date = record.Date();
    line.debit = record.IsDebit() != 0;
    line.amount = line.debit ? record.Debit() : record.Credit();
    // The narratives joined as CTransactionRecord::JoinNarrative joins them,
    // straight into texts.
    const CString* const narratives[5] = {&record.Narrative1(), &record.Narrative2(), &record.Narrative3(),
                                          &record.Narrative4(), &record.Narrative5()};
    std::size_t joined = 0;
    for (int i = 0; i < 5; ++i) {
        line.narrativeSizes[i] = static_cast<std::uint16_t>(narratives[i]->GetLength());
        joined += line.narrativeSizes[i] + (i > 0 && line.narrativeSizes[i] > 0 ? 1 : 0);
    }
    line.typeSize = static_cast<std::uint16_t>(record.Type().GetLength());
    line.narrativeSize = static_cast<std::uint32_t>(joined);
    char* p = texts.Make(joined + line.typeSize);
    line.narrative = p;
    for (int i = 0; i < 5; ++i) {
        const std::size_t size = line.narrativeSizes[i];
        if (i > 0 && size > 0)
            *p++ = ' ';
        std::memcpy(p, narratives[i]->c_str(), size);
        p += size;
    }
    std::memcpy(p, record.Type().c_str(), line.typeSize);
    return line;
}

} // namespace qf
