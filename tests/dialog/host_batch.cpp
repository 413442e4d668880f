#include "tests/dialog/host_batch.h"

#include "payments/payment_text.h"

namespace qf::test {
namespace {

class HostPayment : public Payment {
public:
    explicit HostPayment(ComPtr<ICorvanePayment> p) : m_p(std::move(p)) {}

    double Amount() override
    {
        double value = 0;
        return SUCCEEDED(m_p->get_Amount(&value)) ? value : 0;
    }
    CString PayerSortCode() override { return Text(&ICorvanePayment::get_PayerSortCode); }
    CString PayerAccountNumber() override { return Text(&ICorvanePayment::get_PayerAccountNumber); }
    CString PayeeBACSReference() override { return Text(&ICorvanePayment::get_PayeeBACSReference); }
    CString PayeeSortCode() override { return Text(&ICorvanePayment::get_PayeeSortCode); }
    CString PayeeAccountNumber() override { return Text(&ICorvanePayment::get_PayeeAccountNumber); }
    HostText PayeeAccountName() override
    {
        Bstr text;
        HostText name;
        if (SUCCEEDED(m_p->get_PayeeAccountName(text.Put()))) {
            name.text = NarrowText(text.Text(), text.Length());
            name.empty = text.Length() == 0;
        }
        return name;
    }
    CString PayeeRollNumber() override { return Text(&ICorvanePayment::get_PayeeRollNumber); }
    CString Details() override { return Text(&ICorvanePayment::get_Details); }
    std::int32_t StatusCode() override
    {
        long code = 0;
        return SUCCEEDED(m_p->get_StatusCode(&code)) ? code : 0;
    }
    void SetStatusCode(std::int32_t code) override { m_p->put_StatusCode(code); }

private:
    CString Text(HRESULT (STDMETHODCALLTYPE ICorvanePayment::*get)(BSTR*))
    {
        Bstr text;
        if (FAILED((m_p.Get()->*get)(text.Put())))
            return CString();
        return NarrowText(text.Text(), text.Length());
    }

    ComPtr<ICorvanePayment> m_p;
};

} // namespace

std::int32_t HostBatch::Count()
{
    long count = 0;
    return SUCCEEDED(m_payments->get_Count(&count)) ? count : 0;
}

std::unique_ptr<Payment> HostBatch::Item(std::int32_t index)
{
    ComPtr<ICorvanePayment> payment;
    if (FAILED(m_payments->Item(index, payment.Put())) || !payment)
        return nullptr;
    return std::make_unique<HostPayment>(std::move(payment));
}

} // namespace qf::test
