#include "statements/reader/statement_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "text/file_holder.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace qf;

namespace {

std::vector<std::string> g_messages;
void Capture(const char* text) { g_messages.emplace_back(text); }

const std::string kFailed = "Failed to read the Balance record\n";

std::string Join(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i ? "," : "") + fields[i];
    return line;
}

std::vector<std::string> Titles(int count)
{
    std::vector<std::string> titles;
    for (int i = 1; i <= count; ++i)
        titles.push_back("Column " + std::to_string(i));
    return titles;
}

// An 18-field data line; cols 12..15 are removed for the 14-field layout.
std::vector<std::string> Fields18()
{
    return {"123456", "12345678", "Alias", "Short", "GBP", "Current", "NWBKGB2L", "NatWest", "Leeds",
            "15/03/2012", "RENT MARCH", "", "", "", "", "DD", "250.00", ""};
}
std::vector<std::string> Fields14(const std::string& type, const std::string& debit, const std::string& credit)
{
    std::vector<std::string> f = Fields18();
    f.erase(f.begin() + 11, f.begin() + 15);
    f[11] = type;
    f[12] = debit;
    f[13] = credit;
    return f;
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_messages.clear();
        m_previousSink = platform::SetDebugSink(Capture);
    }
    void TearDown() override
    {
        platform::SetDebugSink(m_previousSink);
        for (const std::string& path : m_files)
            std::remove(path.c_str());
    }
    std::string Write(const std::string& bytes)
    {
        const std::string name = std::string("qf_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + std::to_string(m_files.size()) + ".csv";
        const std::string path = (std::filesystem::temp_directory_path() / name).string();
        File f(std::fopen(path.c_str(), "wb"));
        EXPECT_TRUE(f);
        if (f)
            std::fwrite(bytes.data(), 1, bytes.size(), f.Get());
        m_files.push_back(path);
        return path;
    }
    std::string Statement(const std::vector<std::string>& lines, int headerFields = 18)
    {
        std::string text = Join(Titles(headerFields)) + "\n";
        for (const std::string& line : lines)
            text += line + "\n";
        return Write(text);
    }

    platform::DebugSinkFn m_previousSink = nullptr;
    std::vector<std::string> m_files;
};

} // namespace

TEST_F(ReaderTest, MissingFileGivesAClosedReaderWithoutMessages)
{
    CTransactionRecord record;
    CRBSTransactionFile good(Statement({Join(Fields18())}).c_str());
    ASSERT_TRUE(good.PrepareColumns());
    ASSERT_TRUE(good.ReadRecord(record));

    CRBSTransactionFile missing((std::filesystem::temp_directory_path() / "qf_no_such_statement.csv").string().c_str());
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.HeaderFieldCount(), 0);
    EXPECT_FALSE(missing.PrepareColumns());
    EXPECT_TRUE(g_messages.empty());

    EXPECT_FALSE(missing.ReadRecord(record));
    EXPECT_EQ(g_messages, (std::vector<std::string>{"File Stream is NOT open", kFailed}));
    EXPECT_EQ(record.SortCode(), "123456"); // left as it was
}

