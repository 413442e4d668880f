// The statement import run end to end through COM: the statement service
// against the host's selector, configuration, bank record, statement and
// statement lines in CorvaneHost.dll. Statement files are written into the
// temporary folder and handed over as Windows paths.
//
// The service comes from the linked library, so that its warning box goes
// to a recorder instead of the screen; the service of Quillfen.dll itself
// runs the imports that end without a box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "objects/services.h"
#include "platform/win/win32_services.h"
#include "statements/journal/import_journal.h"
#include "tests/statements/version1_journal.h"
#include "build_stamp.h"
#include "quillfen_version.h"
#include "tests/support/com_test.h"
#include "tests/support/diagnostics_ini.h"

using namespace qf;
using namespace qf::test;

namespace {

const HRESULT kInvalidArg = static_cast<HRESULT>(0x800AFFFCu);
const wchar_t kStatementLabel[] = L"NatWest/RBS Bankline Statement";
const wchar_t kSelectorDefaultLabel[] = L"All files (*.*)";

const char kHeader18[] = "Sort Code,Account Number,Account Alias,Account Short Name,Currency,Account Type,BIC,"
                         "Bank Name,Branch Name,Date,Narrative #1,Narrative #2,Narrative #3,Narrative #4,"
                         "Narrative #5,Type,Debit,Credit";
const char kHeader14[] = "Sort Code,Account Number,Account Alias,Account Short Name,Currency,Account Type,BIC,"
                         "Bank Name,Branch Name,Date,Narrative #1,Type,Debit,Credit";

// The host's account in these tests and another one at the same branch.
const char kSort[] = "601613";
const char kAccount[] = "31926819";
const char kOtherAccount[] = "31926827";

// One transaction of a statement file, written in either layout. Amount
// texts go into the file as they are (quote them when they hold commas).
struct Txn {
    std::string sortCode = kSort;
    std::string account = kAccount;
    std::string date = "01/12/2026";
    std::string narrative1 = "HARTLEY TIMBER";
    std::string narrative2;
    std::string type = "BAC";
    std::string debit = "10.00";
    std::string credit;
};

Txn Of(std::string account, std::string debit, std::string credit = "")
{
    Txn t;
    t.account = std::move(account);
    t.debit = std::move(debit);
    t.credit = std::move(credit);
    return t;
}

std::string Row18(const Txn& t)
{
    return t.sortCode + "," + t.account + ",Trading,QUILLFEN LTD,GBP,Current,NWBKGB2L,NatWest,Bath," + t.date + "," +
           t.narrative1 + "," + t.narrative2 + ",,,," + t.type + "," + t.debit + "," + t.credit;
}

std::string Row14(const Txn& t)
{
    return t.sortCode + "," + t.account + ",Trading,QUILLFEN LTD,GBP,Current,NWBKGB2L,NatWest,Bath," + t.date + "," +
           t.narrative1 + "," + t.type + "," + t.debit + "," + t.credit;
}

std::string HeaderOf(int fields)
{
    std::string header = "Column 1";
    for (int i = 2; i <= fields; ++i)
        header += ",Column " + std::to_string(i);
    return header;
}

// The bank's export: one line each, CR LF after every line.
std::string Statement(const std::string& header, const std::vector<std::string>& rows)
{
    std::string text = header + "\r\n";
    for (const std::string& row : rows)
        text += row + "\r\n";
    return text;
}

// The boxes the run showed through the seam, in order.
struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};
std::vector<Box> g_boxes;
// The answers the user gives, in turn; IDOK when none is left.
std::vector<int> g_answers;

int RecordBox(HWND owner, const char* text, const char* caption, UINT style)
{
    g_boxes.push_back({owner, text ? text : "<null>", caption ? caption : "<null>", style});
    if (g_answers.empty())
        return IDOK;
    const int answer = g_answers.front();
    g_answers.erase(g_answers.begin());
    return answer;
}

// Sets RememberImports in the prefix's BANKSERV.INI, or removes it (null).
void SetRememberImports(const char* value)
{
    WritePrivateProfileStringA("Statement Import", nullptr, nullptr, qf::test::SettingsFilePath().c_str());
    if (value)
        WritePrivateProfileStringA("Statement Import", "RememberImports", value, qf::test::SettingsFilePath().c_str());
}

const char kCaption[] = "Corvane RBS/NatWest Internet Bankline";

double Serial(WORD year, WORD month, WORD day)
{
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    double serial = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&st, &serial));
    return serial;
}

// What a statement line received, read back through its getters.
struct Imported {
    VARTYPE numberType = VT_EMPTY;
    long number = 0;
    double date = 0;
    long type = -1;
    double amount = -1;
    std::wstring reference;
    std::wstring description;
};

class StatementRunTest : public ComTest {
protected:
    void SetUp() override
    {
        g_boxes.clear();
        g_answers.clear();
        previousBox = platform::SetMessageBox(RecordBox);
        // Most tests import the same file again and again: the journal of
        // imported lines has tests of its own.
        SetRememberImports("Off");
        ComTest::SetUp();
        if (HasFatalFailure())
            return;
        service = NewService();
        ASSERT_TRUE(service);
        statement = NewStatement();
    }

    void TearDown() override
    {
        platform::SetMessageBox(previousBox);
        SetRememberImports(nullptr);
        // A test takes the boxes it expects (TheBox); any other is a fault.
        for (const Box& box : g_boxes)
            ADD_FAILURE() << "unexpected box: " << box.text;
        g_boxes.clear();
        service.Reset();
        statement.Reset();
        // Every file the run or the callback opened must be closed again.
        for (const std::string& path : files)
            EXPECT_TRUE(DeleteFileA(path.c_str())) << path << " is still open or missing";
        ComTest::TearDown();
    }

