// The payments file of corvane pay: read and checked row by row before
// anything is asked of COM, then made into the host's batch.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "CorvaneBankPayments.h"
#include "CorvaneHostTest.h"
#include "com/com_holders.h"
#include "host/corvane/csv.h"

namespace corvane {

// One row of the payments file, checked and converted.
struct PaymentRow {
    bool hasAmount = false, hasStatusCode = false;
    double amount = 0;
    long statusCode = 0;
    std::vector<std::pair<std::string, std::wstring>> texts; // column, value

    // The value of a text column; empty when the row has none.
    std::wstring Wide(const char* column) const;
    std::string Utf8(const char* column) const;
};

// Reads and checks the payments file, so that every input error names its
// line and field. Returns 0 or the exit code after the reason.
int ReadPayments(const std::wstring& path, std::vector<PaymentRow>& rows, TextEncoding& encoding);
// Builds the host's batch, one payment per row.
bool BuildBatch(ICorvaneHostControl* host, const std::vector<PaymentRow>& rows, qf::ComPtr<ICorvanePayments>& batch);

} // namespace corvane
