// corvane paid: what the component remembers of the payments written from
// an account, and --forget.
#pragma once
#include <string>
#include <vector>

namespace corvane {

int PaidCommand(const std::vector<std::wstring>& arguments);

} // namespace corvane
