// The four payment file writers: whole files compared byte for byte with
// lines written out by hand from the layouts, the order in which a writer
// reads the payment and stores its codes, and the columns kept intact when
// host texts carry commas or line breaks.
#include "payments/payment_writers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fake_payment.h"
#include "payments/payment_checks.h"

using namespace qf;
using qf::test::FakePayment;
using qf::test::PaymentData;

namespace {

// 5 March 2024, 18:00: the time of day must not show.
constexpr double kProcessingDate = 45356.75;

// A file opened in binary mode, as the payment run opens it.
class OutputFile {
public:
    OutputFile()
    {
        m_name = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".csv";
        m_file = std::fopen(m_name.c_str(), "wb+");
        EXPECT_NE(m_file, nullptr) << m_name;
    }
    ~OutputFile()
    {
        if (m_file)
            std::fclose(m_file);
        std::remove(m_name.c_str());
    }
    std::FILE* Get() const { return m_file; }
    std::string Contents() const
    {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string bytes;
        char block[4096];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, m_file)) > 0;)
            bytes.append(block, n);
        return bytes;
    }

private:
    std::string m_name;
    std::FILE* m_file = nullptr;
};

// The commas of each line; fails the test when a line does not end in CR LF
// or a lone CR or LF appears.
std::vector<int> CommasPerLine(const std::string& bytes)
{
    std::vector<int> counts;
    int commas = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == ',') {
            ++commas;
        } else if (bytes[i] == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "CR without LF at " << i;
            ++i;
            counts.push_back(commas);
            commas = 0;
        } else if (bytes[i] == '\n') {
            ADD_FAILURE() << "LF without CR at " << i;
        }
    }
    EXPECT_EQ(commas, 0) << "the last line has no line end";
    return counts;
}

std::string Empty(int columns) { return std::string(static_cast<std::size_t>(columns), ','); }

// An ordinary supplier payment.
PaymentData Ordinary()
{
    PaymentData d;
    d.amount = 1234.5;
    d.payerSortCode = "12-34-56";
    d.payerAccountNumber = "12345678";
    d.payeeBACSReference = "Inv 1001/A";
    d.payeeSortCode = "65 43 21";
    d.payeeAccountNumber = "87654321";
    d.payeeAccountName = "Smith & Sons (Bath) Ltd.";
    d.details = "June invoices";
    return d;
}

// Marked as an IAT by the dialog; a roll number, no name, an amount on a
// rounding tie.
PaymentData Transfer()
{
    PaymentData d;
    d.amount = 0.125;
    d.payerSortCode = "12-34-56";
    d.payerAccountNumber = "12345678";
    d.payeeSortCode = "112233";
    d.payeeAccountNumber = "01234567";
    d.payeeRollNumber = "Roll no. 4471-XY/2024-B";
    d.statusCode = kIatMark;
    return d;
}

// Neither roll number nor BACS reference; bad payee sort code and account.
PaymentData Unreferenced()
{
    PaymentData d;
    d.amount = 99.995;
    d.payerSortCode = "65-43-21";
    d.payerAccountNumber = "1234-5678";
    d.payeeSortCode = "1-2-3-4-5";
    d.payeeAccountNumber = "123456789012";
    d.payeeAccountName = "O'Brien, J";
    return d;
}

const CString kTemplate = "Monthly (suppliers) run #7, main";
const CString kBeneficiaryReference = "Ben-Ref: June/2024 (final)";

} // namespace

