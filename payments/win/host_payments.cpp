#include "payments/win/host_payments.h"

#include "payments/payment_text.h"

namespace qf {

// A text property through the ANSI code page, at most 255 characters. A
// property the host fails to deliver reads as empty text and is noted.
HostText HostPayment::ReadText(PaymentProperty property, HRESULT (STDMETHODCALLTYPE ICorvanePayment::*get)(BSTR*))
{
    Bstr value;
    HostText result;
    const HRESULT hr = (m_payment.Get()->*get)(value.Put());
    if (FAILED(hr)) {
        NoteFault(property, false, hr);
        return result;
    }
    result.empty = value.Length() == 0;
    result.text = NarrowText(value.Get(), value.Length());
    return result;
}

double HostPayment::Amount()
{
    double amount = 0;
    const HRESULT hr = m_payment->get_Amount(&amount);
    if (FAILED(hr)) {
        NoteFault(PaymentProperty::Amount, false, hr);
        return 0;
    }
    return amount;
}

CString HostPayment::PayerSortCode()
{
    return ReadText(PaymentProperty::PayerSortCode, &ICorvanePayment::get_PayerSortCode).text;
}
CString HostPayment::PayerAccountNumber()
{
    return ReadText(PaymentProperty::PayerAccountNumber, &ICorvanePayment::get_PayerAccountNumber).text;
}
CString HostPayment::PayeeBACSReference()
{
    return ReadText(PaymentProperty::PayeeBACSReference, &ICorvanePayment::get_PayeeBACSReference).text;
}
CString HostPayment::PayeeSortCode()
{
    return ReadText(PaymentProperty::PayeeSortCode, &ICorvanePayment::get_PayeeSortCode).text;
}
CString HostPayment::PayeeAccountNumber()
{
    return ReadText(PaymentProperty::PayeeAccountNumber, &ICorvanePayment::get_PayeeAccountNumber).text;
}
HostText HostPayment::PayeeAccountName()
{
    return ReadText(PaymentProperty::PayeeAccountName, &ICorvanePayment::get_PayeeAccountName);
}
CString HostPayment::PayeeRollNumber()
{
    return ReadText(PaymentProperty::PayeeRollNumber, &ICorvanePayment::get_PayeeRollNumber).text;
}
CString HostPayment::Details() { return ReadText(PaymentProperty::Details, &ICorvanePayment::get_Details).text; }

std::int32_t HostPayment::StatusCode()
{
    long code = 0;
    const HRESULT hr = m_payment->get_StatusCode(&code);
    if (FAILED(hr)) {
        NoteFault(PaymentProperty::StatusCode, false, hr);
        return 0;
    }
    return code;
}

void HostPayment::StoreStatusCode(std::int32_t code)
{
    const HRESULT hr = m_payment->put_StatusCode(code);
    if (FAILED(hr))
        NoteFault(PaymentProperty::StatusCode, true, hr);
}
std::int32_t HostPaymentBatch::Count()
{
    long count = 0;
    if (!m_payments || FAILED(m_payments->get_Count(&count)))
        return 0;
    return count;
}

std::unique_ptr<Payment> HostPaymentBatch::Item(std::int32_t index)
{
    ComPtr<ICorvanePayment> payment;
    if (!m_payments || FAILED(m_payments->Item(index, payment.Put())) || !payment)
        return nullptr;
    return std::make_unique<HostPayment>(std::move(payment));
}

bool ReadBankAccount(ICorvaneBankRecord* bank, CString& sortCodeDigits, CString& accountNumber)
{
    ComPtr<ICorvaneBankAccount> account;
    if (!bank || FAILED(bank->get_Account(account.Put())) || !account)
        return false;
    Bstr sortCode, number;
    sortCodeDigits = SUCCEEDED(account->get_SortCode(sortCode.Put())) ? DigitsOnly(CString(sortCode.Get())) : CString();
    // A null BSTR is COM's empty string.
    accountNumber = SUCCEEDED(account->get_AccountNumber(number.Put())) && number.Get() ? CString(number.Get())
                                                                                          : CString();
    return true;
}

} // namespace qf
