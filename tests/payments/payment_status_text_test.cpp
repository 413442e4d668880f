// Payment status texts as the host receives them, from the string table
// linked into this program.
#include "payments/win/payment_status_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/win/win32_services.h"
#include "resources/resource.h"
#include "com/com_holders.h"
#include "text/cstring.h"
#include "com/error_guard.h"

using namespace qf;

namespace {

struct ComApartment : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); SetErrorInfo(0, nullptr); }
    void TearDown() override { SetErrorInfo(0, nullptr); CoUninitialize(); }
};

// As the payment service calls it: under the error guard.
HRESULT GetStatusText(long code, BSTR* message)
{
    return Guard([&] { return LoadPaymentStatusText(code, message); });
}

std::wstring StatusText(long code)
{
    Bstr text;
    EXPECT_EQ(GetStatusText(code, text.Put()), S_OK) << code;
    EXPECT_NE(text.Get(), nullptr) << code;
    return text.Text();
}

} // namespace

using PaymentStatusTextTest = ComApartment;

TEST_F(PaymentStatusTextTest, ExactTexts)
{
    EXPECT_EQ(StatusText(0), L"Payment processed successfully.");
    EXPECT_EQ(StatusText(20),
              L"This payment is valid but the payment batch has been rejected because of errors elsewhere.");
    EXPECT_EQ(StatusText(24),
              L"Invalid Payer Bank Account Number: the account number must be 8 digits and a numeric value.");
    EXPECT_EQ(StatusText(30), L"Invalid or missing Payee bank account name.");
    EXPECT_EQ(StatusText(35), L"An error occurred with the status field.");
    EXPECT_EQ(StatusText(36), L"Not paid: the same payment was written to a payment file before and was left out "
                              L"of this one.");
}

TEST_F(PaymentStatusTextTest, EveryStatusCodeHasItsOwnText)
{
    std::wstring previous = StatusText(0);
    for (long code = 20; code <= 36; ++code) {
        const std::wstring text = StatusText(code);
        EXPECT_GT(text.size(), 20u) << code;
        EXPECT_EQ(text.back(), L'.') << code;
        EXPECT_NE(text, previous) << code;
        previous = text;
    }
}

TEST_F(PaymentStatusTextTest, CodesWithoutTextLeaveTheOutputAlone)
{
    const long codes[] = {1, 19, 37, 40, 340, -1, -280, LONG_MIN, LONG_MAX};
    for (long code : codes) {
        Bstr kept(L"host's own text");
        BSTR before = kept.Get();
        BSTR message = before;
        EXPECT_EQ(GetStatusText(code, &message), S_OK) << code;
        EXPECT_EQ(message, before) << code;
        EXPECT_EQ(std::wstring(kept.Text()), L"host's own text");
    }
}

TEST_F(PaymentStatusTextTest, NullOutputIsAnInvalidArgument)
{
    EXPECT_EQ(GetStatusText(0, nullptr), static_cast<HRESULT>(0x800AFFFC));
    IErrorInfo* raw = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &raw), S_OK);
    auto info = ComPtr<IErrorInfo>::Attach(raw);
    Bstr description;
    info->GetDescription(description.Put());
    EXPECT_EQ(std::wstring(description.Text()), L"Invalid argument");
}

TEST(PaymentMessagesTest, TooManyPaymentsMessage)
{
    CString text;
    ASSERT_TRUE(text.LoadResourceText(platform::ResourceModule(), IDS_TOO_MANY_PAYMENTS));
    EXPECT_EQ(text, "Too many payment instructions have been submitted. RBS/NatWest Internet Bankline supports a "
                    "maximum of 4000 payments in a single file.");
}
