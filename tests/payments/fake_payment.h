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
};

class FakePayment : public Payment {
public:
    explicit FakePayment(const PaymentData& data) : m_data(data) {}

    double Amount() override
    {
        Read("Amount");
        return m_data.amount;
    }
    CString PayerSortCode() override { return Text("PayerSortCode", m_data.payerSortCode); }
    CString PayerAccountNumber() override { return Text("PayerAccountNumber", m_data.payerAccountNumber); }
    CString PayeeBACSReference() override { return Text("PayeeBACSReference", m_data.payeeBACSReference); }
    CString PayeeSortCode() override { return Text("PayeeSortCode", m_data.payeeSortCode); }
    CString PayeeAccountNumber() override { return Text("PayeeAccountNumber", m_data.payeeAccountNumber); }
    HostText PayeeAccountName() override
    {
        HostText name;
        name.text = Text("PayeeAccountName", m_data.payeeAccountName);
        name.empty = name.text.IsEmpty() && !m_data.nameHasHostText;
        return name;
    }
    CString PayeeRollNumber() override { return Text("PayeeRollNumber", m_data.payeeRollNumber); }
    CString Details() override { return Text("Details", m_data.details); }
    std::int32_t StatusCode() override
    {
        Read("StatusCode");
        return m_data.statusCode;
    }
    void SetStatusCode(std::int32_t code) override
    {
        m_log.push_back("StatusCode=" + std::to_string(code));
        m_data.statusCode = code;
    }

    std::int32_t Status() const { return m_data.statusCode; }
    const std::vector<std::string>& Log() const { return m_log; }

private:
    void Read(const char* property) { m_log.push_back(property); }
    CString Text(const char* property, const char* value)
    {
        Read(property);
        return CString(value);
    }

    PaymentData m_data;
    std::vector<std::string> m_log;
};

} // namespace qf::test
