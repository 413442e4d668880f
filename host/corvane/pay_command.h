// corvane pay: exports a batch of payments through the bank's payment
// service as the accounting application does, and prints the outcome.
#pragma once
#include <string>
#include <vector>

namespace corvane {

int PayCommand(const std::vector<std::wstring>& arguments);
// Words for the payment service's Status, after its number.
std::string PaymentOutcomeWords(long status);

} // namespace corvane
