// The checks a payment passes while its record is written, and the status
// codes they leave on the host's payment.
//
// The host shows a code's meaning through the payment service's status
// text (string resource 300 + code). Codes 21 to 35 follow the order of the
// host payment's properties; the component assigns only those below, the
// rest exist for the host's own use. 36 marks a payment left out because it
// was paid before. A property that goes into the file, or
// decides how the record is written, and that the host fails to deliver
// fails the payment with that property's code (or, where the property has
// none of its own, the code of the check that reads it).
#pragma once
#include <cstdint>
#include <limits>

#include "payments/payment_text.h"
#include "text/cstring.h"

namespace qf {

enum PaymentStatus : std::int32_t {
    kPaymentOk = 0,                   // stored when a payment's record is begun
    kInvalidAmount = 21,              // not above the smallest payable amount
    kInvalidPayerSortCode = 23,       // not 6 digits once separators are gone
    kInvalidPayerAccountNumber = 24,  // not exactly 8 digits
    kInvalidPayeeSortCode = 28,
    kInvalidPayeeAccountNumber = 29,
    kMissingPayeeAccountName = 30,    // the host has no name at all
    kUnreadPayeeBACSReference = 27,   // the host failed to deliver it
    kUnreadPayeeRollNumber = 31,      // likewise
    kUnreadStatusCode = 35,           // the IAT mark cannot be known
    kPaidBefore = 36,                 // left out: written to a payment file before (or twice in the batch)
};

// Status texts exist for 0 and 20 to this code.
constexpr std::int32_t kLastPaymentStatus = 36;

// Not a status: the options dialog stores it to mark an Inter Account
// Transfer, and the Standard and Template writers read any non-zero value
// left in StatusCode as that mark.
constexpr std::int32_t kIatMark = 1;
// No mark: what Reset and Cancel leave in StatusCode.
constexpr std::int32_t kNoMark = 0;

// An amount must be above 0.0000005 taken in single precision, which is
// 4.999999987376214e-07 as a double (the double 5e-7 itself lies just above
// it and passes). An infinite amount would be written as "inf": no bank can
// pay it, so it is refused too.
constexpr double kSmallestAmountRefused = static_cast<double>(5e-7f);
inline bool IsValidAmount(double amount)
{
    return amount > kSmallestAmountRefused && amount <= std::numeric_limits<double>::max();
}

// The host's sort code: it must hold exactly six digits, whatever
// separators stand between them (12-34-56 and 12 34 56 both pass).
inline bool IsValidSortCode(const char* text)
{
    int digits = 0;
    for (const char* p = text; *p; ++p)
        digits += IsAsciiDigit(static_cast<unsigned char>(*p)) ? 1 : 0;
    return digits == 6;
}

// The host's account number as it is, nothing removed.
inline bool IsValidAccountNumber(const CString& text) { return text.GetLength() == 8 && IsAllDigits(text); }

// hostEmpty: whether the host's name had no characters. A name that only
// holds characters the file cannot carry still passes (and is written empty).
inline bool IsValidPayeeAccountName(bool hostEmpty) { return !hostEmpty; }

} // namespace qf
