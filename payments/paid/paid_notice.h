// What the options dialog shows of the payments written before: each one's
// mark in the payment list, and the question asked on OK.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "payments/paid/paid_check.h"
#include "text/cstring.h"

namespace qf {

extern const char kPaidBeforeCaption[];

// The list's last column for each payment: "written 12/11/2026 to FILE" or
// "twice: as row 3"; "" for the others.
std::vector<CString> PaidMarks(const std::vector<PaidCheck>& checks);

// The question on OK: how many payments were written before and the
// latest date and file, how many are in the batch twice, and what Yes, No
// and Cancel do. When none is left to write after leaving them out, it says
// that the whole batch was written before. "" when every check is None.
std::string PaidBeforeQuestion(const std::vector<PaidCheck>& checks);

// Whether leaving them out would leave nothing to write.
bool WholeBatchPaidBefore(const std::vector<PaidCheck>& checks);

} // namespace qf