TEST(PaymentWritersTest, StandardFile)
{
    OutputFile file;
    FakePayment ordinary(Ordinary()), transfer(Transfer());
    EXPECT_TRUE(WritePaymentRecord(file.Get(), ordinary, kProcessingDate, PaymentFormat::Standard, kTemplate));
    EXPECT_TRUE(WritePaymentRecord(file.Get(), transfer, kProcessingDate, PaymentFormat::Standard, kTemplate));

    const std::string expected =
        // columns 1-10 | 11-20 | 21-30 | 31-40 | 41-85
        ",,,01,,,,,,,"
        ",,12345612345678,,,,1234.50,,05032024,,"
        ",,,,654321,,,,,,"
        "87654321,,SMITH & SONS BATH ,,,,INV 1001/A,,,," + Empty(44) + "\r\n"
        ",,,03,,,,,,,"
        ",,12345612345678,,,GBP,0.12,,05032024,,"
        ",,,,112233,,,,,,"
        "01234567,,,,,,,,,ROLL NO. 4471-XY," + Empty(44) + "\r\n";
    const std::string actual = file.Contents();
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(CommasPerLine(actual), (std::vector<int>{84, 84}));
    EXPECT_EQ(ordinary.Status(), kPaymentOk);
    EXPECT_EQ(transfer.Status(), kPaymentOk);
}

TEST(PaymentWritersTest, TemplateFile)
{
    OutputFile file;
    FakePayment ordinary(Ordinary()), transfer(Transfer());
    EXPECT_TRUE(WritePaymentRecord(file.Get(), ordinary, kProcessingDate, PaymentFormat::Template, kTemplate));
    EXPECT_TRUE(WritePaymentRecord(file.Get(), transfer, kProcessingDate, PaymentFormat::Template, kTemplate));

    const std::string expected =
        ",,,01,,MONTHLY SUPPLIERS RU,,,,,"
        ",,12345612345678,,,GBP,1234.50,,05032024,,"
        ",,,,,,,,,,"
        ",,,,,,INV 1001/A,,,," + Empty(44) + "\r\n"
        ",,,03,,MONTHLY SUPPLIERS RU,,,,,"
        ",,12345612345678,,,GBP,0.12,,05032024,,"
        ",,,,,,,,,,"
        ",,,,,,,,,ROLL NO. 4471-XY," + Empty(44) + "\r\n";
    const std::string actual = file.Contents();
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(CommasPerLine(actual), (std::vector<int>{84, 84}));
}

TEST(PaymentWritersTest, BulkListFile)
{
    OutputFile file;
    FakePayment ordinary(Ordinary()), transfer(Transfer());
    EXPECT_TRUE(WriteBulkListHeader(file.Get(), ordinary, kProcessingDate, kTemplate, kBeneficiaryReference));
    EXPECT_TRUE(WritePaymentRecord(file.Get(), ordinary, kProcessingDate, PaymentFormat::BulkList, kTemplate));
    // No IAT in a bulk list, so the missing name counts.
    EXPECT_FALSE(WritePaymentRecord(file.Get(), transfer, kProcessingDate, PaymentFormat::BulkList, kTemplate));

    const std::string expected =
        ",,,06,,MONTHLY SUPPLIERS RU,,,,,"
        ",,12345612345678,,,,,,05032024,,"
        ",,,,,,,,,,"
        ",,,,,,BEN-REF JUNE/2024 ,,,," + Empty(30) +
        ",,,C,,,,,,\r\n"
        ",,,07,,,,INV 1001/A,,,"
        ",,,,,GBP,1234.50,,,,"
        ",,,,654321,,,,,,"
        "87654321,,SMITH & SONS BATH ,,,,,,,," + Empty(44) + "\r\n"
        ",,,07,,,,,,,"
        ",,,,,GBP,0.12,,,,"
        ",,,,112233,,,,,,"
        "01234567,,,,,,ROLL NO. 4471-XY/2,,,," + Empty(44) + "\r\n";
    const std::string actual = file.Contents();
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(CommasPerLine(actual), (std::vector<int>{79, 84, 84}));
    EXPECT_EQ(ordinary.Status(), kPaymentOk);
    EXPECT_EQ(transfer.Status(), kMissingPayeeAccountName);
}

