#include "host/corvanehost/host_objects.h"

namespace corvane {

// ---- Payment ---------------------------------------------------------------

HRESULT Payment::GetText(const wchar_t* member, int index, BSTR* value)
try {
    return GetTextField(member, m_text[index], value);
} catch (...) { return ContainedFailure(); }

HRESULT Payment::PutText(const wchar_t* member, int index, BSTR value)
try {
    return PutTextField(member, m_text[index], value);
} catch (...) { return ContainedFailure(); }

STDMETHODIMP Payment::get_Amount(double* value) try { return GetField<double>(L"get_Amount", m_amount, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP Payment::put_Amount(double value) try { return PutField<double>(nullptr, m_amount, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP Payment::get_StatusCode(long* value) try { return GetField<long>(L"get_StatusCode", m_statusCode, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP Payment::put_StatusCode(long value) try { return PutField<long>(L"put_StatusCode", m_statusCode, value); } catch (...) { return ContainedFailure(); }

// ---- Payments --------------------------------------------------------------

Payments::~Payments()
{
    for (Payment* p : m_items)
        p->Release();
}

Payment* Payments::Add()
{
    // Room first: a payment is made only once the list can take it.
    if (m_items.size() == m_items.capacity())
        m_items.reserve(m_items.empty() ? 16 : 2 * m_items.size());
    auto* p = new Payment();
    p->AddRef();
    m_items.push_back(p);
    return p;
}

STDMETHODIMP Payments::Item(long index, ICorvanePayment** payment)
try {
    if (!payment)
        return E_POINTER;
    *payment = nullptr;
    if (HRESULT hr = Enter(L"Item"); FAILED(hr))
        return hr;
    if (index < 0 || index >= static_cast<long>(m_items.size()))
        return E_INVALIDARG;
    return HandOut(m_items[static_cast<size_t>(index)], IID_ICorvanePayment, reinterpret_cast<void**>(payment));
} catch (...) { return ContainedFailure(); }

STDMETHODIMP Payments::get_Count(long* count)
try {
    if (HRESULT hr = Enter(L"get_Count"); FAILED(hr))
        return hr;
    if (!count)
        return E_POINTER;
    *count = static_cast<long>(m_items.size());
    return S_OK;
} catch (...) { return ContainedFailure(); }

// ---- BankAccount and BankRecord --------------------------------------------

namespace {
BSTR Dup(BSTR text) { return text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr; }

HRESULT GetBstr(const wchar_t* member, BSTR field, BSTR* value)
{
    if (HRESULT hr = Enter(member); FAILED(hr))
        return hr;
    if (!value)
        return E_POINTER;
    *value = Dup(field);
    return S_OK;
}

HRESULT PutBstr(BSTR& field, BSTR value)
{
    // The old value stays when the copy cannot be made.
    const BSTR copy = Dup(value);
    if (value && !copy)
        return E_OUTOFMEMORY;
    SysFreeString(field);
    field = copy;
    return S_OK;
}
} // namespace

BankAccount::BankAccount(BSTR sortCode, BSTR accountNumber)
    : m_sortCode(Dup(sortCode)), m_accountNumber(Dup(accountNumber))
{
}

BankAccount::~BankAccount()
{
    SysFreeString(m_sortCode);
    SysFreeString(m_accountName);
    SysFreeString(m_accountNumber);
}

STDMETHODIMP BankAccount::get_SortCode(BSTR* value) try { return GetBstr(L"get_SortCode", m_sortCode, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP BankAccount::put_SortCode(BSTR value) try { return PutBstr(m_sortCode, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP BankAccount::get_AccountName(BSTR* value) try { return GetBstr(L"get_AccountName", m_accountName, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP BankAccount::put_AccountName(BSTR value) try { return PutBstr(m_accountName, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP BankAccount::get_AccountNumber(BSTR* value) try { return GetBstr(L"get_AccountNumber", m_accountNumber, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP BankAccount::put_AccountNumber(BSTR value) try { return PutBstr(m_accountNumber, value); } catch (...) { return ContainedFailure(); }

BankRecord::BankRecord(BankAccount* account) : m_account(account) { m_account->AddRef(); }
BankRecord::~BankRecord() { m_account->Release(); }

STDMETHODIMP BankRecord::get_Account(ICorvaneBankAccount** account)
try {
    if (!account)
        return E_POINTER;
    *account = nullptr;
    if (HRESULT hr = Enter(L"get_Account"); FAILED(hr))
        return hr;
    return HandOut(m_account, IID_ICorvaneBankAccount, reinterpret_cast<void**>(account));
} catch (...) { return ContainedFailure(); }

STDMETHODIMP BankRecord::get_BankName(BSTR* name)
try {
    return CopyOut(L"RBS/NatWest Internet Bankline", name);
} catch (...) { return ContainedFailure(); }

// ---- StatementLine ---------------------------------------------------------

StatementLine::StatementLine(long index) : m_index(index) { VariantInit(&m_lineNumber); }
StatementLine::~StatementLine() { VariantClear(&m_lineNumber); }

HRESULT StatementLine::GetText(const wchar_t* member, int index, BSTR* value)
try {
    if (HRESULT hr = Enter(member); FAILED(hr))
        return hr;
    if (!value)
        return E_POINTER;
    const LineText& text = m_text[index];
    *value = SysAllocStringLen(nullptr, text.size());
    if (!*value)
        return E_OUTOFMEMORY;
    text.CopyTo(*value);
    return S_OK;
} catch (...) { return ContainedFailure(); }

HRESULT StatementLine::PutText(const wchar_t* member, int index, BSTR value)
try {
    if (HRESULT hr = Enter(member); FAILED(hr))
        return hr;
    m_text[index].Assign(value, value ? SysStringLen(value) : 0);
    return S_OK;
} catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::get_Index(long* value) try { return GetField<long>(L"get_Index", m_index, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::get_LineNumber(VARIANT* value)
try {
    if (!value)
        return E_POINTER;
    VariantInit(value);
    return VariantCopy(value, &m_lineNumber);
} catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::put_LineNumber(VARIANT* value)
try {
    if (HRESULT hr = Enter(L"put_LineNumber"); FAILED(hr))
        return hr;
    if (!value)
        return E_POINTER;
    return VariantCopy(&m_lineNumber, value);
} catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::get_Date(DATE* value) try { return GetField<DATE>(nullptr, m_date, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::put_Date(DATE value) try { return PutField<DATE>(L"put_Date", m_date, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::get_TransactionType(long* value) try { return GetField<long>(L"get_TransactionType", m_transactionType, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP StatementLine::put_TransactionType(long value) try { return PutField<long>(L"put_TransactionType", m_transactionType, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::get_ValueDate(DATE* value) try { return GetField<DATE>(nullptr, m_valueDate, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::put_ValueDate(DATE value) try { return PutField<DATE>(nullptr, m_valueDate, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::get_Reconciled(long* value) try { return GetField<long>(L"get_Reconciled", m_reconciled, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP StatementLine::put_Reconciled(long value) try { return PutField<long>(L"put_Reconciled", m_reconciled, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP StatementLine::get_MatchedEntry(long* value) try { return GetField<long>(L"get_MatchedEntry", m_matched, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP StatementLine::put_MatchedEntry(long value) try { return PutField<long>(L"put_MatchedEntry", m_matched, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP StatementLine::get_Flags(long* value) try { return GetField<long>(L"get_Flags", m_flags, value); } catch (...) { return ContainedFailure(); }
STDMETHODIMP StatementLine::put_Flags(long value) try { return PutField<long>(L"put_Flags", m_flags, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::get_ExchangeRate(double* value) try { return GetField<double>(nullptr, m_exchangeRate, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::put_ExchangeRate(double value) try { return PutField<double>(nullptr, m_exchangeRate, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::get_Amount(double* value) try { return GetField<double>(nullptr, m_amount, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP StatementLine::put_Amount(double value) try { return PutField<double>(L"put_Amount", m_amount, value); } catch (...) { return ContainedFailure(); }

// ---- BankStatement ---------------------------------------------------------

BankStatement::~BankStatement() { ReleaseLines(); }

void BankStatement::ReleaseLines()
{
    for (StatementLine* line : m_lines)
        line->Release();
    m_lines.clear();
}

STDMETHODIMP BankStatement::get_Count(long* count)
try {
    if (!count)
        return E_POINTER;
    *count = static_cast<long>(m_lines.size());
    return S_OK;
} catch (...) { return ContainedFailure(); }

STDMETHODIMP BankStatement::Item(long index, ICorvaneStatementLine** line)
try {
    if (!line)
        return E_POINTER;
    *line = nullptr;
    if (index < 0 || index >= static_cast<long>(m_lines.size()))
        return E_INVALIDARG;
    return HandOut(m_lines[static_cast<size_t>(index)], IID_ICorvaneStatementLine, reinterpret_cast<void**>(line));
} catch (...) { return ContainedFailure(); }

STDMETHODIMP BankStatement::AddLine(ICorvaneStatementLine** line)
try {
    if (!line)
        return E_POINTER;
    *line = nullptr;
    const HRESULT hr = Enter(L"AddLine");
    if (FAILED(hr))
        return hr;
    if (hr == S_FALSE)
        return S_OK; // told to hand out no line at all
    auto* created = new StatementLine(static_cast<long>(m_lines.size()));
    created->AddRef();
    try {
        m_lines.push_back(created);
    } catch (...) {
        created->Release(); // not left alive, counted, with no owner
        throw;
    }
    return HandOut(created, IID_ICorvaneStatementLine, reinterpret_cast<void**>(line));
} catch (...) { return ContainedFailure(); }

STDMETHODIMP BankStatement::Clear()
try {
    if (HRESULT hr = Enter(L"Clear"); FAILED(hr))
        return hr;
    ReleaseLines();
    return S_OK;
} catch (...) { return ContainedFailure(); }

STDMETHODIMP BankStatement::get_StatementDate(DATE* value)
try {
    if (!value)
        return E_POINTER;
    *value = 0;
    return S_OK;
} catch (...) { return ContainedFailure(); }

STDMETHODIMP BankStatement::get_Balance(double* value) try { return GetField<double>(nullptr, m_balance, value); } catch (...) { return ContainedFailure(); }

STDMETHODIMP BankStatement::put_Balance(double value) try { return PutField<double>(L"put_Balance", m_balance, value); } catch (...) { return ContainedFailure(); }

} // namespace corvane