TEST_F(ReaderTest, HeaderFieldCountDecidesWhatIsAStatement)
{
    EXPECT_EQ(CRBSTransactionFile(Write("").c_str()).HeaderFieldCount(), 1);
    for (int count : {1, 13, 14, 15, 17, 18, 19}) {
        CRBSTransactionFile file(Write(Join(Titles(count)) + "\r\n").c_str(), std::ios::in | std::ios::binary);
        EXPECT_EQ(file.HeaderFieldCount(), count);
        EXPECT_EQ(file.PrepareColumns(), count == 14 || count == 18) << count;
    }
    std::vector<std::string> quoted = Titles(17);
    quoted[0] = "\"Sort, Code\"";
    EXPECT_EQ(CRBSTransactionFile(Write(Join(quoted)).c_str()).HeaderFieldCount(), 17);
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(ReaderTest, QuotedFullLayoutLine)
{
    std::vector<std::string> fields = Fields18();
    fields[7] = "Bank \xA3\xFF";
    for (std::string& f : fields)
        f = "\"" + f + "\"";
    CRBSTransactionFile file(Statement({Join(fields)}).c_str(), std::ios::in | std::ios::binary);
    ASSERT_TRUE(file.PrepareColumns());
    CTransactionRecord r;
    ASSERT_TRUE(file.ReadRecord(r));
    EXPECT_EQ(r.SortCode(), "123456");
    EXPECT_EQ(r.AccountNumber(), "12345678");
    EXPECT_EQ(r.Currency(), "GBP");
    EXPECT_EQ(r.BankName(), "Bank \xA3\xFF");
    EXPECT_EQ(r.DateText(), "15/03/2012");
    EXPECT_EQ(r.Date(), 40983.0);
    EXPECT_EQ(r.Narrative1(), "RENT MARCH");
    EXPECT_EQ(r.Type(), "DD");
    EXPECT_EQ(r.IsDebit(), 1);
    EXPECT_EQ(r.Debit(), 250.0);
    EXPECT_EQ(r.Credit(), 0.0);
    EXPECT_EQ(r.GetNarrative(), "RENT MARCH");
    EXPECT_TRUE(g_messages.empty());

    EXPECT_FALSE(file.ReadRecord(r)); // end of file
    EXPECT_EQ(g_messages, std::vector<std::string>{kFailed});
    EXPECT_EQ(r.SortCode(), ""); // cleared before the failed read
}

TEST_F(ReaderTest, TextFieldsAreCutToTheirWidths)
{
    std::vector<std::string> fields;
    for (int column = 1; column <= 16; ++column)
        fields.push_back(std::string(60, static_cast<char>('A' + column - 1)));
    fields[9] = std::string(600, 'J'); // raw fields stop at 511 characters
    fields.push_back("");
    fields.push_back("1");
    CRBSTransactionFile file(Statement({Join(fields)}).c_str());
    ASSERT_TRUE(file.PrepareColumns());
    CTransactionRecord r;
    ASSERT_TRUE(file.ReadRecord(r));

    using Getter = const CString& (CTransactionRecord::*)() const noexcept;
    struct Case { Getter get; char letter; int width; };
    const Case cases[] = {
        {&CTransactionRecord::SortCode, 'A', 6},          {&CTransactionRecord::AccountNumber, 'B', 8},
        {&CTransactionRecord::AccountAlias, 'C', 35},     {&CTransactionRecord::AccountShortName, 'D', 35},
        {&CTransactionRecord::Currency, 'E', 3},          {&CTransactionRecord::AccountType, 'F', 20},
        {&CTransactionRecord::BIC, 'G', 34},              {&CTransactionRecord::BankName, 'H', 35},
        {&CTransactionRecord::BranchName, 'I', 27},       {&CTransactionRecord::DateText, 'J', 511},
        {&CTransactionRecord::Narrative1, 'K', 50},       {&CTransactionRecord::Narrative2, 'L', 50},
        {&CTransactionRecord::Narrative3, 'M', 50},       {&CTransactionRecord::Narrative4, 'N', 50},
        {&CTransactionRecord::Narrative5, 'O', 50},       {&CTransactionRecord::Type, 'P', 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string((r.*c.get)()), std::string(static_cast<std::size_t>(c.width), c.letter)) << c.letter;
    EXPECT_EQ(r.Date(), 0.0);
    EXPECT_EQ(r.Credit(), 1.0);
}

TEST_F(ReaderTest, EachLineChoosesItsLayout)
{
    std::vector<std::string> sixteen = Fields14("TFR", "", "7");
    sixteen.push_back("x");
    sixteen.push_back("y");
    std::vector<std::string> full = Fields18();
    full[11] = "N2";
    CRBSTransactionFile file(Statement({Join(full), Join(Fields14("BAC", "", "5")), Join(sixteen)}).c_str());
    ASSERT_TRUE(file.PrepareColumns());
    CTransactionRecord r;
    ASSERT_TRUE(file.ReadRecord(r));
    EXPECT_EQ(r.Narrative2(), "N2");
    ASSERT_TRUE(file.ReadRecord(r));
    EXPECT_EQ(r.Narrative2(), "");
    EXPECT_EQ(r.Type(), "BAC");
    EXPECT_EQ(r.IsDebit(), 0);
    EXPECT_EQ(r.Debit(), 0.0); // nothing left over from the debit line before
    EXPECT_EQ(r.Credit(), 5.0);
    ASSERT_TRUE(file.ReadRecord(r));
    EXPECT_EQ(r.Type(), "TFR");
    EXPECT_EQ(r.Credit(), 7.0);
}

TEST_F(ReaderTest, DebitWinsAndTinyAmountsDoNotCount)
{
    struct Case { const char* debit; const char* credit; int isDebit; double d; double c; };
    const Case cases[] = {
        {"12.50", "", 1, 12.5, 0},      {"", "\"1,234.56\"", 0, 0, 1234.56}, {"-12.50", "", 1, 12.5, 0},
        {"0.00", "7", 0, 0, 7},         {"", "", 0, 0, 0},                   {"12.50", "7.00", 1, 12.5, 0},
        {"0.000005", "0.00001", 0, 0, 0.00001}, {"0.000005", "0.000005", 0, 0, 0},
    };
    std::vector<std::string> lines;
    for (const Case& c : cases)
        lines.push_back(Join(Fields14("BAC", c.debit, c.credit)));
    CRBSTransactionFile file(Statement(lines, 14).c_str());
    ASSERT_TRUE(file.PrepareColumns());
    for (const Case& c : cases) {
        CTransactionRecord r;
        ASSERT_TRUE(file.ReadRecord(r));
        EXPECT_EQ(r.IsDebit(), c.isDebit) << c.debit << "|" << c.credit;
        EXPECT_DOUBLE_EQ(r.Debit(), c.d) << c.debit << "|" << c.credit;
        EXPECT_DOUBLE_EQ(r.Credit(), c.c) << c.debit << "|" << c.credit;
    }
}

TEST_F(ReaderTest, CarriageReturnsReadAlikeInBothModes)
{
    const std::string path = Write(Join(Titles(14)) + "\r\n" + Join(Fields14("BAC", "", "\"99.00\"")) + "\r\n" +
                                   Join(Fields14("BAC", "", "12.25")) + "\r\n");
    for (std::ios::openmode mode : {std::ios::in, std::ios::in | std::ios::binary}) {
        CRBSTransactionFile file(path.c_str(), mode);
        ASSERT_TRUE(file.PrepareColumns());
        CTransactionRecord r;
        ASSERT_TRUE(file.ReadRecord(r));
        EXPECT_EQ(r.Credit(), 99.0);
        ASSERT_TRUE(file.ReadRecord(r));
        EXPECT_EQ(r.Credit(), 12.25);
    }
}

TEST_F(ReaderTest, ShortLinesFailButTheReaderGoesOn)
{
    std::vector<std::string> thirteen = Fields14("BAC", "1", "");
    thirteen.pop_back();
    CRBSTransactionFile file(Statement({Join(Fields18()), "", Join(Fields18()), Join(thirteen), Join(Fields18())}).c_str());
    ASSERT_TRUE(file.PrepareColumns());
    CTransactionRecord r;
    std::vector<bool> results;
    for (int i = 0; i < 7; ++i)
        results.push_back(file.ReadRecord(r));
    EXPECT_EQ(results, (std::vector<bool>{true, false, true, false, true, false, false}));
    EXPECT_EQ(g_messages, std::vector<std::string>(4, kFailed));
}

TEST_F(ReaderTest, OverlongLineIsCutAndEndsTheFile)
{
    auto lineOfLength = [](std::size_t length) {
        std::vector<std::string> f = Fields18();
        f[11] = f[12] = f[13] = std::string(500, 'n');
        f[16] = "";
        f[17] = "1234567";
        const std::size_t base = Join(f).size();
        f[14] = std::string(length - base, 'n');
        return Join(f);
    };
    CRBSTransactionFile file(Statement({lineOfLength(2047), lineOfLength(2050), Join(Fields18())}).c_str());
    ASSERT_TRUE(file.PrepareColumns());
    CTransactionRecord r;
    ASSERT_TRUE(file.ReadRecord(r));
    EXPECT_EQ(r.Credit(), 1234567.0);
    ASSERT_TRUE(file.ReadRecord(r));
    EXPECT_EQ(r.Credit(), 1234.0); // the first 2047 characters
    EXPECT_FALSE(file.ReadRecord(r));
}

TEST_F(ReaderTest, ReadersKeepTheirOwnColumns)
{
    const std::string line18 = Join(Fields18());
    CRBSTransactionFile wide(Statement({line18, line18}, 18).c_str());
    CRBSTransactionFile narrow(Statement({line18, Join(Fields14("BAC", "", "5"))}, 14).c_str());
    CRBSTransactionFile unprepared(Statement({line18}, 18).c_str());
    ASSERT_TRUE(wide.PrepareColumns());
    ASSERT_TRUE(narrow.PrepareColumns());
    CTransactionRecord r;
    EXPECT_TRUE(wide.ReadRecord(r)); // another reader's 14 columns do not apply here

    EXPECT_FALSE(narrow.ReadRecord(r)); // an 18-field line under a 14-field header
    EXPECT_EQ(r.SortCode(), "123456");  // what was read before the failure stays
    EXPECT_EQ(r.Type(), "");
    EXPECT_TRUE(narrow.ReadRecord(r));
    EXPECT_EQ(r.Credit(), 5.0);

    EXPECT_TRUE(wide.ReadRecord(r));
    EXPECT_FALSE(unprepared.ReadRecord(r));
}

TEST_F(ReaderTest, NarrativeJoinsNonEmptyParts)
{
    const std::vector<std::vector<std::string>> narratives = {
        {"A", "", "C", "", ""}, {"", "B", "", "", ""}, {"", "", "", "", ""}, {"A", "B", "C", "D", "E"}};
    const char* joined[] = {"A C", " B", "", "A B C D E"};
    std::vector<std::string> lines;
    for (const auto& n : narratives) {
        std::vector<std::string> f = Fields18();
        std::copy(n.begin(), n.end(), f.begin() + 10);
        lines.push_back(Join(f));
    }
    CRBSTransactionFile file(Statement(lines).c_str());
    ASSERT_TRUE(file.PrepareColumns());
    CTransactionRecord r;
    for (const char* expected : joined) {
        ASSERT_TRUE(file.ReadRecord(r));
        EXPECT_EQ(r.Narrative(), ""); // built only on request
        EXPECT_EQ(r.GetNarrative(), expected);
        EXPECT_EQ(r.Narrative(), expected);
    }
}

#ifdef _WIN32
TEST_F(ReaderTest, FileIsSharedForReadingAndWriting)
{
    const std::string path = Statement({Join(Fields18())});
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    {
        CRBSTransactionFile file(path.c_str(), std::ios::in | std::ios::binary);
        EXPECT_EQ(file.HeaderFieldCount(), 18);
        HANDLE second = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(second, INVALID_HANDLE_VALUE);
        if (second != INVALID_HANDLE_VALUE)
            CloseHandle(second);
    }
    CloseHandle(writer);
}
#endif

namespace {

using Kind = CRBSTransactionFile::LineKind;

struct Seen {
    Kind kind;
    long number;
    SkipReason reason;
    bool operator==(const Seen& o) const
    {
        return kind == o.kind && number == o.number && (kind != Kind::Skipped || reason == o.reason);
    }
};

std::ostream& operator<<(std::ostream& out, const Seen& s)
{
    return out << "{kind " << static_cast<int>(s.kind) << ", line " << s.number << ", reason "
               << static_cast<int>(s.reason) << "}";
}

// Every line ReadNext gives until the end, and the credit of each record.
std::vector<Seen> ReadAllLines(CRBSTransactionFile& file, std::vector<double>* credits = nullptr)
{
    std::vector<Seen> seen;
    CTransactionRecord r;
    for (int guard = 0; guard < 100; ++guard) {
        const CRBSTransactionFile::Line line = file.ReadNext(r);
        if (line.kind == Kind::End)
            break;
        seen.push_back({line.kind, line.number, line.reason});
        if (line.kind == Kind::Record && credits)
            credits->push_back(r.Credit());
    }
    return seen;
}

Seen Rec(long n) { return {Kind::Record, n, SkipReason::TooFewFields}; }
Seen Blank(long n) { return {Kind::Blank, n, SkipReason::TooFewFields}; }
Seen Skip(long n, SkipReason reason) { return {Kind::Skipped, n, reason}; }

} // namespace

TEST_F(ReaderTest, ReadNextPassesOverBlankAndUnreadableLines)
{
    auto credit = [](const std::string& amount) { return Join(Fields14("BAC", "", amount)); };
    std::vector<std::string> thirteen = Fields14("BAC", "", "1");
    thirteen.pop_back();
    std::vector<std::string> badDate = Fields14("BAC", "", "1");
    badDate[9] = "31/02/2026";
    std::vector<std::string> noDate = Fields14("BAC", "", "1");
    noDate[9] = "";
    std::vector<std::string> badDebit = Fields14("BAC", "12.5x", "");
    std::vector<std::string> badUnusedCredit = Fields14("BAC", "3.00", "n/a");
    const std::string lines[] = {
        credit("1"),          // 2
        "",                   // 3 blank
        ",,,,,,,,,,,,,",      // 4 only separators
        " \t, ,\r",           // 5 separators and white space
        Join(thirteen),       // 6
        credit("2"),          // 7
        Join(badDate),        // 8
        Join(noDate),         // 9
        Join(badDebit),       // 10
        Join(badUnusedCredit),// 11
        Join(Fields18()),     // 12: 18 fields under a 14-field header
        credit("\"3.00\""),   // 13
        "",                   // 14 blank at the end
    };
    CRBSTransactionFile file(Statement(std::vector<std::string>(std::begin(lines), std::end(lines)), 14).c_str(),
                             std::ios::in | std::ios::binary);
    ASSERT_TRUE(file.PrepareColumns());
    std::vector<double> credits;
    const std::vector<Seen> expected = {
        Rec(2),
        Blank(3),
        Blank(4),
        Blank(5),
        Skip(6, SkipReason::TooFewFields),
        Rec(7),
        Skip(8, SkipReason::NotADate),
        Skip(9, SkipReason::NotADate),
        Skip(10, SkipReason::NotAnAmount),
        Skip(11, SkipReason::NotAnAmount),
        Skip(12, SkipReason::BeyondHeader),
        Rec(13),
        Blank(14),
    };
    EXPECT_EQ(ReadAllLines(file, &credits), expected);
    EXPECT_EQ(credits, (std::vector<double>{1, 2, 3}));
    EXPECT_TRUE(g_messages.empty()) << "ReadNext writes no diagnostics";
    CTransactionRecord r;
    EXPECT_EQ(file.ReadNext(r).kind, Kind::End);
    EXPECT_EQ(file.ReadNext(r).kind, Kind::End) << "the end stays the end";
}

TEST_F(ReaderTest, ReadNextSkipsOverlongLinesWholeAndGoesOn)
{
    auto lineOfLength = [](std::size_t length, const std::string& credit) {
        std::vector<std::string> f = Fields18();
        f[11] = std::string(1000, 'n');
        f[16] = "";
        f[17] = credit;
        const std::size_t base = Join(f).size();
        f[12] = std::string(length - base, 'n');
        return Join(f);
    };
    // The limit counts the line's characters, not the carriage return that
    // ends it in binary mode; without a final line feed the last line counts.
    const std::string text = Join(Titles(18)) + "\r\n" + lineOfLength(2047, "1") + "\r\n" + lineOfLength(2048, "2") +
                             "\r\n" + lineOfLength(5000, "3") + "\n" + lineOfLength(2047, "4") + "\n" +
                             lineOfLength(2048, "5") + "\n" + Join(Fields14("BAC", "", "6")) + "\r\n" +
                             lineOfLength(2047, "7");
    for (std::ios::openmode mode : {std::ios::in | std::ios::binary, std::ios::in}) {
        CRBSTransactionFile file(Write(text).c_str(), mode);
        ASSERT_TRUE(file.PrepareColumns());
        std::vector<double> credits;
        const std::vector<Seen> expected = {
            Rec(2), Skip(3, SkipReason::LineTooLong), Skip(4, SkipReason::LineTooLong), Rec(5),
            Skip(6, SkipReason::LineTooLong), Rec(7), Rec(8),
        };
        EXPECT_EQ(ReadAllLines(file, &credits), expected);
        EXPECT_EQ(credits, (std::vector<double>{1, 4, 6, 7}));
    }
}

TEST_F(ReaderTest, AnOverlongHeaderDoesNotSwallowTheFile)
{
    std::vector<std::string> titles = Titles(14);
    titles[13] = std::string(3000, 'T'); // its first 2047 characters still hold 14 fields
    CRBSTransactionFile file(Write(Join(titles) + "\n" + Join(Fields14("BAC", "", "5")) + "\n").c_str());
    EXPECT_EQ(file.HeaderFieldCount(), 14);
    ASSERT_TRUE(file.PrepareColumns());
    std::vector<double> credits;
    EXPECT_EQ(ReadAllLines(file, &credits), std::vector<Seen>{Rec(2)});
    EXPECT_EQ(credits, std::vector<double>{5});
}

TEST_F(ReaderTest, ByteOrderMarkMakesTheFileUtf8)
{
    // 36 é (2 bytes each) in the alias: cut to 35 characters, never halfway
    // through one. The same bytes without the mark are ANSI, cut by bytes.
    std::vector<std::string> f = Fields18();
    std::string e36;
    for (int i = 0; i < 36; ++i)
        e36 += "\xC3\xA9";
    f[2] = e36;
    f[10] = "Caf\xC3\xA9 \xE2\x82\xAC";
    f[15] = "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"; // four € for a type of three
    const std::string body = Join(Titles(18)) + "\r\n" + Join(f) + "\r\n";
    const std::string e35 = e36.substr(0, 70);

    CRBSTransactionFile utf8(Write("\xEF\xBB\xBF" + body).c_str(), std::ios::in | std::ios::binary);
    EXPECT_TRUE(utf8.IsUtf8());
    EXPECT_EQ(utf8.HeaderFieldCount(), 18);
    ASSERT_TRUE(utf8.PrepareColumns());
    CTransactionRecord r;
    ASSERT_EQ(utf8.ReadNext(r).kind, Kind::Record);
    EXPECT_EQ(std::string(r.AccountAlias()), e35);
    EXPECT_EQ(std::string(r.Narrative1()), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(std::string(r.Type()), "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC");

    CRBSTransactionFile ansi(Write(body).c_str(), std::ios::in | std::ios::binary);
    EXPECT_FALSE(ansi.IsUtf8());
    ASSERT_TRUE(ansi.PrepareColumns());
    ASSERT_EQ(ansi.ReadNext(r).kind, Kind::Record);
    EXPECT_EQ(std::string(r.AccountAlias()), e36.substr(0, 35)) << "ANSI widths are bytes";
    EXPECT_EQ(std::string(r.Type()), "\xE2\x82\xAC");

    // A mark alone is an empty header of one field; a mark later in the
    // file is just bytes.
    EXPECT_EQ(CRBSTransactionFile(Write("\xEF\xBB\xBF").c_str()).HeaderFieldCount(), 1);
    CRBSTransactionFile late(Write(Join(Titles(14)) + "\n\xEF\xBB\xBF" + Join(Fields14("BAC", "", "1")) + "\n").c_str());
    EXPECT_FALSE(late.IsUtf8());
}

TEST_F(ReaderTest, AccountColumnsAreKeptWholeBesideTheirCut)
{
    std::vector<std::string> f = Fields18();
    f[0] = "\"12-34-56\"";
    f[1] = "0123-4567";
    CRBSTransactionFile file(Statement({Join(f)}).c_str());
    ASSERT_TRUE(file.PrepareColumns());
    CTransactionRecord r;
    ASSERT_EQ(file.ReadNext(r).kind, Kind::Record);
    EXPECT_EQ(r.SortCode(), "12-34-");
    EXPECT_EQ(r.SortCodeColumn(), "12-34-56");
    EXPECT_EQ(r.AccountNumber(), "0123-456");
    EXPECT_EQ(r.AccountNumberColumn(), "0123-4567");
    r.Clear();
    EXPECT_EQ(r.SortCodeColumn(), "");
    EXPECT_EQ(r.AccountNumberColumn(), "");
}

// Dates that are wholly dates, and amounts as spreadsheets save them, in a
// Windows-1252 file and in a UTF-8 one; anything else is skipped and said.
TEST_F(ReaderTest, SpreadsheetAmountsImportAndPartialDatesAreSkipped)
{
    struct Line {
        const char* date;
        const char* debit; // the field as it stands in the file
        double amount;     // 0: skipped
        SkipReason reason;
    };
    const Line lines[] = {
        {"-1/-1/-1", "1.00", 0, SkipReason::NotADate},
        {"+1/+1/+1", "1.00", 0, SkipReason::NotADate},
        {"1/1/1x", "1.00", 0, SkipReason::NotADate},
        {"15/03/2024 ", "1.00", 1.00, {}},
        {"15/03/2024", "\xA3" "12.50", 12.50, {}},
        {"15/03/2024", "-\xA3" "12.50", 12.50, {}},
        {"15/03/2024", "\xA3-12.50", 12.50, {}},
        {"15/03/2024", "GBP 12.50", 12.50, {}},
        {"15/03/2024", "\"\xA3" "1,234.56\"", 1234.56, {}},
        {"15/03/2024", "12.50\xA3x", 0, SkipReason::NotAnAmount},
    };
    for (const bool utf8 : {false, true}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "Windows-1252");
        std::string text = std::string(utf8 ? "\xEF\xBB\xBF" : "") + Join(Titles(14)) + "\r\n";
        for (const Line& l : lines) {
            std::string debit = l.debit;
            const std::size_t pound = debit.find('\xA3');
            if (utf8 && pound != std::string::npos)
                debit.insert(pound, "\xC2");
            std::vector<std::string> f = Fields14("DD", debit, "");
            f[9] = l.date;
            text += Join(f) + "\r\n";
        }
        CRBSTransactionFile file(Write(text).c_str(), std::ios::in | std::ios::binary);
        ASSERT_TRUE(file.PrepareColumns());
        CTransactionRecord r;
        for (const Line& l : lines) {
            SCOPED_TRACE(std::string(l.date) + " " + l.debit);
            const CRBSTransactionFile::Line line = file.ReadNext(r);
            if (l.amount == 0) {
                EXPECT_EQ(line.kind, Kind::Skipped);
                EXPECT_EQ(line.reason, l.reason);
            } else {
                ASSERT_EQ(line.kind, Kind::Record);
                EXPECT_DOUBLE_EQ(r.Debit(), l.amount);
                EXPECT_EQ(r.Date(), 45366.0);
            }
        }
    }
}

namespace {

TEST_F(ReaderTest, ARecordHoldsItsOwnLineAloneWithOrWithoutTheAccountDetails)
{
    std::vector<std::string> first = Fields18();
    for (int i = 11; i <= 14; ++i)
        first[static_cast<std::size_t>(i)] = "N" + std::to_string(i - 9);
    std::vector<std::string> second = Fields18();
    second[16] = "";
    second[17] = "12.00";
    const std::string path = Statement({Join(first), Join(second)});
    for (bool details : {true, false}) {
        SCOPED_TRACE(details ? "with the account details" : "without them");
        CRBSTransactionFile file(path.c_str(), std::ios::in | std::ios::binary);
        ASSERT_TRUE(file.PrepareColumns());
        file.ReadAccountDetails(details);
        CTransactionRecord r;
        ASSERT_EQ(file.ReadNext(r).kind, CRBSTransactionFile::LineKind::Record);
        EXPECT_STREQ(r.Narrative5(), "N5");
        EXPECT_EQ(r.IsDebit(), 1);
        ASSERT_EQ(file.ReadNext(r).kind, CRBSTransactionFile::LineKind::Record);
        // Nothing of the first line is left in the second's record.
        for (const CString* narrative : {&r.Narrative2(), &r.Narrative3(), &r.Narrative4(), &r.Narrative5()})
            EXPECT_STREQ(*narrative, "");
        EXPECT_EQ(r.IsDebit(), 0);
        EXPECT_EQ(r.Debit(), 0.0);
        EXPECT_EQ(r.Credit(), 12.0);
        EXPECT_STREQ(r.SortCode(), "123456");
        EXPECT_STREQ(r.AccountNumber(), "12345678");
        EXPECT_STREQ(r.Narrative1(), "RENT MARCH");
        EXPECT_STREQ(r.Type(), "DD");
        EXPECT_NE(r.Date(), 0.0);
        const CString* const shown[] = {&r.AccountAlias(), &r.AccountShortName(), &r.Currency(), &r.AccountType(),
                                        &r.BIC(),          &r.BankName(),         &r.BranchName()};
        for (std::size_t i = 0; i < std::size(shown); ++i)
            EXPECT_EQ(std::string(*shown[i]), details ? second[i + 2] : "") << "column " << i + 3;
    }
}

} // namespace
