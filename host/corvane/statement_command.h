// corvane statement: imports a statement file through the reconciliation
// service as the accounting application does, and prints what it received.
#pragma once
#include <string>
#include <vector>

namespace corvane {

int StatementCommand(const std::vector<std::wstring>& arguments);

} // namespace corvane
