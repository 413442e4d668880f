// The statement import run end to end through COM: the statement service of
// Quillfen.dll against the host's selector, configuration, bank record,
// statement and statement lines in CorvaneHost.dll. Statement files are
// written into the temporary folder and handed over as Windows paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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
        ComTest::SetUp();
        if (HasFatalFailure())
            return;
        service = CreateComponent<ICorvaneBankStatementService>(CLSID_BankStatementService,
                                                                 IID_ICorvaneBankStatementService);
        ASSERT_TRUE(service);
        statement = NewStatement();
    }

    void TearDown() override
    {
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
        for (const wchar_t* member : {L"Clear", L"Balance", L"AddLine", L"Account"})
            EXPECT_EQ(Calls(member), 0) << member;
        EXPECT_EQ(Balance(), -1.0) << "the host's initial balance";
        EXPECT_TRUE(Lines().empty());
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
    for (const Layout& layout : {Layout{kHeader18, Row18, true}, Layout{kHeader14, Row14, false}}) {
        SCOPED_TRACE(layout.full ? "18 columns" : "14 columns");
        host->Reset();
        statement = NewStatement();
        AddOwnLine();
        Choose(Write("order.csv", Statement(layout.header, {layout.row(a), layout.row(otherAccount), layout.row(c),
                                                            layout.row(otherBranch), layout.row(e)})));
        ASSERT_EQ(service->put_Status(9), S_OK);
        host->put_Logging(VARIANT_TRUE);
        ASSERT_EQ(ImportForHostAccount(), S_OK);

        // The whole conversation with the host, in order.
        const std::wstring perLine = L"AddLine;LineNumber;Date;TransactionType;Amount;Description;Reference;";
        Bstr log;
        ASSERT_EQ(host->get_CallLog(log.Put()), S_OK);
        EXPECT_EQ(std::wstring(log.Text()),
                  L"GetStatementFileSettings;SelectFile;Cancelled;FileName;Clear;Balance;Account;AccountNumber;"
                  L"SortCode;" + perLine + perLine + perLine);
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
    }
}

TEST_F(StatementRunTest, LinesMatchOnlyTheHostsExactAccount)
{
    // Host texts are reduced (sort code to digits) only below 32 bytes; the
    // statement's columns are taken as written, cut to 6 and 8 characters.
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
        {L"dashed host sort code", L"60-16-13", L"31926819", "601613", "31926819", true},
        {L"host sort code with spaces", L"60 16 13", L"31926819", "601613", "31926819", true},
        {L"no-break spaces in the host sort code", L"60\u00a016\u00a013", L"31926819", "601613", "31926819", true},
        {L"quoted columns", L"601613", L"31926819", "\"601613\"", "\"31926819\"", true},
        {L"long account column cut to 8", L"601613", L"31926819", "601613", "319268190", true},
        {L"dashed sort code column", L"601613", L"31926819", "60-16-13", "31926819", false},
        {L"dashed on both sides", L"60-16-13", L"31926819", "60-16-13", "31926819", false},
        {L"leading space in the host account", L"601613", L" 31926819", "601613", "31926819", false},
        {L"trailing space in the host account", L"601613", L"31926819 ", "601613", "31926819", false},
        {L"another account", L"601613", L"31926827", "601613", "31926819", false},
        {L"31-byte host sort code", sort31, L"31926819", "601613", "31926819", true},
        {L"32-byte host sort code", sort32, L"31926819", "601613", "31926819", false},
        {L"300-character host account", L"601613", account300, "601613", "31926819", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host->Reset();
        Txn t;
        t.sortCode = c.sortColumn;
        t.account = c.accountColumn;
        Choose(Write("match.csv", Statement(kHeader18, {Row18(t)})));
        ASSERT_EQ(ImportFor(c.hostSort.c_str(), c.hostAccount.c_str()), S_OK);
        EXPECT_EQ(Lines().size(), c.imported ? 1u : 0u);
    }
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
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.debit + "/" + c.credit);
        host->Reset();
        Txn t;
        t.type = c.type;
        t.narrative1 = c.narrative1;
        t.narrative2 = c.narrative2;
        t.debit = c.debit;
        t.credit = c.credit;
        Choose(Write("amounts.csv", Statement(kHeader18, {Row18(t)})));
        ASSERT_EQ(ImportForHostAccount(), S_OK);
        EXPECT_EQ(Calls(L"Description"), c.descriptionCalls) << "a cheque's description is replaced";
        const std::vector<Imported> lines = Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].type, c.transactionType);
        EXPECT_EQ(lines[0].amount, c.amount);
        EXPECT_EQ(lines[0].reference, c.reference);
        EXPECT_EQ(lines[0].description, c.description);
    }
}

