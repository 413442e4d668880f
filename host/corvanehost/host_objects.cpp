#include "host/corvanehost/host_objects.h"

#include <utility>

namespace corvane {

// ---- Payment ---------------------------------------------------------------

HRESULT Payment::GetText(const wchar_t* member, int index, BSTR* value) noexcept
{
    return GetTextField(member, m_text[index], value);
}

HRESULT Payment::PutText(const wchar_t* member, int index, BSTR value) noexcept
{
    return PutTextField(member, m_text[index], value);
}

STDMETHODIMP Payment::get_Amount(double* value) { return GetField<double>(L"get_Amount", m_amount, value); }

STDMETHODIMP Payment::put_Amount(double value) { return PutField<double>(nullptr, m_amount, value); }

STDMETHODIMP Payment::get_StatusCode(long* value) { return GetField<long>(L"get_StatusCode", m_statusCode, value); }

STDMETHODIMP Payment::put_StatusCode(long value) { return PutField<long>(L"put_StatusCode", m_statusCode, value); }

// ---- Payments --------------------------------------------------------------

const ComPtr<Payment>& Payments::Add()
{
    // Room first: a payment is made only once the list can take it.
    if (m_items.size() == m_items.capacity())
        m_items.reserve(m_items.empty() ? 16 : 2 * m_items.size());
    m_items.push_back(ObjectRoot::Make<Payment>());
    return m_items.back();
}

STDMETHODIMP Payments::Item(long index, ICorvanePayment** payment)
{
    return GuardPlain([&] {
        if (!payment)
            return E_POINTER;
        *payment = nullptr;
        if (HRESULT hr = Enter(L"Item"); FAILED(hr))
            return hr;
        if (index < 0 || index >= static_cast<long>(m_items.size()))
            return E_INVALIDARG;
        return m_items[static_cast<size_t>(index)].CopyTo(payment);
    });
}

STDMETHODIMP Payments::get_Count(long* count)
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"get_Count"); FAILED(hr))
            return hr;
        if (!count)
            return E_POINTER;
        *count = static_cast<long>(m_items.size());
        return S_OK;
    });
}

// ---- BankAccount and BankRecord --------------------------------------------

namespace {
// A copy of text with its length; null when text is null or memory ran out.
Bstr Dup(BSTR text) { return text ? Bstr(std::wstring_view(text, SysStringLen(text))) : Bstr(); }

HRESULT GetBstr(const wchar_t* member, const Bstr& field, BSTR* value) noexcept
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(member); FAILED(hr))
            return hr;
        if (!value)
            return E_POINTER;
        *value = Dup(field.Get()).Detach();
        return S_OK;
    });
}

HRESULT PutBstr(Bstr& field, BSTR value) noexcept
{
    return GuardPlain([&] {
        // The old value stays when the copy cannot be made.
        Bstr copy = Dup(value);
        if (value && !copy.Get())
            return E_OUTOFMEMORY;
        field = std::move(copy);
        return S_OK;
    });
}
} // namespace

BankAccount::BankAccount(BSTR sortCode, BSTR accountNumber) : m_sortCode(Dup(sortCode)), m_accountNumber(Dup(accountNumber))
{
}

STDMETHODIMP BankAccount::get_SortCode(BSTR* value) { return GetBstr(L"get_SortCode", m_sortCode, value); }
STDMETHODIMP BankAccount::put_SortCode(BSTR value) { return PutBstr(m_sortCode, value); }
STDMETHODIMP BankAccount::get_AccountName(BSTR* value) { return GetBstr(L"get_AccountName", m_accountName, value); }
STDMETHODIMP BankAccount::put_AccountName(BSTR value) { return PutBstr(m_accountName, value); }
STDMETHODIMP BankAccount::get_AccountNumber(BSTR* value) { return GetBstr(L"get_AccountNumber", m_accountNumber, value); }
STDMETHODIMP BankAccount::put_AccountNumber(BSTR value) { return PutBstr(m_accountNumber, value); }

BankRecord::BankRecord(ComPtr<BankAccount> account) : m_account(std::move(account)) {}

STDMETHODIMP BankRecord::get_Account(ICorvaneBankAccount** account)
{
    return GuardPlain([&] {
        if (!account)
            return E_POINTER;
        *account = nullptr;
        if (HRESULT hr = Enter(L"get_Account"); FAILED(hr))
            return hr;
        return m_account.CopyTo(account);
    });
}

STDMETHODIMP BankRecord::get_BankName(BSTR* name)
{
    return GuardPlain([&] { return CopyOut(L"RBS/NatWest Internet Bankline", name); });
}

// ---- StatementLine ---------------------------------------------------------

StatementLine::StatementLine(long index) : m_index(index) {}

HRESULT StatementLine::GetText(const wchar_t* member, int index, BSTR* value) noexcept
{
    return GuardPlain([&] {
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
    });
}