TEST(PaymentWritersTest, AdHocBulkFileWithEachReferenceSource)
{
    OutputFile file;
    FakePayment ordinary(Ordinary()), transfer(Transfer()), unreferenced(Unreferenced());
    EXPECT_TRUE(WriteAdHocBulkHeader(file.Get(), ordinary, kProcessingDate, kBeneficiaryReference,
                                     "C:\\Pay\\June payments.csv"));
    EXPECT_TRUE(WriteAdHocBulkRecord(file.Get(), ordinary));
    EXPECT_FALSE(WriteAdHocBulkRecord(file.Get(), transfer));
    EXPECT_FALSE(WriteAdHocBulkRecord(file.Get(), unreferenced));

    const std::string expected =
        ",,,08,,,,,JUNE PAYMENTS.CS,,"
        ",,12345612345678,,,,,,05032024,,"
        ",,,,,,,,,,"
        ",,,,,,BEN-REF JUNE/2024 ,,,," + Empty(44) + "\r\n"
        // the BACS reference, as there is no roll number
        ",,,09,,,,,,,"
        ",,,,,GBP,1234.50,,,,"
        ",,,,654321,,,,,,"
        "87654321,,SMITH & SONS BATH LTD.,,,,INV 1001/A,,,," + Empty(44) + "\r\n"
        // the roll number
        ",,,09,,,,,,,"
        ",,,,,GBP,0.12,,,,"
        ",,,,112233,,,,,,"
        "01234567,,,,,,ROLL NO. 4471-XY/2,,,," + Empty(44) + "\r\n"
        // the payer's sort code and account number, digits only
        ",,,09,,,,,,,"
        ",,,,,GBP,100.00,,,,"
        ",,,,12345 ,,,,,,"
        "12345678,,OBRIEN J,,,,65432112345678,,,," + Empty(44) + "\r\n";
    const std::string actual = file.Contents();
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(CommasPerLine(actual), (std::vector<int>{84, 84, 84, 84}));
    EXPECT_EQ(transfer.Status(), kMissingPayeeAccountName);
    EXPECT_EQ(unreferenced.Status(), kInvalidPayeeAccountNumber);
}

TEST(PaymentWritersTest, FailingValuesAreWrittenAsNormalisedCutAndPadded)
{
    PaymentData d = Unreferenced();
    d.payerSortCode = "12345";
    d.payerAccountNumber = "987";
    d.amount = 4.999999987376214e-07;
    OutputFile file;
    FakePayment payment(d);
    EXPECT_FALSE(WritePaymentRecord(file.Get(), payment, kProcessingDate, PaymentFormat::Standard, ""));
    const std::string expected =
        ",,,01,,,,,,,"
        ",,01234500000987,,,,0.00,,05032024,,"
        ",,,,12345 ,,,,,,"
        "12345678,,OBRIEN J,,,,,,,," + Empty(44) + "\r\n";
    EXPECT_EQ(file.Contents(), expected);
    EXPECT_EQ(payment.Status(), kInvalidPayeeAccountNumber);
}

TEST(PaymentWritersTest, TheWidestAmountStillMakesOneWholeLine)
{
    PaymentData d = Ordinary();
    d.amount = -DBL_MAX;
    d.payeeAccountName = "An account name that is longer than thirty-five characters";
    OutputFile file;
    FakePayment payment(d);
    EXPECT_FALSE(WriteAdHocBulkRecord(file.Get(), payment));
    const std::string bytes = file.Contents();
    EXPECT_EQ(CommasPerLine(bytes), (std::vector<int>{84}));
    EXPECT_NE(bytes.find(",GBP,-179769"), std::string::npos);
    EXPECT_NE(bytes.find(".00,"), std::string::npos);
    EXPECT_EQ(payment.Status(), kInvalidAmount);
}

