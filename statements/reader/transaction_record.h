// One line of a bank statement as the statement reader delivers it.
#pragma once
#include <cstdint>

#include "statements/statement_line.h"
#include "text/cstring.h"

namespace qf {

class TextArena;

class CTransactionRecord {
public:
    // Why a read failed; thrown and caught inside the reader only.
    enum { NoError = 0, TooFewFields = 1, ColumnBeyondHeader = 2, StreamNotOpen = 4 };

    CTransactionRecord() = default;

    // Every text empty, every number 0. Buffers are kept for the next line.
    void Clear();
    // One of them empty, its buffer kept.
    static void ClearText(CString& text);

    const CString& SortCode() const noexcept { return m_sortCode; }
    const CString& AccountNumber() const noexcept { return m_accountNumber; }
    // The two account columns before the cut to 6 and 8 characters (outer
    // quotes removed): "12-34-56" keeps its last digits here.
    const CString& SortCodeColumn() const noexcept { return m_sortCodeColumn; }
    const CString& AccountNumberColumn() const noexcept { return m_accountNumberColumn; }
    const CString& AccountAlias() const noexcept { return m_accountAlias; }
    const CString& AccountShortName() const noexcept { return m_accountShortName; }
    const CString& Currency() const noexcept { return m_currency; }
    const CString& AccountType() const noexcept { return m_accountType; }
    const CString& BIC() const noexcept { return m_bic; }
    const CString& BankName() const noexcept { return m_bankName; }
    const CString& BranchName() const noexcept { return m_branchName; }
    const CString& DateText() const noexcept { return m_dateText; }
    // The joined narrative as the last GetNarrative built it.
    const CString& Narrative() const noexcept { return m_narrative; }
    const CString& Narrative1() const noexcept { return m_narrative1; }
    const CString& Narrative2() const noexcept { return m_narrative2; }
    const CString& Narrative3() const noexcept { return m_narrative3; }
    const CString& Narrative4() const noexcept { return m_narrative4; }
    const CString& Narrative5() const noexcept { return m_narrative5; }
    const CString& Type() const noexcept { return m_type; }
    double Debit() const noexcept { return m_debit; }
    double Credit() const noexcept { return m_credit; }
    std::int32_t IsDebit() const noexcept { return m_isDebit; }
    // Serial date (midnight); 0 when the date text is no date.
    double Date() const noexcept { return m_date; }

    // Joins the narratives with single spaces and keeps the result in
    // Narrative. Narrative1 always leads, empty or not; each of the others
    // is added only when non-empty. So an empty first narrative followed by
    // a second gives a leading space.
    CString GetNarrative();
    // The same, without a copy: the joined narrative, kept in Narrative.
    const CString& JoinNarrative();

private:
    friend class CRBSTransactionFile;

    CString m_sortCode;
    CString m_accountNumber;
    CString m_accountAlias;
    CString m_accountShortName;
    CString m_currency;
    CString m_accountType;
    CString m_bic;
    CString m_bankName;
    CString m_branchName;
    CString m_dateText;
    CString m_narrative;
    CString m_narrative1;
    CString m_narrative2;
    CString m_narrative3;
    CString m_narrative4;
    CString m_narrative5;
    CString m_type;
    CString m_sortCodeColumn;
    CString m_accountNumberColumn;
    double m_debit = 0.0;
    double m_credit = 0.0;
    std::int32_t m_isDebit = 0;
    double m_date = 0.0;
};

// The record's line in the form the import carries it, its texts kept in
// texts.
StatementLine StatementLineOf(const CTransactionRecord& record, TextArena& texts);

} // namespace qf