    static std::string TempPath(const std::string& name)
    {
        char dir[MAX_PATH] = {};
        EXPECT_GT(GetTempPathA(MAX_PATH, dir), 0u);
        return std::string(dir) + "qf_statement_run_" + name;
    }

    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = TempPath(name);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_TRUE(f) << path;
        if (f) {
            EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
            std::fclose(f);
        }
        bool known = false;
        for (const std::string& p : files)
            known = known || p == path;
        if (!known)
            files.push_back(path);
        return path;
    }

    void Choose(const std::string& path, long cancelled = 0)
    {
        Bstr wide(std::wstring(path.begin(), path.end()).c_str());
        ASSERT_EQ(host->SetStatementChoice(wide.Get(), cancelled), S_OK);
    }

    static ComPtr<ICorvaneBankStatementService> NewService()
    {
        ComPtr<ICorvaneBankStatementService> s;
        EXPECT_EQ(ObjectRoot::Create<CBankStatementService>(nullptr, IID_ICorvaneBankStatementService, s.PutVoid()),
                  S_OK);
        return s;
    }

    // The one box of the run; fails unless exactly one was shown.
    std::string TheBox()
    {
        EXPECT_EQ(g_boxes.size(), 1u);
        if (g_boxes.size() != 1)
            return "<" + std::to_string(g_boxes.size()) + " boxes>";
        EXPECT_EQ(g_boxes[0].caption, kCaption);
        EXPECT_EQ(g_boxes[0].style, static_cast<UINT>(MB_ICONWARNING | MB_OK));
        const std::string text = g_boxes[0].text;
        g_boxes.clear();
        return text;
    }

    ComPtr<ICorvaneBankStatement> NewStatement()
    {
        ComPtr<ICorvaneBankStatement> s;
        EXPECT_EQ(host->NewStatement(s.Put()), S_OK);
        return s;
    }

    HRESULT Import(ICorvaneBankRecord* bank) { return service->ImportStatement(bank, statement.Get()); }
    HRESULT ImportFor(const wchar_t* sortCode, const wchar_t* accountNumber)
    {
        return Import(MakeBankRecord(sortCode, accountNumber).Get());
    }
    HRESULT ImportForHostAccount() { return ImportFor(L"60-16-13", L"31926819"); }

    long Status()
    {
        long status = -1;
        EXPECT_EQ(service->get_Status(&status), S_OK);
        return status;
    }

    double Balance()
    {
        double balance = 0;
        EXPECT_EQ(statement->get_Balance(&balance), S_OK);
        return balance;
    }

    long Calls(const wchar_t* member)
    {
        Bstr name(member);
        long count = -1;
        EXPECT_EQ(host->CallCount(name.Get(), &count), S_OK);
        return count;
    }

    void Fail(const wchar_t* member, long afterCalls, HRESULT hr)
    {
        Bstr name(member);
        ASSERT_EQ(host->FailCall(name.Get(), afterCalls, hr), S_OK);
    }

    long CallbackResult()
    {
        long result = -2;
        EXPECT_EQ(host->get_SelectorCallbackResult(&result), S_OK);
        return result;
    }

    std::wstring CallbackLabel()
    {
        Bstr text;
        EXPECT_EQ(host->get_SelectorDescription(text.Put()), S_OK);
        return text.Text();
    }

    // Puts a line of the host's own into the statement, which an import
    // must clear away.
    void AddOwnLine()
    {
        ComPtr<ICorvaneStatementLine> line;
        ASSERT_EQ(statement->AddLine(line.Put()), S_OK);
    }

    std::vector<Imported> Lines()
    {
        std::vector<Imported> out;
        long count = -1;
        EXPECT_EQ(statement->get_Count(&count), S_OK);
        for (long i = 0; i < count; ++i) {
            ComPtr<ICorvaneStatementLine> line;
            EXPECT_EQ(statement->Item(i, line.Put()), S_OK);
            if (!line)
                break;
            Imported l;
            Variant number;
            line->get_LineNumber(number.Get());
            l.numberType = V_VT(number.Get());
            if (l.numberType == VT_I4)
                l.number = V_I4(number.Get());
            line->get_Date(&l.date);
            line->get_TransactionType(&l.type);
            line->get_Amount(&l.amount);
            Bstr reference, description;
            line->get_Reference(reference.Put());
            line->get_Description(description.Put());
            l.reference = reference.Text();
            l.description = description.Text();
            out.push_back(l);
        }
        return out;
    }

    std::vector<double> Amounts()
    {
        std::vector<double> out;
        for (const Imported& l : Lines())
            out.push_back(l.amount);
        return out;
    }

    ComPtr<ICorvaneBankStatementService> service;
    ComPtr<ICorvaneBankStatement> statement;
    std::vector<std::string> files;
    platform::MessageBoxFn previousBox = nullptr;
};

TEST_F(StatementRunTest, CancelledChoiceLeavesTheStatementUntouched)
{
    const std::string path = Write("cancel.csv", Statement(kHeader18, {Row18(Txn())}));
    for (long cancelled : {1L, -1L}) {
        SCOPED_TRACE(cancelled);
        host->Reset();
        Choose(path, cancelled);
        ASSERT_EQ(service->put_Status(5), S_OK);
        EXPECT_EQ(ImportForHostAccount(), S_OK);
        EXPECT_EQ(Status(), 1);
        EXPECT_EQ(Calls(L"SelectFile"), 1);
        EXPECT_EQ(CallbackResult(), 1) << "the selector still labels the file it offered";
        for (const wchar_t* member : {L"Clear", L"put_Balance", L"AddLine", L"get_Account"})
            EXPECT_EQ(Calls(member), 0) << member;
        EXPECT_EQ(Balance(), -1.0) << "the host's initial balance";
        EXPECT_TRUE(Lines().empty());
        EXPECT_TRUE(g_boxes.empty()) << "a cancelled choice is the user's own";
    }
}

TEST_F(StatementRunTest, ImportsTheAccountsLinesInFileOrderInBothLayouts)
{
    Txn a;
    a.narrative2 = "HTS-4471";
    a.debit = "\"1,250.00\"";
    Txn c;
    c.date = "02/12/2026";
    c.narrative1 = "\"SMITH, JONES & CO\"";
    c.narrative2 = "ORDER 8812";
    c.debit = "";
    c.credit = "\"4,800.00\"";
    Txn e;
    e.date = "2026-12-04";
    e.narrative1 = "DIRECT DEBIT";
    e.narrative2 = "SVL 90411";
    e.type = "DDR";
    e.debit = "560.25";
    const Txn otherAccount = Of(kOtherAccount, "", "15000.00");
    Txn otherBranch = Of(kAccount, "5.00");
    otherBranch.sortCode = "601614";

    struct Layout {
        const char* header;
        std::string (*row)(const Txn&);
        bool full;
    };
    // Quillfen.dll's own service and the linked library's run alike.
    auto dllService =
        CreateComponent<ICorvaneBankStatementService>(CLSID_BankStatementService, IID_ICorvaneBankStatementService);
    auto libraryService = service;
    for (const Layout& layout : {Layout{kHeader18, Row18, true}, Layout{kHeader14, Row14, false}})
    for (bool throughDll : {true, false}) {
        SCOPED_TRACE(layout.full ? "18 columns" : "14 columns");
        SCOPED_TRACE(throughDll ? "Quillfen.dll" : "linked library");
        service = throughDll ? dllService : libraryService;
        host->Reset();
        statement = NewStatement();
        AddOwnLine();
        Choose(Write("order.csv", Statement(layout.header, {layout.row(a), layout.row(otherAccount), layout.row(c),
                                                            layout.row(otherBranch), layout.row(e)})));
        ASSERT_EQ(service->put_Status(9), S_OK);
        host->put_Logging(VARIANT_TRUE);
        ASSERT_EQ(ImportForHostAccount(), S_OK);

        // The whole conversation with the host, in order.
        const std::wstring perLine = L"AddLine;put_LineNumber;put_Date;put_TransactionType;put_Amount;put_Description;put_Reference;";
        Bstr log;
        ASSERT_EQ(host->get_CallLog(log.Put()), S_OK);
        EXPECT_EQ(std::wstring(log.Text()),
                  L"GetStatementFileSettings;SelectFile;get_Cancelled;get_FileName;get_Account;"
                  L"get_AccountNumber;get_SortCode;Clear;put_Balance;" + perLine + perLine + perLine);
        host->put_Logging(VARIANT_FALSE);

        EXPECT_EQ(Status(), 0);
        EXPECT_EQ(Balance(), 0.0);
        EXPECT_EQ(CallbackResult(), 1);
        const std::vector<Imported> lines = Lines();
        ASSERT_EQ(lines.size(), 3u) << "the host's own line is cleared, two lines of other accounts skipped";
        const double dates[] = {Serial(2026, 12, 1), Serial(2026, 12, 2), Serial(2026, 12, 4)};
        const long types[] = {0, 1, 0};
        const double amounts[] = {1250.0, 4800.0, 560.25};
        const wchar_t* references[] = {L"BAC", L"BAC", L"DDR"};
        const wchar_t* full[] = {L"HARTLEY TIMBER HTS-4471", L"SMITH, JONES & CO ORDER 8812", L"DIRECT DEBIT SVL 90411"};
        const wchar_t* shortLayout[] = {L"HARTLEY TIMBER", L"SMITH, JONES & CO", L"DIRECT DEBIT"};
        for (size_t i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(lines[i].numberType, VT_I4);
            EXPECT_EQ(lines[i].number, static_cast<long>(i + 1));
            EXPECT_EQ(lines[i].date, dates[i]);
            EXPECT_EQ(lines[i].type, types[i]);
            EXPECT_EQ(lines[i].amount, amounts[i]);
            EXPECT_EQ(lines[i].reference, references[i]);
            EXPECT_EQ(lines[i].description, layout.full ? full[i] : shortLayout[i]);
        }
        EXPECT_TRUE(g_boxes.empty()) << "lines of other accounts beside the host's are no news";
    }
    service = libraryService;
}