TEST_F(StatementRunTest, TheFirstUnreadableLineEndsTheImport)
{
    const std::string match18 = Row18(Of(kAccount, "1.00")), after18 = Row18(Of(kAccount, "2.00"));
    struct Case {
        const char* what;
        const char* header;
        std::string stop;
    };
    const Case cases[] = {
        {"blank line", kHeader18, ""},
        {"13 fields", kHeader18, "601613,31926819,a,b,c,d,e,f,g,01/12/2026,h,BAC,3.00"},
        {"18 fields under a 14-field header", kHeader14, Row18(Of(kAccount, "3.00"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host->Reset();
        const bool short14 = c.header == kHeader14;
        const std::string before = short14 ? Row14(Of(kAccount, "1.00")) : match18;
        const std::string after = short14 ? Row14(Of(kAccount, "2.00")) : after18;
        Choose(Write("stop.csv", Statement(c.header, {before, c.stop, after})));
        ASSERT_EQ(ImportForHostAccount(), S_OK);
        EXPECT_EQ(Amounts(), std::vector<double>{1.0});
        EXPECT_EQ(Status(), 0);
    }
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
    }
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
            Fail(L"Account", 0, E_FAIL);
        EXPECT_EQ(s->ImportStatement(bank, statement.Get()), S_OK);
        SetErrorInfo(0, nullptr);
        return Amounts();
    };
    const std::vector<double> onlyUnnamed{1.0}, hostAccount{2.0}, other{3.0};

    // New services have no account yet.
    for (bool failAccount : {true, false}) {
        SCOPED_TRACE(failAccount ? "Account fails" : "no bank record");
        auto fresh = CreateComponent<ICorvaneBankStatementService>(CLSID_BankStatementService,
                                                                   IID_ICorvaneBankStatementService);
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
        EXPECT_EQ(TakeErrorDescription(), L"<none>") << "the host's error information is taken off the thread";
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
        EXPECT_EQ(Calls(L"Account"), 0);
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
        EXPECT_EQ(TakeErrorDescription(), L"<none>");
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
    for (const wchar_t* member : {L"Date", L"TransactionType", L"Description", L"Reference"})
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

// The diagnostics log without its time stamps.
std::vector<std::string> LogLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        const std::string line = text.substr(start, end - start);
        lines.push_back(line.size() > 20 && line[4] == '-' && line[19] == ' ' ? line.substr(20) : "<bad line>");
        start = end + 2;
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
    const std::string path = Write("logged.csv", Statement(kHeader18, {Row18(named), Row18(Of(kOtherAccount, "77.70")),
                                                                        Row18(Of(kAccount, "", "8642.19"))}));
    Choose(path);
    {
        qf::test::DiagnosticsIni ini("true", logPath.c_str());
        EXPECT_EQ(ImportForHostAccount(), S_OK);
    }
    ASSERT_EQ(Lines().size(), 2u);
    const std::string log = qf::test::ReadWholeFile(logPath);
    const auto lines = LogLines(log);
    ASSERT_GE(lines.size(), 6u) << log;
    EXPECT_EQ(lines.front(), "statement: statement import of Quillfen " QF_VERSION_STRING " (build " QF_BUILD_STAMP
                             ") in statement_run_test.exe");
    EXPECT_EQ(lines[1], "statement: file " + path);
    EXPECT_EQ(lines[2], "statement: header: 18 fields");
    EXPECT_EQ(lines[lines.size() - 3], "statement: account ****6819: 3 lines read, 2 imported, 1 for other accounts");
    EXPECT_EQ(lines[lines.size() - 2], "statement: reading ended at line 5 of the file");
    EXPECT_EQ(lines.back(), "statement: outcome: 2 lines imported");
    for (std::size_t i = 3; i + 3 < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind("statement: debug: ", 0), 0u) << "between them only the reader's messages: " << lines[i];
    for (const char* personal : {"HARTLEY", "QUILLFEN LTD", kAccount, kOtherAccount, "1234.56", "8642.19", "77.70"})
        EXPECT_EQ(log.find(personal), std::string::npos) << personal << " is in the log:\n" << log;

    // A blank line ends the reading: the entry says where.
    DeleteFileA(logPath.c_str());
    Choose(Write("blank.csv", Statement(kHeader18, {Row18(named), "", Row18(named)})));
    {
        qf::test::DiagnosticsIni ini("1", logPath.c_str());
        EXPECT_EQ(ImportForHostAccount(), S_OK);
    }
    const auto early = LogLines(qf::test::ReadWholeFile(logPath));
    ASSERT_GE(early.size(), 3u);
    EXPECT_EQ(early[early.size() - 3], "statement: account ****6819: 1 lines read, 1 imported, 0 for other accounts");
    EXPECT_EQ(early[early.size() - 2], "statement: reading ended at line 3 of the file");

    // A file that is no statement, then the log off.
    DeleteFileA(logPath.c_str());
    Choose(Write("not-a-statement.csv", Statement(HeaderOf(10), {"1,2,3,4,5,6,7,8,9,10"})));
    {
        qf::test::DiagnosticsIni ini("1", logPath.c_str());
        EXPECT_EQ(ImportForHostAccount(), S_OK);
    }
    const auto refused = LogLines(qf::test::ReadWholeFile(logPath));
    ASSERT_GE(refused.size(), 4u);
    EXPECT_EQ(refused[2], "statement: header: 10 fields, not a statement file");
    EXPECT_EQ(refused.back(), "statement: outcome: nothing imported");

    DeleteFileA(logPath.c_str());
    Choose(path);
    {
        qf::test::DiagnosticsIni ini("no", logPath.c_str());
        EXPECT_EQ(ImportForHostAccount(), S_OK);
    }
    EXPECT_EQ(GetFileAttributesA(logPath.c_str()), INVALID_FILE_ATTRIBUTES);
}
