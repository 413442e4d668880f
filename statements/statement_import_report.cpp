#include "statements/statement_import_report.h"

namespace qf {

const char* SkipReasonText(SkipReason reason) noexcept
{
    switch (reason) {
    case SkipReason::TooFewFields:
        return "too few fields";
    case SkipReason::LineTooLong:
        return "line too long";
    case SkipReason::BeyondHeader:
        return "more fields than the header";
    case SkipReason::NotADate:
        return "date is not a date";
    case SkipReason::NotAnAmount:
        return "amount is not a number";
    }
    return "unreadable";
}

} // namespace qf