TEST_F(StatementRunTest, LinesMatchTheHostsAccountOnceSpacesDashesAndLostZerosAreSetAside)
{
    // Both sides lose spaces and dashes and get back the leading zeros a
    // spreadsheet drops; the statement's columns are then cut to 6 and 8 as
    // they always were. Host texts of 32 bytes or more never match.
    const std::wstring sort31 = L"60-16-13" + std::wstring(23, L' ');
    const std::wstring sort32 = sort31 + L" ";
    const std::wstring account300 = L"31926819" + std::wstring(292, L'x');
    struct Case {
        const wchar_t* what;
        std::wstring hostSort, hostAccount;
        std::string sortColumn, accountColumn;
        bool imported;
    };
    const Case cases[] = {
        {L"the bank's export", L"60-16-13", L"31926819", "601613", "31926819", true},
        {L"host sort code with spaces", L"60 16 13", L"31926819", "601613", "31926819", true},
        {L"no-break spaces in the host sort code", L"60\u00a016\u00a013", L"31926819", "601613", "31926819", true},
        {L"quoted columns", L"601613", L"31926819", "\"601613\"", "\"31926819\"", true},
        {L"long account column cut to 8", L"601613", L"31926819", "601613", "319268190", true},
        // Changed on purpose: these never matched before.
        {L"dashed sort code column", L"601613", L"31926819", "60-16-13", "31926819", true},
        {L"dashed on both sides", L"60-16-13", L"31926819", "\"60-16-13\"", "31926819", true},
        {L"leading space in the host account", L"601613", L" 31926819", "601613", "31926819", true},
        {L"trailing space in the host account", L"601613", L"31926819 ", "601613", "31926819", true},
        {L"spaced account column", L"601613", L"31926819", "601613", "3192 6819", true},
        {L"zeros lost by a spreadsheet", L"01-87-05", L"01234567", "18705", "1234567", true},
        {L"zeros lost on the host's side", L"1-87-05", L"1234567", "018705", "01234567", true},
        // Still different accounts.
        {L"another account", L"601613", L"31926827", "601613", "31926819", false},
        {L"a digit short is not a lost zero", L"601613", L"31926819", "601613", "3192681", false},
        {L"letters are not padded", L"01-87-05", L"01234567", "18705", "1234567A", false},
        {L"empty columns", L"601613", L"31926819", "", "", false},
        {L"31-byte host sort code", sort31, L"31926819", "601613", "31926819", true},
        {L"32-byte host sort code", sort32, L"31926819", "601613", "31926819", false},
        {L"300-character host account", L"601613", account300, "601613", "31926819", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host->Reset();
        g_boxes.clear();
        Txn t;
        t.sortCode = c.sortColumn;
        t.account = c.accountColumn;
        Choose(Write("match.csv", Statement(kHeader18, {Row18(t)})));
        ASSERT_EQ(ImportFor(c.hostSort.c_str(), c.hostAccount.c_str()), S_OK);
        EXPECT_EQ(Status(), 0);
        EXPECT_EQ(Lines().size(), c.imported ? 1u : 0u);
        EXPECT_EQ(g_boxes.size(), c.imported ? 0u : 1u) << "a file without the host's lines is worth a word";
    }
    g_boxes.clear();
}

TEST_F(StatementRunTest, NoMatchingLineNamesTheFilesAccountsAndTheHosts)
{
    // Twelve accounts, each on two lines, none the host's: the box names
    // the first ten once each, in file order, and the account asked for.
    std::vector<std::string> rows;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 12; ++i) {
            Txn t = Of(std::to_string(1000000 + i), "1.00");
            t.sortCode = "18-70-5";
            rows.push_back(Row18(t));
        }
    Choose(Write("others.csv", Statement(kHeader18, rows)));
    ASSERT_EQ(ImportFor(L"01-87-05", L"1234567"), S_OK);
    EXPECT_EQ(Status(), 0);
    EXPECT_TRUE(Lines().empty());
    std::string expected = "Lines imported: 0\n\n"
                           "No line of the file belongs to the account being reconciled:\n"
                           "Sort code 018705, account number 01234567\n\n"
                           "The file holds lines for these accounts:";
    for (int i = 0; i < 10; ++i)
        expected += "\nSort code 018705, account number 0" + std::to_string(1000000 + i);
    expected += "\nand further accounts";
    EXPECT_EQ(TheBox(), expected);

    // Without any account of the host's (a new service, no bank record) and
    // with no transaction in the file.
    host->Reset();
    Choose(Write("empty.csv", Statement(kHeader14, {})));
    auto fresh = NewService();
    ASSERT_EQ(fresh->ImportStatement(nullptr, statement.Get()), S_OK);
    EXPECT_EQ(TheBox(), "Lines imported: 0\n\n"
                        "No line of the file belongs to the account being reconciled:\n"
                        "Sort code (none), account number (none)\n\n"
                        "The file holds no readable transactions.");
}

TEST_F(StatementRunTest, DebitCreditAndCheques)
{
    struct Case {
        const char* type;
        const char* narrative1;
        const char* narrative2;
        const char* debit;
        const char* credit;
        long transactionType;
        double amount;
        const wchar_t* reference;
        const wchar_t* description;
        long descriptionCalls;
    };
    const Case cases[] = {
        {"BAC", "PAYEE", "REF", "12.50", "", 0, 12.5, L"BAC", L"PAYEE REF", 1},
        {"BAC", "PAYEE", "", "", "\"1,234.56\"", 1, 1234.56, L"BAC", L"PAYEE", 1},
        {"BAC", "PAYEE", "", "", "", 1, 0.0, L"BAC", L"PAYEE", 1},
        {"BAC", "PAYEE", "", "-12.50", "", 0, 12.5, L"BAC", L"PAYEE", 1},
        {"BAC", "PAYEE", "", "0.00", "7", 1, 7.0, L"BAC", L"PAYEE", 1},
        {"BAC", "PAYEE", "", "3.00", "4.00", 0, 3.0, L"BAC", L"PAYEE", 1},
        {"CHQ", "000123", "Rent", "950.00", "", 0, 950.0, L"000123", L"CHQ 000123 Rent", 2},
        {"\"CHQ\"", "000124", "", "", "20.00", 1, 20.0, L"000124", L"CHQ 000124", 2},
        {"chq", "000123", "Rent", "950.00", "", 0, 950.0, L"chq", L"000123 Rent", 1},
        {"CHQ", "", "Rent", "5.00", "", 0, 5.0, L"", L"CHQ  Rent", 2},
    };
    auto rowOf = [](const Case& c) {
        Txn t;
        t.type = c.type;
        t.narrative1 = c.narrative1;
        t.narrative2 = c.narrative2;
        t.debit = c.debit;
        t.credit = c.credit;
        return Row18(t);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.debit + "/" + c.credit);
        host->Reset();
        Choose(Write("amounts.csv", Statement(kHeader18, {rowOf(c)})));
        ASSERT_EQ(ImportForHostAccount(), S_OK);
        EXPECT_EQ(Calls(L"put_Description"), c.descriptionCalls) << "a cheque's description is replaced";
        const std::vector<Imported> lines = Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].type, c.transactionType);
        EXPECT_EQ(lines[0].amount, c.amount);
        EXPECT_EQ(lines[0].reference, c.reference);
        EXPECT_EQ(lines[0].description, c.description);
    }

    // All of them in one file: each line's type decides for that line alone.
    host->Reset();
    std::vector<std::string> rows;
    for (const Case& c : cases)
        rows.push_back(rowOf(c));
    Choose(Write("amounts.csv", Statement(kHeader18, rows)));
    ASSERT_EQ(ImportForHostAccount(), S_OK);
    const std::vector<Imported> lines = Lines();
    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].reference, cases[i].reference) << i;
        EXPECT_EQ(lines[i].description, cases[i].description) << i;
    }
}