TEST(PaymentWritersTest, BulkListReferenceFallsBackToTheUncleanedText)
{
    PaymentData d = Ordinary();
    d.payeeBACSReference = "(*'\x80,\"\r\n!)"; // the euro sign has no bank character either
    OutputFile file;
    FakePayment payment(d);
    EXPECT_TRUE(WritePaymentRecord(file.Get(), payment, kProcessingDate, PaymentFormat::BulkList, ""));
    const std::string expected =
        ",,,07,,,,(*'\x80!),,,"
        ",,,,,GBP,1234.50,,,,"
        ",,,,654321,,,,,,"
        "87654321,,SMITH & SONS BATH ,,,,,,,," + Empty(44) + "\r\n";
    EXPECT_EQ(file.Contents(), expected);

    // Only the first 25 characters of either form are written.
    OutputFile second;
    d.payeeBACSReference = "abcdefghij-klmnopqrst-uvwxyz";
    FakePayment cleaned(d);
    WritePaymentRecord(second.Get(), cleaned, kProcessingDate, PaymentFormat::BulkList, "");
    EXPECT_EQ(second.Contents().substr(0, 35), ",,,07,,,,ABCDEFGHIJ-KLMNOPQRST-UVW,");
    OutputFile third;
    d.payeeBACSReference = "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!";
    FakePayment uncleaned(d);
    WritePaymentRecord(third.Get(), uncleaned, kProcessingDate, PaymentFormat::BulkList, "");
    EXPECT_EQ(third.Contents().substr(0, 35), ",,,07,,,,!!!!!!!!!!!!!!!!!!!!!!!!!,");
}

// Host texts written without cleaning lose commas, quotes and line breaks,
// so that a line never gains a column or breaks in two; the checks still
// see the text as the host gave it.
TEST(PaymentWritersTest, UncleanedTextsCannotBreakTheLine)
{
    PaymentData d = Ordinary();
    d.payerAccountNumber = "1,2\"3\r\n4";
    d.payeeAccountNumber = "8765,4321";
    d.payeeBACSReference = ",\r\n\",";
    const PaymentFormat formats[] = {PaymentFormat::Standard, PaymentFormat::Template, PaymentFormat::BulkList,
                                     PaymentFormat::AdHocBulk};
    for (PaymentFormat format : formats) {
        OutputFile file;
        FakePayment payment(d);
        std::vector<int> expectedCommas{84};
        if (format == PaymentFormat::BulkList) {
            EXPECT_FALSE(WriteBulkListHeader(file.Get(), payment, kProcessingDate, "", ""));
            expectedCommas = {79, 84};
        }
        if (format == PaymentFormat::AdHocBulk) {
            EXPECT_FALSE(WriteAdHocBulkHeader(file.Get(), payment, kProcessingDate, "", "C:\\a,b\r\n.csv"));
            expectedCommas = {84, 84};
        }
        EXPECT_FALSE(WritePaymentRecord(file.Get(), payment, kProcessingDate, format, ""));
        const std::string bytes = file.Contents();
        EXPECT_EQ(CommasPerLine(bytes), expectedCommas);
        // The payer's column is in every file (in the header of the bulk
        // layouts); the payee's account in every record but Template.
        const bool payeeWritten = format != PaymentFormat::Template;
        EXPECT_NE(bytes.find(",12345600001234,"), std::string::npos) << static_cast<int>(format);
        EXPECT_EQ(bytes.find(",87654321,") != std::string::npos, payeeWritten) << static_cast<int>(format);
        EXPECT_EQ(payment.Status(), kInvalidPayeeAccountNumber) << static_cast<int>(format);
    }
}

