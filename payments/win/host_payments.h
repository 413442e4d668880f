// The host's batch and payments as the payment writers and the options
// dialog see them (payment_source.h), over ICorvanePayments/ICorvanePayment.
#pragma once
#include "com/host_interfaces.h"
#include "payments/payment_source.h"
#include "com/com_holders.h"

namespace qf {

class HostPayment final : public Payment {
public:
    explicit HostPayment(ComPtr<ICorvanePayment> payment) : m_payment(std::move(payment)) {}

    double Amount() override;
    CString PayerSortCode() override;
    CString PayerAccountNumber() override;
    CString PayeeBACSReference() override;
    CString PayeeSortCode() override;
    CString PayeeAccountNumber() override;
    HostText PayeeAccountName() override;
    CString PayeeRollNumber() override;
    CString Details() override;
    std::int32_t StatusCode() override;

private:
    void StoreStatusCode(std::int32_t code) override;
    HostText ReadText(PaymentProperty property, HRESULT (STDMETHODCALLTYPE ICorvanePayment::*get)(BSTR*));

    ComPtr<ICorvanePayment> m_payment;
};

class HostPaymentBatch final : public PaymentBatch {
public:
    explicit HostPaymentBatch(ICorvanePayments* payments) : m_payments(payments) {}

    std::int32_t Count() override;
    std::unique_ptr<Payment> Item(std::int32_t index) override;

private:
    ComPtr<ICorvanePayments> m_payments;
};

// The account of the host's bank record: its sort code's digits and its
// account number as given (each empty when the host fails to give it).
// False without a record or an account.
bool ReadBankAccount(ICorvaneBankRecord* bank, CString& sortCodeDigits, CString& accountNumber);

} // namespace qf