TEST_F(StatementRunTest, BlankAndUnreadableLinesAreSkippedAndNamed)
{
    // A blank line, a short line and a bad date between good lines: every
    // good line is imported, numbered without gaps, and the box names the
    // two unreadable lines (the header is line 1; blank lines are silent).
    Txn badDate = Of(kAccount, "9.00");
    badDate.date = "31/02/2026";
    Txn otherBadDate = Of(kOtherAccount, "9.00"); // not the host's, still unreadable
    otherBadDate.date = "";
    Txn badAmount = Of(kAccount, "", "\"12,50 GBP\"");
    Txn badUnused = Of(kAccount, "4.00", "n/a");
    const std::vector<std::string> rows = {
        Row18(Of(kAccount, "1.00")),                                            // 2
        "",                                                                     // 3
        "601613,31926819,a,b,c,d,e,f,g,01/12/2026,h,BAC,3.00",                 // 4: 13 fields
        Row18(Of(kAccount, "2.00")),                                            // 5
        Row18(badDate),                                                         // 6
        ",,,, ,,,,,,,,,,,,,",                                                   // 7
        Row18(Of(kAccount, "3.00")),                                            // 8
        Row18(otherBadDate),                                                    // 9
        Row18(badAmount),                                                       // 10
        Row18(badUnused),                                                       // 11
        std::string(2100, 'x'),                                                 // 12
        Row18(Of(kAccount, "", "5.00")),                                        // 13
    };
    Choose(Write("skips.csv", Statement(kHeader18, rows)));
    ASSERT_EQ(ImportForHostAccount(), S_OK);
    EXPECT_EQ(Status(), 0);
    const std::vector<Imported> lines = Lines();
    ASSERT_EQ(lines.size(), 4u);
    const double amounts[] = {1.0, 2.0, 3.0, 5.0};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].number, static_cast<long>(i + 1));
        EXPECT_EQ(lines[i].amount, amounts[i]);
        EXPECT_NE(lines[i].date, 0.0) << "no line reaches the host as 30/12/1899";
    }
    EXPECT_EQ(TheBox(), "Lines imported: 4\n\n"
                        "Lines skipped because they could not be read: 6\n"
                        "Line 4: fewer than 14 fields\n"
                        "Line 6: the date is not a date\n"
                        "Line 9: the date is not a date\n"
                        "Line 10: the debit or credit is not an amount\n"
                        "Line 11: the debit or credit is not an amount\n"
                        "Line 12: longer than 2047 characters");

    // A blank line alone is no news.
    host->Reset();
    Choose(Write("blank.csv", Statement(kHeader18, {Row18(Of(kAccount, "1.00")), "", " , ", Row18(Of(kAccount, "2.00"))})));
    ASSERT_EQ(ImportForHostAccount(), S_OK);
    EXPECT_EQ(Amounts(), (std::vector<double>{1.0, 2.0}));
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(StatementRunTest, TheBoxNamesTheFirstTenSkippedLinesAndTheOthersShortLayout)
{
    // 14-column file: an 18-field line has more fields than its header.
    std::vector<std::string> rows = {Row14(Of(kAccount, "1.00"))};
    for (int i = 0; i < 12; ++i)
        rows.push_back(Row18(Of(kAccount, "2.00")));
    rows.push_back(Row14(Of(kOtherAccount, "3.00")));
    Choose(Write("many.csv", Statement(kHeader14, rows)));
    ASSERT_EQ(ImportForHostAccount(), S_OK);
    EXPECT_EQ(Amounts(), std::vector<double>{1.0});
    std::string expected = "Lines imported: 1\n\n"
                           "Lines skipped because they could not be read: 12\n"
                           "The first ten of them:";
    for (int line = 3; line <= 12; ++line)
        expected += "\nLine " + std::to_string(line) + ": more fields than the header line";
    EXPECT_EQ(TheBox(), expected);
}

TEST_F(StatementRunTest, Utf8ExportsReachTheHostAsTheirCharacters)
{
    Txn t = Of(kAccount, "", "\"1,234.56\"");
    t.narrative1 = "CAF\xC3\x89 ZO\xC3\x8B \xE2\x82\xAC"; // CAFÉ ZOË €
    t.narrative2 = std::string(49, 'n') + "\xC3\xA9\xC3\xA9"; // 51 characters, 53 bytes
    t.type = "\xC3\xA9t\xC3\xA9!";
    const std::string body = Statement(kHeader18, {Row18(t)});

    Choose(Write("utf8.csv", "\xEF\xBB\xBF" + body));
    ASSERT_EQ(ImportForHostAccount(), S_OK);
    std::vector<Imported> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].description, L"CAF\u00c9 ZO\u00cb \u20ac " + std::wstring(49, L'n') + L"\u00e9")
        << "cut to 50 characters, not 50 bytes";
    EXPECT_EQ(lines[0].reference, L"\u00e9t\u00e9");
    EXPECT_EQ(lines[0].amount, 1234.56);
    EXPECT_TRUE(g_boxes.empty());

    // Without the mark the same bytes are ANSI, as before.
    host->Reset();
    statement = NewStatement();
    Choose(Write("ansi.csv", body));
    ASSERT_EQ(ImportForHostAccount(), S_OK);
    lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].description.substr(0, 5), L"CAF\u00c3\u2030");
    EXPECT_EQ(lines[0].reference, L"\u00c3\u00a9t");
}

TEST_F(StatementRunTest, TheHeaderDecidesTheLabelAndTheImport)
{
    struct Case {
        const char* what;
        int fields; // 0: the file does not exist
        bool statement;
    };
    const Case cases[] = {
        {"14 fields", 14, true}, {"18 fields", 18, true}, {"17 fields", 17, false}, {"15 fields", 15, false},
        {"13 fields", 13, false}, {"19 fields", 19, false}, {"empty file", 1, false}, {"missing file", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host->Reset();
        statement = NewStatement();
        AddOwnLine();
        std::string path;
        if (c.fields == 0) {
            path = TempPath("missing.csv");
            DeleteFileA(path.c_str());
        } else {
            const std::string header = c.fields == 1 ? "" : HeaderOf(c.fields);
            const std::string row = c.fields == 14 ? Row14(Txn()) : Row18(Txn());
            path = Write("header" + std::to_string(c.fields) + ".csv",
                         c.fields == 1 ? std::string() : Statement(header, {row}));
        }
        Choose(path);
        ASSERT_EQ(service->put_Status(2), S_OK);
        ASSERT_EQ(ImportForHostAccount(), S_OK);
        EXPECT_EQ(CallbackResult(), c.statement ? 1 : 0);
        EXPECT_EQ(CallbackLabel(), c.statement ? kStatementLabel : kSelectorDefaultLabel)
            << "a file that is no statement keeps the selector's own label";
        EXPECT_EQ(Status(), 0);
        EXPECT_EQ(Calls(L"Clear"), 1);
        EXPECT_EQ(Balance(), 0.0);
        EXPECT_EQ(Lines().size(), c.statement ? 1u : 0u);
        if (c.statement) {
            EXPECT_TRUE(g_boxes.empty());
        } else if (c.fields == 0) {
            EXPECT_EQ(TheBox(), "The statement file could not be opened, so nothing was imported:\n" + path +
                                    "\n\nCheck that the file exists, is not a folder and is not open in another "
                                    "program.");
        } else {
            EXPECT_EQ(TheBox(), "The chosen file is not an RBS/NatWest Internet Bankline statement, so nothing was "
                                "imported:\n" + path + "\n\nIts first line has " + std::to_string(c.fields) +
                                    " fields; a Bankline statement export has 14 or 18.");
        }
    }
}

TEST_F(StatementRunTest, TheBoxBelongsToTheHostsActiveWindow)
{
    HWND window = CreateWindowExA(0, "STATIC", "Corvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    if (window)
        SetActiveWindow(window);
    if (!window || GetActiveWindow() != window) {
        if (window)
            DestroyWindow(window);
        GTEST_SKIP() << "no active window here (no display?)";
    }
    Choose(Write("owner.csv", Statement(kHeader18, {Row18(Of(kOtherAccount, "1.00"))})));
    ASSERT_EQ(ImportForHostAccount(), S_OK);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].owner, window);
    g_boxes.clear();
    DestroyWindow(window);
}