TEST(PaymentWritersTest, PayeeNameCheckLooksAtTheHostText)
{
    // Only characters that cleaning drops: the name is there, so it passes
    // and is written as an empty column.
    PaymentData d = Ordinary();
    d.payeeAccountName = "(),'";
    OutputFile file;
    FakePayment punctuation(d);
    EXPECT_TRUE(WriteAdHocBulkRecord(file.Get(), punctuation));

    // A host text whose conversion is empty (it begins with a zero) is still a name.
    d.payeeAccountName = "";
    d.nameHasHostText = true;
    FakePayment converted(d);
    EXPECT_TRUE(WritePaymentRecord(file.Get(), converted, kProcessingDate, PaymentFormat::Standard, ""));

    d.nameHasHostText = false;
    FakePayment missing(d);
    EXPECT_FALSE(WritePaymentRecord(file.Get(), missing, kProcessingDate, PaymentFormat::Standard, ""));
    EXPECT_EQ(missing.Status(), kMissingPayeeAccountName);

    const std::vector<int> commas = CommasPerLine(file.Contents());
    EXPECT_EQ(commas, (std::vector<int>{84, 84, 84}));
    EXPECT_NE(file.Contents().find(",87654321,,,,,,INV 1001/A,"), std::string::npos);
}

TEST(PaymentWritersTest, AnyStatusLeftOnAPaymentMarksItAsTransfer)
{
    PaymentData d = Ordinary();
    d.statusCode = kInvalidPayeeAccountNumber; // left from an earlier run
    for (PaymentFormat format : {PaymentFormat::Standard, PaymentFormat::Template}) {
        OutputFile file;
        FakePayment payment(d);
        EXPECT_TRUE(WritePaymentRecord(file.Get(), payment, kProcessingDate, format, ""));
        EXPECT_EQ(file.Contents().substr(0, 6), ",,,03,");
        EXPECT_EQ(payment.Status(), kPaymentOk);
    }
    OutputFile file;
    FakePayment payment(d);
    EXPECT_TRUE(WritePaymentRecord(file.Get(), payment, kProcessingDate, PaymentFormat::BulkList, ""));
    EXPECT_EQ(file.Contents().substr(0, 6), ",,,07,");
}

