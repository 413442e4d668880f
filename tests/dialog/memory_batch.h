// An in-memory batch whose payments keep what is written to them, with
// payments the "host" refuses to deliver.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "payments/payment_source.h"

namespace qf::test {

struct StoredPayment {
    double amount = 10;
    std::string payerSortCode = "12-34-56";
    std::string payerAccountNumber = "12345678";
    std::string payeeSortCode = "65-43-21";
    std::string payeeAccountNumber = "87654321";
    std::string payeeAccountName = "Payee";
    std::string payeeBACSReference = "REF";
    std::string details = "Details";
    std::int32_t statusCode = 0;
    bool delivered = true; // Item fails for this payment
    int statusWrites = 0;
};

class MemoryBatch : public PaymentBatch {
public:
    explicit MemoryBatch(std::size_t n = 0) : payments(n) {}

    std::int32_t Count() override { return static_cast<std::int32_t>(payments.size()); }
    std::unique_ptr<Payment> Item(std::int32_t index) override
    {
        if (index < 0 || index >= Count() || !payments[static_cast<std::size_t>(index)].delivered)
            return nullptr;
        return std::make_unique<View>(payments[static_cast<std::size_t>(index)]);
    }

    std::vector<std::int32_t> Codes() const
    {
        std::vector<std::int32_t> codes;
        for (const StoredPayment& p : payments)
            codes.push_back(p.statusCode);
        return codes;
    }

    std::vector<StoredPayment> payments;

private:
    class View : public Payment {
    public:
        explicit View(StoredPayment& p) : m_p(p) {}
        double Amount() override { return m_p.amount; }
        CString PayerSortCode() override { return m_p.payerSortCode.c_str(); }
        CString PayerAccountNumber() override { return m_p.payerAccountNumber.c_str(); }
        CString PayeeBACSReference() override { return m_p.payeeBACSReference.c_str(); }
        CString PayeeSortCode() override { return m_p.payeeSortCode.c_str(); }
        CString PayeeAccountNumber() override { return m_p.payeeAccountNumber.c_str(); }
        HostText PayeeAccountName() override { return {m_p.payeeAccountName.c_str(), m_p.payeeAccountName.empty()}; }
        CString PayeeRollNumber() override { return ""; }
        CString Details() override { return m_p.details.c_str(); }
        std::int32_t StatusCode() override { return m_p.statusCode; }

    private:
        void StoreStatusCode(std::int32_t code) override
        {
            m_p.statusCode = code;
            ++m_p.statusWrites;
        }

        StoredPayment& m_p;
    };
};

} // namespace qf::test