HRESULT StatementLine::PutText(const wchar_t* member, int index, BSTR value) noexcept
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(member); FAILED(hr))
            return hr;
        m_text[index].Assign(value, value ? SysStringLen(value) : 0);
        return S_OK;
    });
}

STDMETHODIMP StatementLine::get_Index(long* value) { return GetField<long>(L"get_Index", m_index, value); }

STDMETHODIMP StatementLine::get_LineNumber(VARIANT* value)
{
    return GuardPlain([&] {
        if (!value)
            return E_POINTER;
        VariantInit(value);
        return VariantCopy(value, m_lineNumber.Get());
    });
}

STDMETHODIMP StatementLine::put_LineNumber(VARIANT* value)
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"put_LineNumber"); FAILED(hr))
            return hr;
        if (!value)
            return E_POINTER;
        return VariantCopy(m_lineNumber.Get(), value);
    });
}

STDMETHODIMP StatementLine::get_Date(DATE* value) { return GetField<DATE>(nullptr, m_date, value); }

STDMETHODIMP StatementLine::put_Date(DATE value) { return PutField<DATE>(L"put_Date", m_date, value); }

STDMETHODIMP StatementLine::get_TransactionType(long* value) { return GetField<long>(L"get_TransactionType", m_transactionType, value); }
STDMETHODIMP StatementLine::put_TransactionType(long value) { return PutField<long>(L"put_TransactionType", m_transactionType, value); }

STDMETHODIMP StatementLine::get_ValueDate(DATE* value) { return GetField<DATE>(nullptr, m_valueDate, value); }

STDMETHODIMP StatementLine::put_ValueDate(DATE value) { return PutField<DATE>(nullptr, m_valueDate, value); }

STDMETHODIMP StatementLine::get_Reconciled(long* value) { return GetField<long>(L"get_Reconciled", m_reconciled, value); }
STDMETHODIMP StatementLine::put_Reconciled(long value) { return PutField<long>(L"put_Reconciled", m_reconciled, value); }
STDMETHODIMP StatementLine::get_MatchedEntry(long* value) { return GetField<long>(L"get_MatchedEntry", m_matched, value); }
STDMETHODIMP StatementLine::put_MatchedEntry(long value) { return PutField<long>(L"put_MatchedEntry", m_matched, value); }
STDMETHODIMP StatementLine::get_Flags(long* value) { return GetField<long>(L"get_Flags", m_flags, value); }
STDMETHODIMP StatementLine::put_Flags(long value) { return PutField<long>(L"put_Flags", m_flags, value); }

STDMETHODIMP StatementLine::get_ExchangeRate(double* value) { return GetField<double>(nullptr, m_exchangeRate, value); }

STDMETHODIMP StatementLine::put_ExchangeRate(double value) { return PutField<double>(nullptr, m_exchangeRate, value); }

STDMETHODIMP StatementLine::get_Amount(double* value) { return GetField<double>(nullptr, m_amount, value); }

STDMETHODIMP StatementLine::put_Amount(double value) { return PutField<double>(L"put_Amount", m_amount, value); }

// ---- BankStatement ---------------------------------------------------------

STDMETHODIMP BankStatement::get_Count(long* count)
{
    return GuardPlain([&] {
        if (!count)
            return E_POINTER;
        *count = static_cast<long>(m_lines.size());
        return S_OK;
    });
}

STDMETHODIMP BankStatement::Item(long index, ICorvaneStatementLine** line)
{
    return GuardPlain([&] {
        if (!line)
            return E_POINTER;
        *line = nullptr;
        if (index < 0 || index >= static_cast<long>(m_lines.size()))
            return E_INVALIDARG;
        return m_lines[static_cast<size_t>(index)].CopyTo(line);
    });
}

STDMETHODIMP BankStatement::AddLine(ICorvaneStatementLine** line)
{
    return GuardPlain([&] {
        if (!line)
            return E_POINTER;
        *line = nullptr;
        const HRESULT hr = Enter(L"AddLine");
        if (FAILED(hr))
            return hr;
        if (hr == S_FALSE)
            return S_OK; // told to hand out no line at all
        // A line the list cannot take goes again at once: none is left
        // alive, counted, with no owner.
        ComPtr<StatementLine> created = ObjectRoot::Make<StatementLine>(static_cast<long>(m_lines.size()));
        m_lines.push_back(std::move(created));
        return m_lines.back().CopyTo(line);
    });
}

STDMETHODIMP BankStatement::Clear()
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"Clear"); FAILED(hr))
            return hr;
        m_lines.clear();
        return S_OK;
    });
}

STDMETHODIMP BankStatement::get_StatementDate(DATE* value)
{
    return GuardPlain([&] {
        if (!value)
            return E_POINTER;
        *value = 0;
        return S_OK;
    });
}

STDMETHODIMP BankStatement::get_Balance(double* value) { return GetField<double>(nullptr, m_balance, value); }

STDMETHODIMP BankStatement::put_Balance(double value) { return PutField<double>(L"put_Balance", m_balance, value); }

} // namespace corvane
