// What the payment run makes of the account check: the setting, a newer
// table in the settings folder, the batch's pairs and the question.
#include "accountcheck/account_advice.h"
#include "accountcheck/account_check.h"
#include "payments/payment_account_check.h"
#include "platform/platform.h"
#include "tests/dialog/memory_batch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

using namespace qf;

namespace {

std::string g_debug;
void Capture(const char* text) { g_debug += text; }

class AccountAdviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_debug.clear();
        m_previous = platform::SetDebugSink(Capture);
        static int serial = 0;
        const std::filesystem::path folder = std::filesystem::temp_directory_path() /
            ("account-advice-" + std::to_string(std::time(nullptr)) + "-" + std::to_string(++serial));
        ASSERT_TRUE(std::filesystem::create_directories(folder));
        m_folder = folder.string() + "/";
    }
    void TearDown() override
    {
        platform::SetDebugSink(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    void Write(const char* name, const std::string& text)
    {
        std::FILE* f = std::fopen((m_folder + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }

    platform::DebugSinkFn m_previous = nullptr;
    std::string m_folder;
};

TEST_F(AccountAdviceTest, ModeIsWarnUnlessOff)
{
    const struct {
        const char* value;
        AccountCheckMode mode;
        bool diagnosed;
    } cases[] = {{"", AccountCheckMode::Warn, false},      {"Warn", AccountCheckMode::Warn, false},
                 {" warn ", AccountCheckMode::Warn, false}, {"Off", AccountCheckMode::Off, false},
                 {"OFF", AccountCheckMode::Off, false},     {"Of", AccountCheckMode::Warn, true},
                 {"0", AccountCheckMode::Warn, true}};
    for (const auto& c : cases) {
        g_debug.clear();
        EXPECT_EQ(ParseAccountCheckMode(c.value), c.mode) << c.value;
        EXPECT_EQ(!g_debug.empty(), c.diagnosed) << c.value;
    }
    EXPECT_NE(g_debug.find("[Account Check] Mode: '0' is not Warn or Off; Warn is used"), std::string::npos) << g_debug;
}

// A range the built-in table does not have: sort codes 00-00-01 to 00-00-09,
// MOD10 over the account number alone.
const char kAddedRange[] = "000001 000009 MOD10    0    0    0    0    0    0    1    1    1    1    1    1    1    1\r\n";

TEST_F(AccountAdviceTest, ANewerTableReplacesTheBuiltInOneOnlyWhenEveryLineParses)
{
    EXPECT_EQ(LoadModulusTable(m_folder).description, "built-in 8.50");
    EXPECT_EQ(CheckAccount(*LoadModulusTable(m_folder).table, "000005", "12345670").result, AccountCheckResult::Unchecked);

    const std::string rows = std::string(kAddedRange) +
                             "089999 089999 MOD10    0    0    0    0    0    0    8    7    6    5    4    3    2    1\r\n";
    Write(kWeightTableFileName, rows);
    ModulusTableInUse table = LoadModulusTable(m_folder);
    EXPECT_EQ(table.description, m_folder + "valacdos.txt (2 lines)");
    // 1+2+3+4+5+6+7+x must end in 0.
    EXPECT_EQ(CheckAccount(*table.table, "000005", "12345672").result, AccountCheckResult::Valid);
    EXPECT_EQ(CheckAccount(*table.table, "000005", "12345670").result, AccountCheckResult::Invalid);
    // The built-in substitutions stay without a file of the newer table's own.
    EXPECT_EQ(table.table->Substitute(938600), 938611);
    EXPECT_EQ(g_debug, "");

    Write(kSubstitutionTableFileName, "938600 938999\r\n");
    EXPECT_EQ(LoadModulusTable(m_folder).table->Substitute(938600), 938999);

    const struct {
        const char* file;
        std::string text;
        const char* diagnostic;
    } refused[] = {
        {kSubstitutionTableFileName, "938600 938999\r\n938601\r\n", "scsubtab.txt line 2: 1 fields, not 2"},
        {kWeightTableFileName, rows + "089999 089999 MOD12 0 0 0 0 0 0 8 7 6 5 4 3 2 1\r\n",
         "valacdos.txt line 3: 'MOD12' is not MOD10, MOD11 or DBLAL"},
        {kWeightTableFileName, "\r\n", "valacdos.txt: holds no ranges"},
    };
    for (const auto& r : refused) {
        g_debug.clear();
        Write(r.file, r.text);
        table = LoadModulusTable(m_folder);
        EXPECT_EQ(table.description, "built-in 8.50") << r.diagnostic;
        EXPECT_EQ(CheckAccount(*table.table, "000005", "12345672").result, AccountCheckResult::Unchecked);
        EXPECT_NE(g_debug.find(r.diagnostic), std::string::npos) << g_debug;
        EXPECT_NE(g_debug.find("the built-in table 8.50 is used instead"), std::string::npos) << g_debug;
    }
}

TEST_F(AccountAdviceTest, TheBatchNamesItsInvalidPairsAndCountsTheUnchecked)
{
    test::MemoryBatch batch(6);
    const struct {
        const char *sortCode, *account, *name;
    } payees[] = {
        {"08-99-99", "66374958", "Valid Ltd"},     // MOD10 passes
        {"08 99 99", "66374959", "Mistyped Ltd"},  // MOD10 fails
        {"00-00-00", "12345678", "Nowhere Ltd"},   // no range: unchecked
        {"10-79-99", "8883749", "Short Ltd"},      // refused by its own checks (code 29)
        {"10-79-9", "88837493", "Shortcode Ltd"},  // refused by its own checks (code 28)
        {"107999", "88837493", "Swapped Ltd"},     // MOD11 fails
    };
    for (std::size_t i = 0; i < batch.payments.size(); ++i) {
        batch.payments[i].payeeSortCode = payees[i].sortCode;
        batch.payments[i].payeeAccountNumber = payees[i].account;
        batch.payments[i].payeeAccountName = payees[i].name;
    }
    const BatchAccountCheck check = CheckBatchAccounts(batch, ModulusTable::BuiltIn());
    // The paying account of the memory batch (12-34-56 12345678) is checked once, first.
    const AccountCheckResult payer = CheckAccount(ModulusTable::BuiltIn(), "123456", "12345678").result;
    std::vector<std::string> named;
    for (const FailedAccount& f : check.invalid)
        named.push_back(f.name + " " + f.sortCode + " " + f.accountNumber);
    std::vector<std::string> expected = {"Mistyped Ltd 089999 66374959", "Swapped Ltd 107999 88837493"};
    if (payer == AccountCheckResult::Invalid)
        expected.insert(expected.begin(), "Paying account 123456 12345678");
    EXPECT_EQ(named, expected);
    EXPECT_EQ(check.unchecked, payer == AccountCheckResult::Unchecked ? 2 : 1);
    for (const test::StoredPayment& p : batch.payments)
        EXPECT_EQ(p.statusWrites, 0);
}

TEST_F(AccountAdviceTest, ThePayingAccountIsTheFirstPaymentsAndCheckedOnce)
{
    const char* const kValid = "10-79-99 88837491";
    const char* const kInvalid = "10-79-99 88837493";
    const struct {
        std::vector<const char*> payers; // sort code and account, one per payment
        bool named;                      // the paying account is among the invalid pairs
    } cases[] = {
        {{kInvalid}, true},
        {{kInvalid, kValid, kValid}, true},
        {{kValid, kInvalid, kInvalid}, false},
    };
    for (const auto& c : cases) {
        test::MemoryBatch batch(c.payers.size());
        for (std::size_t i = 0; i < c.payers.size(); ++i) {
            const std::string payer = c.payers[i];
            batch.payments[i].payerSortCode = payer.substr(0, 8);
            batch.payments[i].payerAccountNumber = payer.substr(9);
            batch.payments[i].payeeSortCode = "08-99-99";
            batch.payments[i].payeeAccountNumber = "66374958";
        }
        const BatchAccountCheck check = CheckBatchAccounts(batch, ModulusTable::BuiltIn());
        std::vector<std::string> named;
        for (const FailedAccount& f : check.invalid)
            named.push_back(f.name + " " + f.sortCode + " " + f.accountNumber);
        EXPECT_EQ(named, c.named ? std::vector<std::string>{"Paying account 107999 88837493"} : std::vector<std::string>{})
            << "a batch of " << c.payers.size() << ", the first paid from " << c.payers[0];
        EXPECT_EQ(check.unchecked, 0);
    }
}

TEST_F(AccountAdviceTest, TheQuestionNamesTheFirstTenAndCountsTheRest)
{
    std::vector<FailedAccount> failed;
    for (int i = 0; i < 12; ++i)
        failed.push_back({"Payee " + std::to_string(i), "08999" + std::to_string(i % 10), "6637495" + std::to_string(i % 10)});
    const std::string one = AccountWarningText({failed[0]});
    EXPECT_EQ(one, "This account number does not fit its sort code:\r\n\r\n"
                   "Payee 0   08-99-90   66374950\r\n\r\n"
                   "The UK modulus check says that no bank issues such an account number; payments to it are likely "
                   "to be returned.\r\n\r\nWrite the payment file anyway?");
    const std::string twelve = AccountWarningText(failed);
    EXPECT_NE(twelve.find("Payee 9   08-99-99   66374959\r\nand 2 more\r\n"), std::string::npos) << twelve;
    EXPECT_EQ(twelve.find("Payee 10"), std::string::npos);
    EXPECT_NE(twelve.find("payments to them are likely to be returned"), std::string::npos);
}

} // namespace