// Every read of the payment and every StatusCode write, in order. The
// failing payment breaks every rule, so each check's code shows up in turn
// and the last one stays on the payment.
TEST(PaymentWritersTest, ReadsAndStatusWritesFollowTheLayout)
{
    PaymentData bad;
    bad.payerSortCode = "12345";
    bad.payerAccountNumber = "1234 5678";
    bad.payeeAccountNumber = "1234567";
    PaymentData good = Ordinary();
    PaymentData goodTransfer = Ordinary();
    goodTransfer.statusCode = kIatMark;
    PaymentData badTransfer = bad;
    badTransfer.statusCode = kIatMark;
    PaymentData rolledTransfer = goodTransfer;
    rolledTransfer.payeeRollNumber = "R1";

    using Log = std::vector<std::string>;
    enum Writer { BulkHeader, AdHocHeader, Standard, Template, BulkList, AdHoc };
    const struct Case {
        const char* name;
        Writer writer;
        PaymentData data;
        Log log;
        std::int32_t status;
    } cases[] = {
        {"standard failing", Standard, bad,
         {"StatusCode", "StatusCode=0", "PayerSortCode", "StatusCode=23", "PayerAccountNumber", "StatusCode=24",
          "Amount", "StatusCode=21", "PayeeSortCode", "StatusCode=28", "PayeeAccountNumber", "StatusCode=29",
          "PayeeAccountName", "StatusCode=30", "PayeeRollNumber", "PayeeBACSReference"},
         30},
        {"standard IAT failing", Standard, badTransfer,
         {"StatusCode", "StatusCode=0", "PayerSortCode", "StatusCode=23", "PayerAccountNumber", "StatusCode=24",
          "Amount", "StatusCode=21", "PayeeSortCode", "StatusCode=28", "PayeeAccountNumber", "StatusCode=29",
          "PayeeRollNumber", "PayeeBACSReference"},
         29},
        {"template failing", Template, bad,
         {"StatusCode", "StatusCode=0", "PayerSortCode", "StatusCode=23", "PayerAccountNumber", "StatusCode=24",
          "Amount", "StatusCode=21", "PayeeSortCode", "StatusCode=28", "PayeeAccountNumber", "StatusCode=29",
          "PayeeRollNumber", "PayeeBACSReference"},
         29},
        {"template IAT with a roll number", Template, rolledTransfer,
         {"StatusCode", "StatusCode=0", "PayerSortCode", "PayerAccountNumber", "Amount", "PayeeSortCode",
          "PayeeAccountNumber", "PayeeRollNumber"},
         0},
        {"bulk list failing", BulkList, badTransfer,
         {"StatusCode=0", "PayeeBACSReference", "Amount", "StatusCode=21", "PayeeSortCode", "StatusCode=28",
          "PayeeAccountNumber", "StatusCode=29", "PayeeAccountName", "StatusCode=30", "PayeeRollNumber"},
         30},
        {"ad hoc bulk failing", AdHoc, bad,
         {"StatusCode=0", "Amount", "StatusCode=21", "PayeeSortCode", "StatusCode=28", "PayeeAccountNumber",
          "StatusCode=29", "PayeeAccountName", "StatusCode=30", "PayeeRollNumber", "PayeeBACSReference",
          "PayerSortCode", "PayerAccountNumber"},
         30},
        {"ad hoc bulk", AdHoc, good,
         {"StatusCode=0", "Amount", "PayeeSortCode", "PayeeAccountNumber", "PayeeAccountName", "PayeeRollNumber",
          "PayeeBACSReference"},
         0},
        {"bulk list header failing", BulkHeader, bad,
         {"StatusCode=0", "PayerSortCode", "StatusCode=23", "PayerAccountNumber", "StatusCode=24"}, 24},
        {"ad hoc bulk header failing", AdHocHeader, bad,
         {"StatusCode=0", "PayerSortCode", "StatusCode=23", "PayerAccountNumber", "StatusCode=24"}, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OutputFile file;
        FakePayment payment(c.data);
        bool passed = false;
        switch (c.writer) {
        case BulkHeader: passed = WriteBulkListHeader(file.Get(), payment, kProcessingDate, "", ""); break;
        case AdHocHeader: passed = WriteAdHocBulkHeader(file.Get(), payment, kProcessingDate, "", "x.csv"); break;
        case Standard:
            passed = WritePaymentRecord(file.Get(), payment, kProcessingDate, PaymentFormat::Standard, "");
            break;
        case Template:
            passed = WritePaymentRecord(file.Get(), payment, kProcessingDate, PaymentFormat::Template, "");
            break;
        case BulkList:
            passed = WritePaymentRecord(file.Get(), payment, kProcessingDate, PaymentFormat::BulkList, "");
            break;
        case AdHoc: passed = WriteAdHocBulkRecord(file.Get(), payment); break;
        }
        EXPECT_EQ(payment.Log(), c.log);
        EXPECT_EQ(payment.Status(), c.status);
        EXPECT_EQ(passed, c.status == 0);
    }
}

// A value the host fails to deliver is never written as if it had been
// given: the payment fails with its property's code, and the record is
// still written whole, the unknown value left out.
TEST(PaymentWritersTest, ValuesTheHostFailsToDeliverFailThePayment)
{
    PaymentData transfer = Ordinary();
    transfer.statusCode = kIatMark;
    PaymentData rolled = Ordinary();
    rolled.payeeRollNumber = "R1";
    PaymentData unreferenced = Ordinary();
    unreferenced.payeeBACSReference = "";
    using P = PaymentProperty;
    const struct Case {
        PaymentFormat format;
        PaymentData data;
        PaymentProperty failing;
        std::int32_t status;
        const char* type;      // column 4
        int column;            // the reference column and what it holds
        const char* reference;
    } cases[] = {
        {PaymentFormat::Standard, transfer, P::StatusCode, 35, "01", 37, "INV 1001/A"},
        {PaymentFormat::Template, transfer, P::StatusCode, 35, "01", 37, "INV 1001/A"},
        {PaymentFormat::BulkList, transfer, P::StatusCode, 0, "07", 8, "INV 1001/A"}, // no mark read
        {PaymentFormat::Standard, Ordinary(), P::PayeeBACSReference, 27, "01", 37, ""},
        {PaymentFormat::Standard, rolled, P::PayeeRollNumber, 31, "01", 37, ""}, // not the BACS reference
        {PaymentFormat::Standard, Ordinary(), P::Details, 0, "01", 37, "INV 1001/A"}, // not in the file
        {PaymentFormat::BulkList, Ordinary(), P::PayeeBACSReference, 27, "07", 8, ""},
        {PaymentFormat::BulkList, rolled, P::PayeeRollNumber, 31, "07", 37, ""},
        {PaymentFormat::AdHocBulk, rolled, P::PayeeRollNumber, 31, "09", 37, ""},
        {PaymentFormat::AdHocBulk, Ordinary(), P::PayeeBACSReference, 27, "09", 37, ""},
        {PaymentFormat::AdHocBulk, unreferenced, P::PayerSortCode, 23, "09", 37, "12345678"},
        {PaymentFormat::AdHocBulk, unreferenced, P::PayerAccountNumber, 24, "09", 37, "123456"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(PropertyName(c.failing)) + " in format " + std::to_string(int(c.format)));
        PaymentData data = c.data;
        data.unreadable = {c.failing};
        OutputFile file;
        FakePayment payment(data);
        EXPECT_EQ(WritePaymentRecord(file.Get(), payment, kProcessingDate, c.format, kTemplate), c.status == 0);
        EXPECT_EQ(payment.Status(), c.status);
        const std::string line = file.Contents();
        EXPECT_EQ(CommasPerLine(line), std::vector<int>{84});
        std::vector<std::string> fields(1);
        for (char ch : line.substr(0, line.size() - 2)) {
            if (ch == ',')
                fields.emplace_back();
            else
                fields.back().push_back(ch);
        }
        EXPECT_EQ(fields[3], c.type);
        EXPECT_EQ(fields[static_cast<std::size_t>(c.column) - 1], c.reference);
    }
}

TEST(PaymentWritersTest, AdHocBulkPaymentsGivenToThePaymentWriterGetTheirOwnRecord)
{
    OutputFile file;
    FakePayment payment(Ordinary());
    EXPECT_TRUE(WritePaymentRecord(file.Get(), payment, kProcessingDate, PaymentFormat::AdHocBulk, ""));
    EXPECT_EQ(file.Contents().substr(0, 6), ",,,09,");
}

TEST(PaymentWritersTest, UnusableArgumentsThrowBeforeThePaymentIsTouched)
{
    OutputFile file;
    FakePayment payment(Ordinary());
    const double noDates[] = {-700000.0, 3e6, NAN};
    for (double date : noDates) {
        EXPECT_THROW(WritePaymentRecord(file.Get(), payment, date, PaymentFormat::Standard, ""), hr_t);
        EXPECT_THROW(WriteBulkListHeader(file.Get(), payment, date, "", ""), hr_t);
        EXPECT_THROW(WriteAdHocBulkHeader(file.Get(), payment, date, "", "x.csv"), hr_t);
    }
    EXPECT_THROW(WritePaymentRecord(nullptr, payment, kProcessingDate, PaymentFormat::Standard, ""), hr_t);
    EXPECT_THROW(WriteAdHocBulkRecord(nullptr, payment), hr_t);
    EXPECT_THROW(WriteBulkListHeader(nullptr, payment, kProcessingDate, "", ""), hr_t);
    EXPECT_THROW(WritePaymentRecord(file.Get(), payment, kProcessingDate, static_cast<PaymentFormat>(4), ""), hr_t);
    EXPECT_TRUE(payment.Log().empty());
    EXPECT_EQ(file.Contents(), "");
}