TEST_F(StatementRunTest, AFolderOrALockedFileCannotBeOpened)
{
    const std::string folder = TempPath("folder.csv");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string locked = Write("locked.csv", Statement(kHeader18, {Row18(Txn())}));
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    for (const std::string& path : {folder, locked}) {
        SCOPED_TRACE(path);
        host->Reset();
        Choose(path);
        ASSERT_EQ(ImportForHostAccount(), S_OK);
        EXPECT_EQ(Status(), 0);
        EXPECT_TRUE(Lines().empty());
        const std::string text = TheBox();
        EXPECT_EQ(text.rfind("The statement file could not be opened, so nothing was imported:\n" + path + "\n", 0), 0u)
            << text;
    }
    CloseHandle(lock);
    RemoveDirectoryA(folder.c_str());
}

TEST_F(StatementRunTest, WithoutTheHostsAccountTheLastOneIsUsed)
{
    // Line 1 has empty account columns: the account of a service that never
    // read one.
    Txn none = Of("", "1.00");
    none.sortCode = "";
    const std::string path =
        Write("fallback.csv", Statement(kHeader18, {Row18(none), Row18(Of(kAccount, "2.00")),
                                                    Row18(Of(kOtherAccount, "3.00"))}));
    auto run = [&](ICorvaneBankStatementService* s, ICorvaneBankRecord* bank, bool failAccount) {
        host->Reset();
        Choose(path);
        if (failAccount)
            Fail(L"get_Account", 0, E_FAIL);
        EXPECT_EQ(s->ImportStatement(bank, statement.Get()), S_OK);
        SetErrorInfo(0, nullptr);
        return Amounts();
    };
    const std::vector<double> onlyUnnamed{1.0}, hostAccount{2.0}, other{3.0};

    // New services have no account yet.
    for (bool failAccount : {true, false}) {
        SCOPED_TRACE(failAccount ? "Account fails" : "no bank record");
        auto fresh = NewService();
        auto record = MakeBankRecord(L"601613", L"31926819");
        EXPECT_EQ(run(fresh.Get(), failAccount ? record.Get() : nullptr, failAccount), onlyUnnamed);
    }

    auto record = MakeBankRecord(L"60-16-13", L"31926819");
    EXPECT_EQ(run(service.Get(), record.Get(), false), hostAccount);
    EXPECT_EQ(run(service.Get(), record.Get(), true), hostAccount) << "Account failed";
    EXPECT_EQ(run(service.Get(), nullptr, false), hostAccount) << "no bank record";
    // A null text keeps that value alone.
    auto noSortCode = MakeBankRecord(nullptr, L"31926827");
    EXPECT_EQ(run(service.Get(), noSortCode.Get(), false), other) << "null sort code";
    auto noAccountNumber = MakeBankRecord(L"601613", nullptr);
    EXPECT_EQ(run(service.Get(), noAccountNumber.Get(), false), other) << "null account number";
}

TEST_F(StatementRunTest, HostComponentFailuresAreHostErrors)
{
    struct Case {
        const wchar_t* what;
        const wchar_t* refuse;  // class whose creation is refused
        const wchar_t* failing; // member that fails
        long selectorCalls;
    };
    const Case cases[] = {
        {L"BankConfiguration not registered", L"BankConfiguration", nullptr, 0},
        {L"StatementFileSelector not registered", L"StatementFileSelector", nullptr, 0},
        {L"GetStatementFileSettings fails", nullptr, L"GetStatementFileSettings", 0},
        {L"SelectFile fails", nullptr, L"SelectFile", 1},
    };
    const std::string path = Write("hostfail.csv", Statement(kHeader18, {Row18(Txn())}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host->Reset();
        Choose(path);
        if (c.refuse) {
            Bstr name(c.refuse);
            ASSERT_EQ(host->RefuseCreation(name.Get(), VARIANT_TRUE), S_OK);
        }
        if (c.failing)
            Fail(c.failing, 0, E_ACCESSDENIED);
        ASSERT_EQ(service->put_Status(7), S_OK);
        EXPECT_EQ(ImportForHostAccount(), DISP_E_EXCEPTION);
        // The failure carries the host's error information, or ours.
        EXPECT_EQ(TakeErrorDescription(), c.failing ? L"Corvane host: " + std::wstring(c.failing) + L" failed"
                                                    : L"A call on Corvane EBanking failed (0x80004003).");
        EXPECT_EQ(Status(), 0);
        EXPECT_EQ(Calls(L"SelectFile"), c.selectorCalls);
        EXPECT_EQ(Calls(L"Clear"), 0);
        EXPECT_EQ(Balance(), -1.0);
    }
}

TEST_F(StatementRunTest, NullStatementIsRefusedBeforeTheSelectorIsShown)
{
    Choose(Write("null.csv", Statement(kHeader18, {Row18(Txn())})));
    auto record = MakeBankRecord(L"601613", L"31926819");
    for (ICorvaneBankRecord* bank : {record.Get(), static_cast<ICorvaneBankRecord*>(nullptr)}) {
        ASSERT_EQ(service->put_Status(4), S_OK);
        EXPECT_EQ(service->ImportStatement(bank, nullptr), kInvalidArg);
        EXPECT_EQ(TakeErrorDescription(), L"Invalid argument");
        EXPECT_EQ(Status(), 0);
        EXPECT_EQ(Calls(L"GetStatementFileSettings"), 0);
        EXPECT_EQ(Calls(L"SelectFile"), 0);
        EXPECT_EQ(Calls(L"get_Account"), 0);
    }
}

TEST_F(StatementRunTest, NoLineObjectEndsTheRunWithEPointer)
{
    const std::string path = Write(
        "addline.csv", Statement(kHeader18, {Row18(Of(kAccount, "1.00")), Row18(Of(kAccount, "2.00")),
                                             Row18(Of(kAccount, "3.00")), Row18(Of(kAccount, "4.00"))}));
    struct Case {
        const char* what;
        long after;
        HRESULT hr;
        std::vector<double> kept;
    };
    const Case cases[] = {
        {"S_OK without a line", 2, S_FALSE, {1.0, 2.0}},
        {"failure with error information", 1, E_FAIL, {1.0}},
        {"no line at all", 0, E_OUTOFMEMORY, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host->Reset();
        statement = NewStatement();
        Choose(path);
        Fail(L"AddLine", c.after, c.hr);
        EXPECT_EQ(ImportForHostAccount(), E_POINTER);
        EXPECT_EQ(TakeErrorDescription(), L"A call on Corvane EBanking failed (0x80004003).");
        EXPECT_EQ(Calls(L"AddLine"), c.after + 1) << "the run stops at the line without a line object";
        EXPECT_EQ(Status(), 0);
        const std::vector<Imported> lines = Lines();
        ASSERT_EQ(lines.size(), c.kept.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].amount, c.kept[i]);
            EXPECT_EQ(lines[i].number, static_cast<long>(i + 1));
        }
    }
}

