#include "host/corvanehost/host_objects.h"

namespace corvane {

// ---- Payment ---------------------------------------------------------------

HRESULT Payment::GetText(const wchar_t* member, int index, BSTR* value)
{
    return GetTextField(member, m_text[index], value);
}

HRESULT Payment::PutText(const wchar_t* member, int index, BSTR value)
{
    return PutTextField(member, m_text[index], value);
}

STDMETHODIMP Payment::get_Amount(double* value) { return GetField<double>(L"Amount", m_amount, value); }

STDMETHODIMP Payment::put_Amount(double value) { return PutField<double>(nullptr, m_amount, value); }

STDMETHODIMP Payment::get_StatusCode(long* value) { return GetField<long>(L"StatusCode", m_statusCode, value); }

STDMETHODIMP Payment::put_StatusCode(long value) { return PutField<long>(L"put_StatusCode", m_statusCode, value); }

// ---- Payments --------------------------------------------------------------

Payments::~Payments()
{
    for (Payment* p : m_items)
        p->Release();
}

Payment* Payments::Add()
{
    auto* p = new Payment();
    p->AddRef();
    m_items.push_back(p);
    return p;
}

STDMETHODIMP Payments::Item(long index, ICorvanePayment** payment)
{
    if (!payment)
        return E_POINTER;
    *payment = nullptr;
    if (HRESULT hr = Enter(L"Item"); FAILED(hr))
        return hr;
    if (index < 0 || index >= static_cast<long>(m_items.size()))
        return E_INVALIDARG;
    return HandOut(m_items[static_cast<size_t>(index)], IID_ICorvanePayment, reinterpret_cast<void**>(payment));
}

STDMETHODIMP Payments::get_Count(long* count)
{
    if (HRESULT hr = Enter(L"Count"); FAILED(hr))
        return hr;
    if (!count)
        return E_POINTER;
    *count = static_cast<long>(m_items.size());
    return S_OK;
}

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
    SysFreeString(field);
    field = Dup(value);
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

STDMETHODIMP BankAccount::get_SortCode(BSTR* value) { return GetBstr(L"SortCode", m_sortCode, value); }
STDMETHODIMP BankAccount::put_SortCode(BSTR value) { return PutBstr(m_sortCode, value); }
STDMETHODIMP BankAccount::get_AccountName(BSTR* value) { return GetBstr(L"AccountName", m_accountName, value); }
STDMETHODIMP BankAccount::put_AccountName(BSTR value) { return PutBstr(m_accountName, value); }
STDMETHODIMP BankAccount::get_AccountNumber(BSTR* value) { return GetBstr(L"AccountNumber", m_accountNumber, value); }
STDMETHODIMP BankAccount::put_AccountNumber(BSTR value) { return PutBstr(m_accountNumber, value); }

BankRecord::BankRecord(BankAccount* account) : m_account(account) { m_account->AddRef(); }
BankRecord::~BankRecord() { m_account->Release(); }

STDMETHODIMP BankRecord::get_Account(ICorvaneBankAccount** account)
{
    if (!account)
        return E_POINTER;
    *account = nullptr;
    if (HRESULT hr = Enter(L"Account"); FAILED(hr))
        return hr;
    return HandOut(m_account, IID_ICorvaneBankAccount, reinterpret_cast<void**>(account));
}

STDMETHODIMP BankRecord::get_BankName(BSTR* name)
{
    return CopyOut(L"RBS/NatWest Internet Bankline", name);
}

// ---- StatementLine ---------------------------------------------------------

StatementLine::StatementLine(long index) : m_index(index) { VariantInit(&m_lineNumber); }
StatementLine::~StatementLine() { VariantClear(&m_lineNumber); }

HRESULT StatementLine::GetText(const wchar_t* member, int index, BSTR* value)
{
    return GetTextField(member, m_text[index], value);
}

HRESULT StatementLine::PutText(const wchar_t* member, int index, BSTR value)
{
    return PutTextField(member, m_text[index], value);
}

STDMETHODIMP StatementLine::get_Index(long* value) { return GetField<long>(L"Index", m_index, value); }

STDMETHODIMP StatementLine::get_LineNumber(VARIANT* value)
{
    if (!value)
        return E_POINTER;
    VariantInit(value);
    return VariantCopy(value, &m_lineNumber);
}

STDMETHODIMP StatementLine::put_LineNumber(VARIANT* value)
{
    if (HRESULT hr = Enter(L"LineNumber"); FAILED(hr))
        return hr;
    if (!value)
        return E_POINTER;
    return VariantCopy(&m_lineNumber, value);
}

STDMETHODIMP StatementLine::get_Date(DATE* value) { return GetField<DATE>(nullptr, m_date, value); }

STDMETHODIMP StatementLine::put_Date(DATE value) { return PutField<DATE>(L"Date", m_date, value); }

STDMETHODIMP StatementLine::get_TransactionType(long* value) { return GetField<long>(L"get_TransactionType", m_transactionType, value); }
STDMETHODIMP StatementLine::put_TransactionType(long value) { return PutField<long>(L"TransactionType", m_transactionType, value); }

STDMETHODIMP StatementLine::get_ValueDate(DATE* value) { return GetField<DATE>(nullptr, m_valueDate, value); }

STDMETHODIMP StatementLine::put_ValueDate(DATE value) { return PutField<DATE>(nullptr, m_valueDate, value); }

STDMETHODIMP StatementLine::get_Reconciled(long* value) { return GetField<long>(L"get_Reconciled", m_reconciled, value); }
STDMETHODIMP StatementLine::put_Reconciled(long value) { return PutField<long>(L"Reconciled", m_reconciled, value); }
STDMETHODIMP StatementLine::get_MatchedEntry(long* value) { return GetField<long>(L"get_MatchedEntry", m_matched, value); }
STDMETHODIMP StatementLine::put_MatchedEntry(long value) { return PutField<long>(L"MatchedEntry", m_matched, value); }
STDMETHODIMP StatementLine::get_Flags(long* value) { return GetField<long>(L"get_Flags", m_flags, value); }
STDMETHODIMP StatementLine::put_Flags(long value) { return PutField<long>(L"Flags", m_flags, value); }

STDMETHODIMP StatementLine::get_ExchangeRate(double* value) { return GetField<double>(nullptr, m_exchangeRate, value); }

STDMETHODIMP StatementLine::put_ExchangeRate(double value) { return PutField<double>(nullptr, m_exchangeRate, value); }

STDMETHODIMP StatementLine::get_Amount(double* value) { return GetField<double>(nullptr, m_amount, value); }

STDMETHODIMP StatementLine::put_Amount(double value) { return PutField<double>(L"Amount", m_amount, value); }

// ---- BankStatement ---------------------------------------------------------

BankStatement::~BankStatement() { ReleaseLines(); }

void BankStatement::ReleaseLines()
{
    for (StatementLine* line : m_lines)
        line->Release();
    m_lines.clear();
}

STDMETHODIMP BankStatement::get_Count(long* count)
{
    if (!count)
        return E_POINTER;
    *count = static_cast<long>(m_lines.size());
    return S_OK;
}

STDMETHODIMP BankStatement::Item(long index, ICorvaneStatementLine** line)
{
    if (!line)
        return E_POINTER;
    *line = nullptr;
    if (index < 0 || index >= static_cast<long>(m_lines.size()))
        return E_INVALIDARG;
    return HandOut(m_lines[static_cast<size_t>(index)], IID_ICorvaneStatementLine, reinterpret_cast<void**>(line));
}

STDMETHODIMP BankStatement::AddLine(ICorvaneStatementLine** line)
{
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
    m_lines.push_back(created);
    return HandOut(created, IID_ICorvaneStatementLine, reinterpret_cast<void**>(line));
}

STDMETHODIMP BankStatement::Clear()
{
    if (HRESULT hr = Enter(L"Clear"); FAILED(hr))
        return hr;
    ReleaseLines();
    return S_OK;
}

STDMETHODIMP BankStatement::get_StatementDate(DATE* value)
{
    if (!value)
        return E_POINTER;
    *value = 0;
    return S_OK;
}

STDMETHODIMP BankStatement::get_Balance(double* value) { return GetField<double>(nullptr, m_balance, value); }

STDMETHODIMP BankStatement::put_Balance(double value) { return PutField<double>(L"Balance", m_balance, value); }

} // namespace corvane
