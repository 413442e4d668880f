// The UK modulus check of a sort code and account number: whether the pair
// is one that the account's bank could have issued. A pass proves only that
// the number is possible, not that the account exists or whose it is.
#pragma once
#include <cstdint>
#include <string>

#include "accountcheck/modulus_table.h"

namespace qf {

enum class AccountCheckResult : std::uint8_t {
    Valid,
    Invalid,
    // The table has no range for the sort code: no check applies, and the
    // bank takes the pair as it is.
    Unchecked,
};

struct AccountCheck {
    AccountCheckResult result = AccountCheckResult::Unchecked;
    // The methods of the checks that were computed, in order.
    ModulusMethod methods[2] = {};
    int methodCount = 0;
    // The exception rules of the sort code's rows (0: none), in row order;
    // a rule is named once even when both rows carry it.
    std::uint8_t exceptions[2] = {};
    int exceptionCount = 0;
};

// sortCode: six digits, accountNumber: eight (no separators). A pair of any
// other form is not looked at and comes back Unchecked.
AccountCheck CheckAccount(const ModulusTable& table, const char* sortCode, const char* accountNumber);

// "valid", "invalid", "unchecked".
const char* ResultName(AccountCheckResult result);
// "MOD10", "MOD11", "DBLAL".
const char* MethodName(ModulusMethod method);
// The methods and exception rules, separated by spaces:
// "MOD11 DBLAL exception 5", "MOD11 MOD11 exceptions 2 9", "" when unchecked.
std::string CheckDetail(const AccountCheck& check);

} // namespace qf