TEST_F(StatementRunTest, RefusedLinePropertiesDoNotStopTheRun)
{
    Choose(Write("refused.csv", Statement(kHeader18, {Row18(Of(kAccount, "1.00")), Row18(Of(kAccount, "2.00")),
                                                      Row18(Of(kAccount, "3.00"))})));
    for (const wchar_t* member : {L"put_Date", L"put_TransactionType", L"put_Description", L"put_Reference"})
        Fail(member, 0, E_FAIL);
    ASSERT_EQ(ImportForHostAccount(), S_OK);
    SetErrorInfo(0, nullptr);
    host->Reset(); // the getters below go through the same members
    const std::vector<Imported> lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].number, static_cast<long>(i + 1));
        EXPECT_EQ(lines[i].amount, static_cast<double>(i + 1));
        EXPECT_EQ(lines[i].description, L"") << "refused";
    }
    EXPECT_EQ(Status(), 0);
}

} // namespace

namespace {

// The host calls of a logged run, in order.
std::vector<std::wstring> SplitLog(const std::wstring& log)
{
    std::vector<std::wstring> calls;
    std::size_t start = 0, end;
    while ((end = log.find(L';', start)) != std::wstring::npos) {
        calls.push_back(log.substr(start, end - start));
        start = end + 1;
    }
    return calls;
}

} // namespace

TEST_F(StatementRunTest, EveryHostCallOfAnImportMayFail)
{
    // The calls come from the log of a normal run, so a host call the run
    // makes in future is failed here too without a change to this test.
    const std::string path = Write("faults.csv", Statement(kHeader18, {Row18(Of(kAccount, "1.00")),
                                                                       Row18(Of(kOtherAccount, "2.00")),
                                                                       Row18(Of(kAccount, "3.00")),
                                                                       Row18(Of(kAccount, "4.00"))}));
    service.Reset();
    statement.Reset();
    std::wstring log;
    auto run = [&](const wchar_t* failing, long after, std::vector<double>& amounts) {
        auto fresh = NewService();
        auto bank = MakeBankRecord(L"60-16-13", L"31926819");
        statement = NewStatement();
        Choose(path);
        if (failing)
            Fail(failing, after, E_FAIL);
        else
            host->put_Logging(VARIANT_TRUE);
        const HRESULT hr = fresh->ImportStatement(bank.Get(), statement.Get());
        SetErrorInfo(0, nullptr);
        Bstr calls;
        EXPECT_EQ(host->get_CallLog(calls.Put()), S_OK);
        log = calls.Text();
        host->Reset(); // the getters below must not fail
        amounts = Amounts();
        long status = -1;
        EXPECT_EQ(fresh->get_Status(&status), S_OK);
        statement.Reset();
        bank.Reset();
        fresh.Reset();
        EXPECT_EQ(LiveHostObjects(), 0) << "host objects left alive";
        EXPECT_EQ(ModuleLockCount(), 0) << "module locks left";
        return std::make_pair(hr, status);
    };

    std::vector<double> amounts;
    ASSERT_EQ(run(nullptr, 0, amounts), std::make_pair(S_OK, 0L));
    ASSERT_EQ(amounts, (std::vector<double>{1.0, 3.0, 4.0}));
    ASSERT_TRUE(g_boxes.empty());

    std::vector<std::pair<std::wstring, long>> calls; // name, times made
    for (const std::wstring& call : SplitLog(log)) {
        auto known = std::find_if(calls.begin(), calls.end(), [&](const auto& c) { return c.first == call; });
        if (known == calls.end())
            calls.emplace_back(call, 1);
        else
            ++known->second;
    }
    for (const wchar_t* member : {L"GetStatementFileSettings", L"SelectFile", L"get_Cancelled", L"get_FileName", L"Clear",
                                  L"put_Balance", L"get_Account", L"get_AccountNumber", L"get_SortCode", L"AddLine", L"put_LineNumber",
                                  L"put_Date", L"put_TransactionType", L"put_Amount", L"put_Description", L"put_Reference"})
        EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const auto& c) { return c.first == member; }))
            << "the log has no " << std::string(member, member + wcslen(member));

    // What the run ends with when a call fails: the result, the Status, the
    // lines the statement keeps and whether the user gets the warning.
    struct Expected {
        const wchar_t* member;
        long after; // calls that still succeed
        HRESULT hr;
        long status;
        std::vector<double> amounts;
        bool box;
    };
    const std::vector<double> all{1.0, 3.0, 4.0}, none;
    const Expected table[] = {
        {L"GetStatementFileSettings", 0, DISP_E_EXCEPTION, 0, none, false},
        {L"SelectFile", 0, DISP_E_EXCEPTION, 0, none, false},
        {L"get_Cancelled", 0, S_OK, 1, none, false},  // no answer is no choice
        {L"get_FileName", 0, S_OK, 0, none, true},    // no name: nothing to open
        {L"Clear", 0, S_OK, 0, all, false},
        {L"put_Balance", 0, S_OK, 0, all, false},
        {L"get_Account", 0, S_OK, 0, none, true},     // a new service knows no account
        {L"get_AccountNumber", 0, S_OK, 0, none, true},
        {L"get_SortCode", 0, S_OK, 0, none, true},
        {L"AddLine", 0, E_POINTER, 0, none, false},
        {L"AddLine", 1, E_POINTER, 0, {1.0}, false},
        {L"put_LineNumber", 0, S_OK, 0, all, false},
        {L"put_LineNumber", 1, S_OK, 0, all, false},
        {L"put_Amount", 0, S_OK, 0, {0.0, 0.0, 0.0}, false}, // refused, yet counted
        {L"put_Amount", 1, S_OK, 0, {1.0, 0.0, 0.0}, false},
    };
    const HRESULT documented[] = {S_OK, DISP_E_EXCEPTION, E_POINTER, E_UNEXPECTED,
                                  static_cast<HRESULT>(0x800AFFFDu)};
    int checkedExactly = 0;
    for (const auto& call : calls) {
        // The first call, and one in the middle of those made many times.
        std::vector<long> afters{0};
        if (call.second > 1)
            afters.push_back(call.second / 2);
        for (long after : afters) {
            const std::string name(call.first.begin(), call.first.end());
            SCOPED_TRACE(name + " fails after " + std::to_string(after) + " of " + std::to_string(call.second));
            g_boxes.clear();
            const auto result = run(call.first.c_str(), after, amounts);
            EXPECT_TRUE(std::find(std::begin(documented), std::end(documented), result.first) != std::end(documented))
                << std::hex << result.first;
            EXPECT_TRUE(result.second == 0 || result.second == 1) << result.second;
            EXPECT_LE(g_boxes.size(), 1u) << "one box at most";
            for (const Expected& e : table) {
                if (call.first != e.member || after != e.after)
                    continue;
                ++checkedExactly;
                EXPECT_EQ(result.first, e.hr);
                EXPECT_EQ(result.second, e.status);
                EXPECT_EQ(amounts, e.amounts);
                EXPECT_EQ(g_boxes.size(), e.box ? 1u : 0u);
            }
        }
    }
    g_boxes.clear();
    EXPECT_EQ(checkedExactly, static_cast<int>(std::size(table))) << "a call of the table was not in the log";
}

namespace {

// The diagnostics log without its time stamps and without the reader's own
// messages (which are checked to be only that).
std::vector<std::string> LogLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (line.size() <= 20 || line[4] != '-' || line[19] != ' ') {
            lines.push_back("<bad line>");
            continue;
        }
        if (line.compare(20, 18, "statement: debug: ") != 0)
            lines.push_back(line.substr(20));
    }
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

} // namespace

