// An in-memory payment that records every read and StatusCode write, so
// tests can check the order in which a writer talks to the host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "payments/payment_source.h"

namespace qf::test {

struct PaymentData {
    double amount = 0;
    const char* payerSortCode = "";
    const char* payerAccountNumber = "";
    const char* payeeBACSReference = "";
    const char* payeeSortCode = "";
    const char* payeeAccountNumber = "";
    const char* payeeAccountName = "";
    const char* payeeRollNumber = "";
    const char* details = "";
    std::int32_t statusCode = 0;
    // The host's name has characters even though its conversion is "".
    bool nameHasHostText = false;
    // Properties whose reads fail (and read as "" or 0, as from the host).
    std::vector<PaymentProperty> unreadable;
};

constexpr std::int32_t kHostFailure = static_cast<std::int32_t>(0x80004005u);

class FakePayment : public Payment {
public:
    explicit FakePayment(const PaymentData& data) : m_data(data) {}

    double Amount() override
    {
        Read("Amount");
        return Failed(PaymentProperty::Amount) ? 0 : m_data.amount;
    }
    CString PayerSortCode() override { return Text(PaymentProperty::PayerSortCode, m_data.payerSortCode); }
    CString PayerAccountNumber() override
    {
        return Text(PaymentProperty::PayerAccountNumber, m_data.payerAccountNumber);
    }
    CString PayeeBACSReference() override
    {
        return Text(PaymentProperty::PayeeBACSReference, m_data.payeeBACSReference);
    }
    CString PayeeSortCode() override { return Text(PaymentProperty::PayeeSortCode, m_data.payeeSortCode); }
    CString PayeeAccountNumber() override
    {
        return Text(PaymentProperty::PayeeAccountNumber, m_data.payeeAccountNumber);
    }
    HostText PayeeAccountName() override
    {
        HostText name;
        name.text = Text(PaymentProperty::PayeeAccountName, m_data.payeeAccountName);
        name.empty = name.text.IsEmpty() && (!m_data.nameHasHostText || ReadFailed(PaymentProperty::PayeeAccountName));
        return name;
    }
    CString PayeeRollNumber() override { return Text(PaymentProperty::PayeeRollNumber, m_data.payeeRollNumber); }
    CString Details() override { return Text(PaymentProperty::Details, m_data.details); }
    std::int32_t StatusCode() override
    {
        Read("StatusCode");
        return Failed(PaymentProperty::StatusCode) ? 0 : m_data.statusCode;
    }

    std::int32_t Status() const { return m_data.statusCode; }
    const std::vector<std::string>& Log() const { return m_log; }

private:
    void StoreStatusCode(std::int32_t code) override
    {
        m_log.push_back("StatusCode=" + std::to_string(code));
        m_data.statusCode = code;
    }
    void Read(const char* property) { m_log.push_back(property); }
    // Whether the read of property fails; the failure is noted as the host's would be.
    bool Failed(PaymentProperty property)
    {
        for (PaymentProperty p : m_data.unreadable)
            if (p == property) {
                NoteFault(property, false, kHostFailure);
                return true;
            }
        return false;
    }
    CString Text(PaymentProperty property, const char* value)
    {
        Read(PropertyName(property));
        return Failed(property) ? CString() : CString(value);
    }

    PaymentData m_data;
    std::vector<std::string> m_log;
};

} // namespace qf::test
