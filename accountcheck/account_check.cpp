#include "accountcheck/account_check.h"

#include <cstring>

namespace qf {
namespace {

// Positions of the fourteen digits: the sort code u..z, the account a..h.
enum Position { U = 0, A = 6, B = 7, C = 8, G = 12, H = 13 };

struct Number {
    int d[14];
    void SetSortCode(std::int32_t code)
    {
        for (int i = 5; i >= 0; --i, code /= 10)
            d[i] = code % 10;
    }
};

bool ReadDigits(const char* text, int count, int* out)
{
    if (!text)
        return false;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        out[i] = text[i] - '0';
    }
    return text[count] == '\0';
}

int SumOfDigits(int value)
{
    int sum = 0;
    for (value = value < 0 ? -value : value; value > 0; value /= 10)
        sum += value % 10;
    return sum;
}

int Remainder(int total, int modulus) { return ((total % modulus) + modulus) % modulus; }

// Weights that exception 2 puts in place of the row's, for account numbers
// that do not begin with 0: one set when g is 9, another otherwise.
const std::int16_t kExceptionTwoWeights[14] = {0, 0, 1, 2, 5, 3, 6, 4, 8, 7, 10, 9, 3, 1};
const std::int16_t kExceptionTwoNineWeights[14] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 7, 10, 9, 3, 1};

// One row's check of number, with the changes its exception rule makes.
bool PassesRow(const ModulusTable& table, const ModulusRow& row, Number number)
{
    std::int16_t weights[14];
    std::memcpy(weights, row.weights, sizeof weights);
    const auto zeroSortCodeAndAb = [&weights] { std::memset(weights, 0, 8 * sizeof weights[0]); };
    const int g = number.d[G], h = number.d[H];
    switch (row.exception) {
    case 2:
        // Account numbers that do not begin with 0 at these sort codes are
        // weighed in a way of their own.
        if (number.d[A] != 0)
            std::memcpy(weights, g == 9 ? kExceptionTwoNineWeights : kExceptionTwoWeights, sizeof weights);
        break;
    case 5: {
        // Some sort codes are checked as if they were another.
        std::int32_t code = 0;
        for (int i = 0; i < 6; ++i)
            code = code * 10 + number.d[i];
        number.SetSortCode(table.Substitute(code));
        break;
    }
    case 7:
        if (g == 9)
            zeroSortCodeAndAb();
        break;
    case 8:
        // These sort codes are checked as 09-01-26.
        number.SetSortCode(90126);
        break;
    case 9:
        // The second check of an exception 2 sort code: the account may be a
        // euro account, and those are all held at 30-96-34.
        number.SetSortCode(309634);
        break;
    case 10: {
        const int ab = number.d[A] * 10 + number.d[B];
        if ((ab == 9 || ab == 99) && g == 9)
            zeroSortCodeAndAb();
        break;
    }
    default:
        break;
    }

    int total = 0;
    for (int i = 0; i < 14; ++i) {
        const int product = number.d[i] * weights[i];
        total += row.method == ModulusMethod::DBLAL ? SumOfDigits(product) : product;
    }
    switch (row.method) {
    case ModulusMethod::MOD10:
        return Remainder(total, 10) == 0;
    case ModulusMethod::MOD11: {
        const int remainder = Remainder(total, 11);
        // Exception 4: the last two digits are the remainder itself.
        if (row.exception == 4)
            return remainder == g * 10 + h;
        // Exception 5: g is a check digit, 11 less the remainder (0 for 0;
        // no digit can stand for a remainder of 1).
        if (row.exception == 5)
            return remainder == 0 ? g == 0 : remainder != 1 && 11 - remainder == g;
        return remainder == 0;
    }
    case ModulusMethod::DBLAL: {
        // Exception 1: the total is taken 27 higher.
        const int remainder = Remainder(total + (row.exception == 1 ? 27 : 0), 10);
        // Exception 5: h is a check digit, 10 less the remainder (0 for 0).
        if (row.exception == 5)
            return remainder == 0 ? h == 0 : 10 - remainder == h;
        return remainder == 0;
    }
    }
    return false;
}

