// How the payment writers and the options dialog see the host's batch.
//
// On Windows one adapter implements this over the host's payment objects;
// tests and benchmarks use plain in-memory objects. Every call is a read or
// write on the host, so callers make them in the order the file layouts
// give, and each text is read once where the layout needs it.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "text/cstring.h"

namespace qf {

// A text property as the host gave it. The name check asks whether the
// host's own text had no characters at all; its narrow conversion can be
// empty for other reasons (text that begins with an embedded zero).
struct HostText {
    CString text;      // narrow (ANSI code page), at most 255 characters
    bool empty = true; // the host's text had length 0 (a null text included)
};

// The properties of a payment that the component reads or writes.
enum class PaymentProperty : std::uint8_t {
    Amount,
    PayerSortCode,
    PayerAccountNumber,
    PayeeBACSReference,
    PayeeSortCode,
    PayeeAccountNumber,
    PayeeAccountName,
    PayeeRollNumber,
    Details,
    StatusCode,
};

// The property's name in the host's interface.
const char* PropertyName(PaymentProperty property) noexcept;

// A call on a payment that the host failed.
struct PaymentFault {
    PaymentProperty property;
    bool write;        // StatusCode could not be stored
    std::int32_t hr;   // the host's HRESULT
};

// One payment of the batch. A property the host fails to deliver reads as
// empty text or 0 and is noted among Faults(): the writers fail the payment
// rather than write a value nobody knows. A status code the host fails to
// take is noted too: the run cannot tell the host how that payment ended.
class Payment {
public:
    virtual ~Payment() = default;

    virtual double Amount() = 0; // pounds
    // Texts: narrow, at most 255 characters.
    virtual CString PayerSortCode() = 0;
    virtual CString PayerAccountNumber() = 0;
    virtual CString PayeeBACSReference() = 0;
    virtual CString PayeeSortCode() = 0;
    virtual CString PayeeAccountNumber() = 0;
    virtual HostText PayeeAccountName() = 0;
    virtual CString PayeeRollNumber() = 0;
    virtual CString Details() = 0;
    // The payment's status code (payment_checks.h), or 1 while the options
    // dialog has it marked as an Inter Account Transfer.
    virtual std::int32_t StatusCode() = 0;

    void SetStatusCode(std::int32_t code)
    {
        m_stored = code;
        m_hasStored = true;
        StoreStatusCode(code);
    }
    // The code this object last stored on the payment, if it stored one.
    bool StoredStatusCode(std::int32_t& code) const
    {
        code = m_stored;
        return m_hasStored;
    }

    // The host's failed calls on this object, oldest first.
    const std::vector<PaymentFault>& Faults() const noexcept { return m_faults; }
    bool ReadFailed(PaymentProperty property) const noexcept;
    bool StoreFailed() const noexcept;

protected:
    virtual void StoreStatusCode(std::int32_t code) = 0;
    void NoteFault(PaymentProperty property, bool write, std::int32_t hr) { m_faults.push_back({property, write, hr}); }

private:
    std::vector<PaymentFault> m_faults;
    std::int32_t m_stored = 0;
    bool m_hasStored = false;
};

// The host's batch: payments 0 .. Count() - 1.
class PaymentBatch {
public:
    virtual ~PaymentBatch() = default;

    // A failing host call counts as no payments.
    virtual std::int32_t Count() = 0;
    // Null when the host does not deliver the payment.
    virtual std::unique_ptr<Payment> Item(std::int32_t index) = 0;
};

} // namespace qf
