// How the payment writers and the options dialog see the host's batch.
//
// On Windows one adapter implements this over the host's payment objects;
// tests and benchmarks use plain in-memory objects. Every call is a read or
// write on the host, so callers make them in the order the file layouts
// give, and each text is read once where the layout needs it.
#pragma once
#include <cstdint>
#include <memory>

#include "text/cstring.h"

namespace qf {

// A text property as the host gave it. The name check asks whether the
// host's own text had no characters at all; its narrow conversion can be
// empty for other reasons (text that begins with an embedded zero).
struct HostText {
    CString text;      // narrow (ANSI code page), at most 255 characters
    bool empty = true; // the host's text had length 0 (a null text included)
};

// One payment of the batch. A property the host fails to deliver reads as
// empty text or 0, so that the payment's checks report it.
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
    virtual void SetStatusCode(std::int32_t code) = 0;
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
