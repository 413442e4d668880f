// The writers' view of the host's payments, over the host's own objects.
#include "payments/win/host_payments.h"

#include <gtest/gtest.h>

#include "tests/support/com_test.h"

using namespace qf;
using namespace qf::test;

using HostPaymentsTest = ComTest;

TEST_F(HostPaymentsTest, TextsGoThroughTheAnsiCodePage)
{
    auto batch = MakePayments(2);
    HostPaymentBatch view(batch.Get());
    EXPECT_EQ(view.Count(), 2);
    {
        ComPtr<ICorvanePayment> p;
        ASSERT_EQ(batch->Item(1, p.Put()), S_OK);
        Bstr name(L"Caf\u00e9 \u20ac Ltd"), empty(L"");
        p->put_PayeeAccountName(name.Get());
        p->put_PayeeRollNumber(empty.Get());
        p->put_StatusCode(29);
    }
    std::unique_ptr<Payment> payment = view.Item(1);
    ASSERT_TRUE(payment);
    HostText name = payment->PayeeAccountName();
    EXPECT_STREQ(name.text, "Caf\xe9 \x80 Ltd");
    EXPECT_FALSE(name.empty);
    EXPECT_STREQ(payment->PayerSortCode(), "12-34-56");
    EXPECT_STREQ(payment->PayeeRollNumber(), "");
    EXPECT_EQ(payment->Amount(), 10.0);
    EXPECT_EQ(payment->StatusCode(), 29);
    payment->SetStatusCode(0);
    EXPECT_EQ(payment->StatusCode(), 0);

    std::unique_ptr<Payment> missing = view.Item(2);
    EXPECT_FALSE(missing);
}

TEST_F(HostPaymentsTest, LongTextsAreCutTo255)
{
    auto batch = MakePayments(1);
    {
        ComPtr<ICorvanePayment> p;
        ASSERT_EQ(batch->Item(0, p.Put()), S_OK);
        Bstr details(std::wstring(300, L'x').c_str());
        p->put_Details(details.Get());
    }
    HostPaymentBatch view(batch.Get());
    EXPECT_EQ(view.Item(0)->Details().GetLength(), 255);
}

TEST_F(HostPaymentsTest, FailingHostCallsReadAsEmptyOrZero)
{
    auto batch = MakePayments(3);
    HostPaymentBatch view(batch.Get());
    std::unique_ptr<Payment> payment = view.Item(0);
    for (const wchar_t* member : {L"get_PayeeAccountName", L"get_PayerSortCode", L"get_Amount", L"get_StatusCode"}) {
        Bstr m(member);
        host->FailCall(m.Get(), 0, E_FAIL);
    }
    HostText name = payment->PayeeAccountName();
    EXPECT_STREQ(name.text, "");
    EXPECT_TRUE(name.empty) << "a name the host cannot deliver fails the name check";
    EXPECT_STREQ(payment->PayerSortCode(), "");
    EXPECT_EQ(payment->Amount(), 0.0);
    EXPECT_EQ(payment->StatusCode(), 0);
    SetErrorInfo(0, nullptr);

    Bstr item(L"Item"), count(L"get_Count");
    host->FailCall(item.Get(), 2, E_FAIL); // Item(0) above was the first call
    EXPECT_TRUE(view.Item(1)) << "the second call still succeeds";
    EXPECT_FALSE(view.Item(2));
    host->FailCall(count.Get(), 0, E_FAIL);
    EXPECT_EQ(view.Count(), 0);
    SetErrorInfo(0, nullptr);
}
