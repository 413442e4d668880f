// corvane account-check: the component's UK modulus check of sort codes and
// account numbers, one pair from the command line or a CSV file of pairs.
// The pay command asks the same check of its payments.
#pragma once
#include <string>
#include <vector>

#include "accountcheck/account_advice.h"
#include "accountcheck/account_check.h"

namespace corvane {

int RunAccountCheck(const std::vector<std::wstring>& args);

// The check as the component's payment run makes it: the setting of
// BANKSERV.INI and the table in the settings folder or the built-in one.
// A problem with either is a warning on standard error.
class HostAccountCheck {
public:
    HostAccountCheck();
    bool Off() const { return m_off; }
    // A payment's pair as the host holds it. Checked only when the
    // payment's own checks let it through (a sort code of six digits among
    // any separators, an account number of exactly eight digits); otherwise
    // Unchecked, as its status code says what is wrong.
    qf::AccountCheck Check(const std::string& sortCode, const std::string& accountNumber) const;

private:
    bool m_off = false;
    qf::ModulusTableInUse m_table;
};

} // namespace corvane
