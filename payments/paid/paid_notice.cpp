#include "payments/paid/paid_notice.h"

#include <algorithm>

#include "platform/serial_date.h"

namespace qf {

const char kPaidBeforeCaption[] = "Payments written before";

namespace {

std::string Count(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The latest earlier writing among the checks, if any.
const PaidBefore* Latest(const std::vector<PaidCheck>& checks)
{
    const PaidBefore* latest = nullptr;
    for (const PaidCheck& c : checks)
        if (c.kind == PaidCheck::Kind::PaidBefore && (!latest || c.before.written > latest->written))
            latest = &c.before;
    return latest;
}

} // namespace

std::vector<CString> PaidMarks(const std::vector<PaidCheck>& checks)
{
    std::vector<CString> marks(checks.size());
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const PaidCheck& c = checks[i];
        if (c.kind == PaidCheck::Kind::PaidBefore)
            marks[i] = ("written " + DayText(c.before.written) + " to " + c.before.fileName).c_str();
        else if (c.kind == PaidCheck::Kind::Twin)
            marks[i] = ("twice: as row " + std::to_string(c.twinOf + 1)).c_str();
    }
    return marks;
}

bool WholeBatchPaidBefore(const std::vector<PaidCheck>& checks)
{
    return !checks.empty() &&
           std::none_of(checks.begin(), checks.end(), [](const PaidCheck& c) { return c.kind == PaidCheck::Kind::None; });
}

std::string PaidBeforeQuestion(const std::vector<PaidCheck>& checks)
{
    const std::size_t before = CountOf(checks, PaidCheck::Kind::PaidBefore);
    const std::size_t twins = CountOf(checks, PaidCheck::Kind::Twin);
    if (before + twins == 0)
        return {};
    const PaidBefore* latest = Latest(checks);
    const std::string where = latest ? "on " + DayText(latest->written) + " to " + latest->fileName : std::string();
    std::string text;
    // A twin's first is written, so a whole batch left out has no twin.
    const bool whole = WholeBatchPaidBefore(checks);
    if (whole) {
        text = "The whole batch was written to a payment file before, the latest " + where + ".";
    } else {
        if (before)
            text = Count(before, "payment of this batch was", "payments of this batch were") +
                   " written to a payment file before, the latest " + where + ".";
        if (twins)
            text += std::string(text.empty() ? "" : "\n") +
                    Count(twins, "payment repeats", "payments repeat") +
                    " an earlier one of this batch (same account, amount and reference).";
        text += "\nThey are marked in the list.";
    }
    text += whole ? "\n\nYes: leave them out; nothing is written." : "\n\nYes: leave them out of this file.";
    text += "\nNo: pay them again.\nCancel: back to the options.";
    return text;
}

} // namespace qf