// Whether the pair of exceptions lets either check alone make the account
// valid (the sort code's accounts follow either of two rules), rather than
// needing both.
bool EitherCheckSuffices(const ModulusRow& first, const ModulusRow& second)
{
    return (first.exception == 2 && second.exception == 9) || (first.exception == 10 && second.exception == 11) ||
           (first.exception == 12 && second.exception == 13);
}

} // namespace

AccountCheck CheckAccount(const ModulusTable& table, const char* sortCode, const char* accountNumber)
{
    AccountCheck check;
    Number number{};
    if (!ReadDigits(sortCode, 6, number.d) || !ReadDigits(accountNumber, 8, number.d + 6))
        return check;
    std::int32_t code = 0;
    for (int i = 0; i < 6; ++i)
        code = code * 10 + number.d[i];
    const ModulusTable::Rows rows = table.Find(code);
    if (rows.count == 0)
        return check;

    bool foreignCurrency = false;
    for (int i = 0; i < rows.count; ++i) {
        const std::uint8_t exception = rows.row[i]->exception;
        if (exception != 0 && (check.exceptionCount == 0 || check.exceptions[0] != exception))
            check.exceptions[check.exceptionCount++] = exception;
        // Exception 6: accounts beginning with 4 to 8 whose last two digits
        // are the same are foreign currency accounts, which no check fits.
        const int a = number.d[A];
        if (exception == 6 && a >= 4 && a <= 8 && number.d[G] == number.d[H])
            foreignCurrency = true;
    }
    if (foreignCurrency) {
        check.result = AccountCheckResult::Valid;
        return check;
    }

    const auto run = [&](const ModulusRow& row) {
        check.methods[check.methodCount++] = row.method;
        return PassesRow(table, row, number);
    };
    bool valid = run(*rows.row[0]);
    if (rows.count == 1) {
        // Exception 14: an account that fails may carry a trailing 0, 1 or 9
        // that is no part of the number; without it (and with a 0 in front)
        // it is checked again.
        const int h = number.d[H];
        if (!valid && rows.row[0]->exception == 14 && (h == 0 || h == 1 || h == 9)) {
            Number shifted = number;
            for (int i = H; i > A; --i)
                shifted.d[i] = shifted.d[i - 1];
            shifted.d[A] = 0;
            valid = PassesRow(table, *rows.row[0], shifted);
        }
    } else {
        const ModulusRow& second = *rows.row[1];
        if (EitherCheckSuffices(*rows.row[0], second)) {
            if (!valid)
                valid = run(second);
        } else if (valid) {
            // Exception 3: accounts whose c is 6 or 9 pass on the first check.
            const int c = number.d[C];
            if (!(second.exception == 3 && (c == 6 || c == 9)))
                valid = run(second);
        }
    }
    check.result = valid ? AccountCheckResult::Valid : AccountCheckResult::Invalid;
    return check;
}

const char* ResultName(AccountCheckResult result)
{
    switch (result) {
    case AccountCheckResult::Valid:
        return "valid";
    case AccountCheckResult::Invalid:
        return "invalid";
    case AccountCheckResult::Unchecked:
        break;
    }
    return "unchecked";
}

const char* MethodName(ModulusMethod method)
{
    switch (method) {
    case ModulusMethod::MOD10:
        return "MOD10";
    case ModulusMethod::MOD11:
        return "MOD11";
    case ModulusMethod::DBLAL:
        break;
    }
    return "DBLAL";
}

std::string CheckDetail(const AccountCheck& check)
{
    std::string detail;
    for (int i = 0; i < check.methodCount; ++i) {
        if (!detail.empty())
            detail += ' ';
        detail += MethodName(check.methods[i]);
    }
    if (check.exceptionCount > 0) {
        if (!detail.empty())
            detail += ' ';
        detail += check.exceptionCount == 1 ? "exception" : "exceptions";
        for (int i = 0; i < check.exceptionCount; ++i)
            detail += ' ' + std::to_string(check.exceptions[i]);
    }
    return detail;
}

} // namespace qf