TEST_F(StatementRunTest, DiagnosticsLogHasTheImportButNoLineContent)
{
    const std::string logPath = TempPath("diagnostics.log");
    DeleteFileA(logPath.c_str());
    Txn named;
    named.narrative1 = "HARTLEY TIMBER";
    named.debit = "1234.56";
    const std::string path =
        Write("logged.csv", Statement(kHeader18, {Row18(named), Row18(Of(kOtherAccount, "77.70")), "",
                                                  "601613,31926819,TOO SHORT 5500.01", Row18(Of(kAccount, "", "8642.19"))}));
    Choose(path);
    {
        qf::test::DiagnosticsIni ini("true", logPath.c_str());
        EXPECT_EQ(ImportForHostAccount(), S_OK);
    }
    TheBox();
    ASSERT_EQ(Lines().size(), 2u);
    const std::string log = qf::test::ReadWholeFile(logPath);
    EXPECT_EQ(LogLines(log), (std::vector<std::string>{
                                 "statement: statement import of Quillfen " QF_VERSION_STRING " (build " QF_BUILD_STAMP
                                 ") in statement_run_test.exe",
                                 "statement: file " + path,
                                 "statement: header: 18 fields",
                                 "statement: account ****6819: 5 lines read (1 blank), 2 imported, 1 skipped, "
                                 "1 for other accounts",
                                 "statement: skipped line 5: too few fields",
                                 "statement: journal: not kept: RememberImports is Off",
                                 "statement: outcome: 2 lines imported",
                             }));
    for (const char* personal : {"HARTLEY", "QUILLFEN LTD", "TOO SHORT", kAccount, kOtherAccount, "1234.56", "8642.19",
                                 "77.70", "5500.01"})
        EXPECT_EQ(log.find(personal), std::string::npos) << personal << " is in the log:\n" << log;

    // A file that is no statement, one that cannot be opened, a cancelled
    // choice, then the log off.
    DeleteFileA(logPath.c_str());
    Choose(Write("not-a-statement.csv", Statement(HeaderOf(10), {"1,2,3,4,5,6,7,8,9,10"})));
    {
        qf::test::DiagnosticsIni ini("1", logPath.c_str());
        EXPECT_EQ(ImportForHostAccount(), S_OK);
        TheBox();
        Choose(TempPath("no-such-file.csv"));
        EXPECT_EQ(ImportForHostAccount(), S_OK);
        TheBox();
        Choose(path, 1);
        EXPECT_EQ(ImportForHostAccount(), S_OK);
    }
    const auto others = LogLines(qf::test::ReadWholeFile(logPath));
    ASSERT_EQ(others.size(), 9u) << qf::test::ReadWholeFile(logPath);
    EXPECT_EQ(others[2], "statement: header: 10 fields");
    EXPECT_EQ(others[3], "statement: outcome: not a statement file");
    EXPECT_EQ(others[5], "statement: file " + TempPath("no-such-file.csv"));
    EXPECT_EQ(others[6], "statement: outcome: the file could not be opened");
    EXPECT_EQ(others[8], "statement: outcome: cancelled by the user");

    DeleteFileA(logPath.c_str());
    Choose(path);
    {
        qf::test::DiagnosticsIni ini("no", logPath.c_str());
        EXPECT_EQ(ImportForHostAccount(), S_OK);
    }
    TheBox();
    EXPECT_EQ(GetFileAttributesA(logPath.c_str()), INVALID_FILE_ATTRIBUTES);
}

namespace {

// The user's application data folder, a folder of the test's own.
std::string g_appData;

bool AppDataLookup(int csidl, std::string& path)
{
    if (csidl == CSIDL_APPDATA) {
        path = g_appData;
        return true;
    }
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return false;
    path = folder;
    return true;
}

std::size_t HalfWrite(const void*, std::size_t size, std::FILE*) { return size / 2; }

// Imports with the journal of imported lines on (the default), kept below a
// folder of the test's own.
class JournalRunTest : public StatementRunTest {
protected:
    void SetUp() override
    {
        StatementRunTest::SetUp();
        SetRememberImports(nullptr);
        g_appData = TempPath("appdata");
        std::filesystem::remove_all(g_appData);
        std::filesystem::create_directories(g_appData);
        previousFolder = platform::SetKnownFolderLookup(AppDataLookup);
    }
    void TearDown() override
    {
        platform::SetKnownFolderLookup(previousFolder);
        std::error_code ignored;
        std::filesystem::remove(g_appData, ignored); // a file in some cases
        std::filesystem::remove_all(g_appData, ignored);
        StatementRunTest::TearDown();
    }

    static std::string JournalPath() { return g_appData + "\\Quillfen\\Imported\\601613-31926819.journal"; }

    // Payment n of the bank's export: n.00 on a day of December.
    static std::string Line(int n)
    {
        Txn t = Of(kAccount, std::to_string(n) + ".00");
        t.date = "0" + std::to_string(n % 9 + 1) + "/12/2026";
        t.narrative1 = "PAYEE " + std::to_string(n);
        return Row18(t);
    }
    static std::vector<std::string> Rows(int first, int last)
    {
        std::vector<std::string> rows;
        for (int n = first; n <= last; ++n)
            rows.push_back(Line(n));
        return rows;
    }

    // Imports the rows into a new statement, the user answering in turn.
    void ImportRows(const std::vector<std::string>& rows, std::vector<int> answers = {})
    {
        host->Reset();
        statement = NewStatement();
        Choose(Write("journal.csv", Statement(kHeader18, rows)));
        g_answers = std::move(answers);
        ASSERT_EQ(ImportForHostAccount(), S_OK);
        EXPECT_TRUE(g_answers.empty()) << "fewer boxes than answers";
    }

    platform::KnownFolderFn previousFolder = nullptr;
};

TEST_F(JournalRunTest, EachTransactionReachesTheStatementOnce)
{
    Txn card = Of(kAccount, "9.99");
    card.narrative1 = "CARD 4471 CLOUDBOX";
    const std::string twin = Row18(card);
    const UINT some = MB_ICONQUESTION | MB_YESNOCANCEL, all = MB_ICONINFORMATION | MB_YESNO;
    struct Step {
        const char* what;
        std::vector<std::string> rows;
        std::vector<int> answers;
        std::vector<double> amounts; // of the lines added, numbered from 1
        long status;
        std::string question; // how the box begins; "" for no box
        UINT style;
    };
    auto amounts = [](int first, int last) {
        std::vector<double> out;
        for (int n = first; n <= last; ++n)
            out.push_back(n);
        return out;
    };
    const Step steps[] = {
        {"lines 1-6", Rows(1, 6), {}, amounts(1, 6), 0, "", 0},
        {"lines 4-10: only the new ones", Rows(4, 10), {IDYES}, amounts(7, 10), 0,
         "3 of the 7 lines of this file for the account were imported before, the latest on ", some},
        {"the same export again: OK", Rows(4, 10), {IDYES}, {}, 0,
         "All 7 lines of this file for the account were imported before, the latest on ", all},
        {"the same export again: import again", Rows(4, 10), {IDNO}, amounts(4, 10), 0, "All 7 lines", all},
        {"some known: all again", Rows(9, 12), {IDNO}, amounts(9, 12), 0, "2 of the 4 lines", some},
        {"some known: cancel", Rows(12, 13), {IDCANCEL}, {}, 1, "1 of the 2 lines", some},
        {"one of two identical payments", {twin}, {}, {9.99}, 0, "", 0},
        {"both of them", {twin, Line(20), twin}, {IDYES}, {20.0, 9.99}, 0, "1 of the 3 lines", some},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ImportRows(step.rows, step.answers);
        EXPECT_EQ(Status(), step.status);
        const std::vector<Imported> lines = Lines();
        ASSERT_EQ(lines.size(), step.amounts.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].number, static_cast<long>(i + 1));
            EXPECT_EQ(lines[i].amount, step.amounts[i]);
        }
        if (step.status == 1) {
            EXPECT_EQ(Calls(L"Clear"), 0) << "a cancelled import leaves the statement untouched";
        }
        if (step.question.empty()) {
            EXPECT_TRUE(g_boxes.empty());
        } else {
            ASSERT_EQ(g_boxes.size(), 1u) << "one question, and no warning";
            EXPECT_EQ(g_boxes[0].text.compare(0, step.question.size(), step.question), 0) << g_boxes[0].text;
            EXPECT_EQ(g_boxes[0].style, step.style);
            EXPECT_EQ(g_boxes[0].caption, kCaption);
        }
        g_boxes.clear();
    }

    // The warning of a run that skipped lines counts those passed over.
    ImportRows({Line(1), "not,a,line", Line(30)}, {IDYES});
    ASSERT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_boxes[1].text, "Lines imported: 1\nLines passed over because they were imported before: 1\n\n"
                               "Lines skipped because they could not be read: 1\nLine 3: fewer than 14 fields");
    g_boxes.clear();
}

