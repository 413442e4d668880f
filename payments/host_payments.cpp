#include "payments/host_payments.h"

#include "payments/payment_text.h"

namespace qf {
namespace {

// A text property through the ANSI code page, at most 255 characters. A
// property the host fails to deliver reads as empty text.
HostText ReadText(ICorvanePayment* payment, HRESULT (STDMETHODCALLTYPE ICorvanePayment::*get)(BSTR*))
{
    Bstr value;
    HostText result;
    if (FAILED((payment->*get)(value.Put())))
        return result;
    result.empty = value.Length() == 0;
    result.text = NarrowText(value.Get(), value.Length());
    return result;
}

} // namespace

double HostPayment::Amount()
{
    double amount = 0;
    if (FAILED(m_payment->get_Amount(&amount)))
        return 0;
    return amount;
}

CString HostPayment::PayerSortCode() { return ReadText(m_payment.Get(), &ICorvanePayment::get_PayerSortCode).text; }
CString HostPayment::PayerAccountNumber() { return ReadText(m_payment.Get(), &ICorvanePayment::get_PayerAccountNumber).text; }
CString HostPayment::PayeeBACSReference() { return ReadText(m_payment.Get(), &ICorvanePayment::get_PayeeBACSReference).text; }
CString HostPayment::PayeeSortCode() { return ReadText(m_payment.Get(), &ICorvanePayment::get_PayeeSortCode).text; }
CString HostPayment::PayeeAccountNumber() { return ReadText(m_payment.Get(), &ICorvanePayment::get_PayeeAccountNumber).text; }
HostText HostPayment::PayeeAccountName() { return ReadText(m_payment.Get(), &ICorvanePayment::get_PayeeAccountName); }
CString HostPayment::PayeeRollNumber() { return ReadText(m_payment.Get(), &ICorvanePayment::get_PayeeRollNumber).text; }
CString HostPayment::Details() { return ReadText(m_payment.Get(), &ICorvanePayment::get_Details).text; }

std::int32_t HostPayment::StatusCode()
{
    long code = 0;
    if (FAILED(m_payment->get_StatusCode(&code)))
        return 0;
    return code;
}

void HostPayment::SetStatusCode(std::int32_t code)
{
    m_payment->put_StatusCode(code);
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

} // namespace qf
