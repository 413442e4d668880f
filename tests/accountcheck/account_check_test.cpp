// The modulus check against the published worked examples, and against the
// weight table itself, range by range.
#include "accountcheck/account_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace qf;

namespace {

const AccountCheckResult V = AccountCheckResult::Valid;
const AccountCheckResult I = AccountCheckResult::Invalid;

struct WorkedCase {
    const char* sortCode;
    const char* account;
    AccountCheckResult expected;
    const char* detail;
};

// The worked examples that come with the published tables, one for each
// rule, with the methods and exceptions the check reports for them.
const WorkedCase kWorkedCases[] = {
    {"089999", "66374958", V, "MOD10"},
    {"107999", "88837491", V, "MOD11"},
    {"202959", "63748472", V, "MOD11 DBLAL exception 6"},
    {"871427", "46238510", V, "MOD11 exceptions 10 11"},
    {"872427", "46238510", V, "MOD11 MOD11 exceptions 10 11"},
    {"871427", "09123496", V, "MOD11 exceptions 10 11"},
    {"871427", "99123496", V, "MOD11 exceptions 10 11"},
    {"820000", "73688637", V, "MOD11 exception 3"},
    {"827999", "73988638", V, "MOD11 exception 3"},
    {"827101", "28748352", V, "MOD11 DBLAL exception 3"},
    {"134020", "63849203", V, "MOD11 exception 4"},
    {"118765", "64371389", V, "DBLAL exception 1"},
    {"200915", "41011166", V, "exception 6"},
    {"938611", "07806039", V, "MOD11 DBLAL exception 5"},
    {"938600", "42368003", V, "MOD11 DBLAL exception 5"},
    {"938063", "55065200", V, "MOD11 DBLAL exception 5"},
    {"772798", "99345694", V, "MOD11 exception 7"},
    {"086090", "06774744", V, "MOD10 exception 8"},
    {"309070", "02355688", V, "MOD11 exceptions 2 9"},
    {"309070", "12345668", V, "MOD11 MOD11 exceptions 2 9"},
    {"309070", "12345677", V, "MOD11 exceptions 2 9"},
    {"309070", "99345694", V, "MOD11 exceptions 2 9"},
    {"938063", "15764273", I, "MOD11 DBLAL exception 5"},
    {"938063", "15764264", I, "MOD11 exception 5"},
    {"938063", "15763217", I, "MOD11 exception 5"},
    {"118765", "64371388", I, "DBLAL exception 1"},
    {"203099", "66831036", I, "MOD11 DBLAL exception 6"},
    {"203099", "58716970", I, "MOD11 exception 6"},
    {"089999", "66374959", I, "MOD10"},
    {"107999", "88837493", I, "MOD11"},
    {"074456", "12345112", V, "MOD11 exceptions 12 13"},
    {"070116", "34012583", V, "MOD11 exceptions 12 13"},
    {"074456", "11104102", V, "MOD11 MOD10 exceptions 12 13"},
    {"180002", "00000190", V, "MOD11 exception 14"},
    // Edges of the exception rules that the examples leave out.
    {"871427", "10831495", V, "MOD11 exceptions 10 11"}, // g is 9, ab is not 09 or 99: weighed as it is
    {"200915", "87654311", V, "exception 6"},            // begins with 8, fails the sums: foreign currency
    {"180002", "46238519", V, "MOD11 exception 14"},     // valid only without its trailing 9
    {"180002", "46238511", V, "MOD11 exception 14"},     // or 1
};

TEST(AccountCheckTest, WorkedExamples)
{
    for (const WorkedCase& c : kWorkedCases) {
        const AccountCheck check = CheckAccount(ModulusTable::BuiltIn(), c.sortCode, c.account);
        EXPECT_EQ(ResultName(check.result), std::string(ResultName(c.expected))) << c.sortCode << ' ' << c.account;
        EXPECT_EQ(CheckDetail(check), c.detail) << c.sortCode << ' ' << c.account;
    }
}

TEST(AccountCheckTest, SortCodeOutsideEveryRangeAndMalformedPairsAreUnchecked)
{
    const struct {
        const char *sortCode, *account;
    } cases[] = {{"000000", "12345678"}, {"999999", "12345678"}, {"08999", "66374958"}, {"089999", "6637495"},
                 {"089999", "663749580"}, {"08999x", "66374958"}, {nullptr, "66374958"}};
    for (const auto& c : cases) {
        const AccountCheck check = CheckAccount(ModulusTable::BuiltIn(), c.sortCode, c.account);
        EXPECT_EQ(check.result, AccountCheckResult::Unchecked) << (c.sortCode ? c.sortCode : "null");
        EXPECT_EQ(CheckDetail(check), "");
    }
}

// The sum that one row of the table asks for, worked out from the row alone:
// what the check must agree with where no exception changes it.
bool PassesPlainRow(const ModulusRow& row, const int (&digits)[14])
{
    int total = 0;
    for (int i = 0; i < 14; ++i) {
        int product = digits[i] * row.weights[i];
        if (row.method == ModulusMethod::DBLAL)
            product = product / 100 + product / 10 % 10 + product % 10;
        total += product;
    }
    const int modulus = row.method == ModulusMethod::MOD11 ? 11 : 10;
    return (total % modulus + modulus) % modulus == 0;
}

void Format(const int (&digits)[14], char (&sortCode)[7], char (&account)[9])
{
    for (int i = 0; i < 6; ++i)
        sortCode[i] = static_cast<char>('0' + digits[i]);
    for (int i = 0; i < 8; ++i)
        account[i] = static_cast<char>('0' + digits[6 + i]);
    sortCode[6] = account[8] = '\0';
}

// For the first and last sort code of every range: an account number that
// the range's rows accept (the last two digits chosen to fit), which the
// check must call valid, and the same number with its last digit changed.
// The number's a..e come from the sort code; f, g and h are searched.
// Where no exception applies, the check must agree with the plain sums of
// the rows on the changed number too; where one does, a valid number must
// still exist, or the rule has shut out every account of the range.
TEST(AccountCheckTest, EveryRangeAgreesWithItsRows)
{
    const ModulusTable& table = ModulusTable::BuiltIn();
    int checkedPlain = 0, changedInvalid = 0, checkedWithException = 0;
    for (const ModulusRow& range : table.AllRows()) {
        for (const std::int32_t code : {range.first, range.last}) {
            const ModulusTable::Rows rows = table.Find(code);
            ASSERT_GE(rows.count, 1) << code;
            bool plain = true;
            for (int r = 0; r < rows.count; ++r)
                plain = plain && rows.row[r]->exception == 0;
            int digits[14] = {};
            for (int i = 5, c = code; i >= 0; --i, c /= 10)
                digits[i] = c % 10;
            // a..e from the sort code, so that the numbers vary by range.
            for (int i = 0; i < 6; ++i)
                digits[6 + i] = (digits[i] + i + 3) % 10;
            char sortCode[7], account[9];
            bool found = false;
            for (int fgh = 0; fgh < 1000 && !found; ++fgh) {
                digits[11] = fgh / 100;
                digits[12] = fgh / 10 % 10;
                digits[13] = fgh % 10;
                Format(digits, sortCode, account);
                if (plain) {
                    found = PassesPlainRow(*rows.row[0], digits) && (rows.count == 1 || PassesPlainRow(*rows.row[1], digits));
                    if (found) {
                        EXPECT_EQ(CheckAccount(table, sortCode, account).result, V) << sortCode << ' ' << account;
                    }
                } else {
                    found = CheckAccount(table, sortCode, account).result == V;
                }
            }
            if (!plain) {
                EXPECT_TRUE(found) << "no valid account number at " << sortCode;
                ++checkedWithException;
                continue;
            }
            if (!found)
                continue; // the rows' weights leave no number valid with these a..e
            ++checkedPlain;
            digits[13] = (digits[13] + 1) % 10;
            Format(digits, sortCode, account);
            const bool expected = PassesPlainRow(*rows.row[0], digits) && (rows.count == 1 || PassesPlainRow(*rows.row[1], digits));
            const AccountCheckResult result = CheckAccount(table, sortCode, account).result;
            EXPECT_EQ(result, expected ? V : I) << sortCode << ' ' << account;
            changedInvalid += result == I ? 1 : 0;
        }
    }
    // Nearly every range has a valid number and a changed digit breaks it;
    // a table read wrongly (weights shifted, rows lost) would not get here.
    EXPECT_GT(checkedPlain, 1000);
    EXPECT_GT(changedInvalid, checkedPlain * 9 / 10);
    EXPECT_GT(checkedWithException, 1200);
}

TEST(ModulusTableTest, ReadsThePublishedFilesAsTheBuildDid)
{
    // The data files themselves, through the parser that reads a newer table
    // from the settings folder: both must see the same rows.
    const auto read = [](const char* path) {
        std::string text;
        if (std::FILE* f = std::fopen(path, "rb")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
                text.append(buffer, n);
            std::fclose(f);
        }
        return text;
    };
    std::vector<ModulusRow> rows;
    std::vector<SortCodeSubstitution> substitutions;
    TableProblem problem;
    ASSERT_TRUE(ParseModulusRows(read(QF_WEIGHT_DATA), rows, problem)) << problem.line << ": " << problem.reason;
    ASSERT_TRUE(ParseSubstitutions(read(QF_SUBSTITUTION_DATA), substitutions, problem)) << problem.reason;
    const ModulusTable& builtIn = ModulusTable::BuiltIn();
    ASSERT_EQ(rows.size(), builtIn.AllRows().size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ModulusRow &a = rows[i], &b = builtIn.AllRows()[i];
        EXPECT_TRUE(a.first == b.first && a.last == b.last && a.method == b.method && a.exception == b.exception &&
                    std::equal(a.weights, a.weights + 14, b.weights))
            << "row " << i + 1;
    }
    EXPECT_EQ(substitutions.size(), 21u);
    EXPECT_EQ(builtIn.Substitute(938600), 938611);
    EXPECT_EQ(builtIn.Substitute(938611), 938611);
}

TEST(ModulusTableTest, RefusesATableByItsFirstBadLine)
{
    const std::string good = "010004 016715 MOD11    0    0    0    0    0    0    8    7    6    5    4    3    2    1\r\n";
    const std::string row = "089999 089999 MOD10 0 0 0 0 0 0 8 7 6 5 4 3 2 1";
    const struct {
        std::string line;
        const char* reason;
    } cases[] = {
        {"08999 089999 MOD10 0 0 0 0 0 0 8 7 6 5 4 3 2 1", "'08999' is not a six-digit sort code"},
        {"089999 089990 MOD10 0 0 0 0 0 0 8 7 6 5 4 3 2 1", "the range ends before it begins"},
        {"089999 089999 MOD12 0 0 0 0 0 0 8 7 6 5 4 3 2 1", "'MOD12' is not MOD10, MOD11 or DBLAL"},
        {"089999 089999 MOD10 0 0 0 0 0 0 8 7 6 5 4 3 2", "16 fields, not 17 or 18"},
        {row + " 15", "exception '15' is not 1 to 14"},
        {row + " 0", "exception '0' is not 1 to 14"},
        {"089999 089999 MOD10 0 0 x 0 0 0 8 7 6 5 4 3 2 1", "weight 'x' is not a number from -999 to 999"},
        {"089999 089999 MOD10 0 0 1000 0 0 0 8 7 6 5 4 3 2 1", "weight '1000' is not a number from -999 to 999"},
    };
    for (const auto& c : cases) {
        std::vector<ModulusRow> rows;
        TableProblem problem;
        EXPECT_FALSE(ParseModulusRows(good + "\r\n" + c.line + "\r\n" + good, rows, problem)) << c.line;
        EXPECT_EQ(problem.line, 3u) << c.line;
        EXPECT_EQ(problem.reason, c.reason);
    }

    // A third range over the same sort codes, and a file with no rows.
    std::vector<ModulusRow> rows;
    TableProblem problem;
    EXPECT_FALSE(ParseModulusRows(row + "\n" + row + "\n\n" + row + " 6\n", rows, problem));
    EXPECT_EQ(problem.line, 4u);
    EXPECT_FALSE(ParseModulusRows(" \r\n\r\n", rows, problem));
    EXPECT_EQ(problem.reason, "holds no ranges");

    std::vector<SortCodeSubstitution> substitutions;
    EXPECT_FALSE(ParseSubstitutions("938173 938017\n938289\n", substitutions, problem));
    EXPECT_EQ(problem.line, 2u);
    EXPECT_EQ(problem.reason, "1 fields, not 2");
    EXPECT_TRUE(ParseSubstitutions("938173 938017\n938289 938068", substitutions, problem));
    EXPECT_EQ(substitutions.size(), 2u);
}

} // namespace