TEST_F(JournalRunTest, ARunThatFailsRemembersNothingOfIt)
{
    ImportRows(Rows(1, 2));
    const std::string before = ReadWholeFile(JournalPath());
    // The new journal is written while the lines are added; the second
    // line finds no line object.
    host->Reset();
    statement = NewStatement();
    Choose(Write("journal.csv", Statement(kHeader18, Rows(1, 5))));
    g_answers = {IDYES};
    Fail(L"AddLine", 1, E_FAIL);
    EXPECT_EQ(ImportForHostAccount(), E_POINTER);
    TakeErrorDescription();
    EXPECT_EQ(ReadWholeFile(JournalPath()), before);
    EXPECT_FALSE(Exists(JournalPath() + ".new"));
    g_boxes.clear();
    ImportRows(Rows(1, 5), {IDYES});
    EXPECT_EQ(Amounts(), (std::vector<double>{3, 4, 5}));
    g_boxes.clear();
}

TEST_F(JournalRunTest, AJournalOfTheEarlierFormatKeepsItsLines)
{
    std::filesystem::create_directories(g_appData + "\\Quillfen\\Imported");
    std::ofstream(JournalPath(), std::ios::binary) << test::kVersion1Journal;
    ImportRows(Rows(1, 4), {IDYES});
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text.compare(0, 59, "3 of the 4 lines of this file for the account were imported"), 0)
        << g_boxes[0].text;
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0].amount, 4.0);
    EXPECT_EQ(ReadWholeFile(JournalPath()).compare(0, 26, "Quillfen import journal 2\n"), 0);
    g_boxes.clear();
    ImportRows(Rows(1, 4), {IDYES});
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text.compare(0, 11, "All 4 lines"), 0) << g_boxes[0].text;
    EXPECT_TRUE(Lines().empty());
    g_boxes.clear();
}

TEST_F(JournalRunTest, AJournalThatCannotBeUsedNeverStopsAnImport)
{
    const std::string unread =
        "Earlier imports could not be checked, so lines that were imported before may have been imported again.";
    const std::string unwritten = "This import could not be remembered, so a later import will not know these lines.";
    enum Trouble { CutShort, RandomBytes, FolderInItsPlace, NoFolder, WriteFails, SettingOff };
    struct Case {
        const char* what;
        Trouble trouble;
        std::string warning; // after "Lines imported: 3"; "" for none
        bool replaced;       // a later import knows the lines
        std::string logged;  // how the diagnostics log says why
    };
    const std::string notChecked = "statement: journal: earlier imports could not be checked: ";
    const Case cases[] = {
        {"journal cut short", CutShort, "\n\n" + unread, true, notChecked + JournalPath() + ": "},
        {"journal of random bytes", RandomBytes, "\n\n" + unread, true, notChecked + JournalPath() + ": "},
        {"a folder in the journal's place", FolderInItsPlace, "\n\n" + unread + "\n" + unwritten, false,
         notChecked + "cannot open " + JournalPath()},
        {"no folder for journals", NoFolder, "\n\n" + unread + "\n" + unwritten, false,
         notChecked + "cannot create the folder "},
        {"the new journal cannot be written", WriteFails, "\n\n" + unwritten, false,
         "statement: journal: this import could not be remembered: cannot write " + JournalPath() + ".new"},
        {"RememberImports=Off", SettingOff, "", false, "statement: journal: not kept: RememberImports is Off"},
    };
    const std::string logPath = TempPath("journal.log");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(g_appData);
        std::filesystem::create_directories(g_appData);
        ImportRows(Rows(1, 2));
        const std::string before = ReadWholeFile(JournalPath());
        ASSERT_FALSE(before.empty());
        detail::JournalWriteFn previousWrite = nullptr;
        switch (c.trouble) {
        case CutShort:
            std::filesystem::resize_file(JournalPath(), before.size() / 2);
            break;
        case RandomBytes: {
            std::string noise(before.size(), '\0');
            for (std::size_t i = 0; i < noise.size(); ++i)
                noise[i] = static_cast<char>(i * 7919 % 251);
            std::ofstream(JournalPath(), std::ios::binary) << noise;
            break;
        }
        case FolderInItsPlace:
            std::filesystem::remove(JournalPath());
            std::filesystem::create_directory(JournalPath());
            break;
        case NoFolder:
            std::filesystem::remove_all(g_appData);
            std::ofstream(g_appData) << "a file where the folder should be";
            break;
        case WriteFails:
            previousWrite = detail::SetJournalWrite(HalfWrite);
            break;
        case SettingOff:
            SetRememberImports("Off");
            break;
        }
        // Two lines imported before and a new one: without the journal all three go in, unasked.
        DeleteFileA(logPath.c_str());
        {
            qf::test::DiagnosticsIni log("1", logPath.c_str());
            ImportRows(Rows(1, 3), c.trouble == WriteFails ? std::vector<int>{IDNO} : std::vector<int>{});
        }
        detail::SetJournalWrite(previousWrite);
        EXPECT_NE(ReadWholeFile(logPath).find(c.logged), std::string::npos) << ReadWholeFile(logPath);
        DeleteFileA(logPath.c_str());
        EXPECT_EQ(Amounts(), (std::vector<double>{1, 2, 3}));
        EXPECT_EQ(Status(), 0);
        if (c.trouble == WriteFails) {
            ASSERT_EQ(g_boxes.size(), 2u);
            g_boxes.erase(g_boxes.begin()); // the question
            EXPECT_EQ(ReadWholeFile(JournalPath()), before) << "the old journal is kept whole";
            EXPECT_FALSE(Exists(JournalPath() + ".new"));
        }
        if (c.warning.empty()) {
            EXPECT_TRUE(g_boxes.empty());
        } else {
            EXPECT_EQ(TheBox(), "Lines imported: 3" + c.warning);
        }
        if (c.trouble == CutShort || c.trouble == RandomBytes) {
            EXPECT_TRUE(Exists(JournalPath() + ".damaged")) << "the damaged journal is kept aside";
        }

        // A replaced journal knows what this import added.
        SetRememberImports(nullptr);
        if (c.replaced) {
            ImportRows(Rows(1, 3), {IDYES});
            ASSERT_EQ(g_boxes.size(), 1u);
            EXPECT_EQ(g_boxes[0].text.compare(0, 11, "All 3 lines"), 0) << g_boxes[0].text;
            EXPECT_TRUE(Lines().empty());
        }
        g_boxes.clear();
        std::error_code ignored;
        std::filesystem::remove(g_appData, ignored);
    }
}

} // namespace
