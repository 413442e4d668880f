#include "com/error_guard.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "tests/support/com_test.h"
#include "text/cstring.h"

using namespace qf;
using qf::test::TakeErrorDescription;

namespace {

void SetThreadError(const wchar_t* description)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.Put()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(description));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(create.As(IID_IErrorInfo, info), S_OK);
    SetErrorInfo(0, info.Get());
}

struct ComApartment : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); SetErrorInfo(0, nullptr); }
    void TearDown() override { SetErrorInfo(0, nullptr); CoUninitialize(); }
};

} // namespace

using ReportComErrorTest = ComApartment;

TEST_F(ReportComErrorTest, TableRowsGiveDescriptionAndControlCode)
{
    struct Row { HRESULT in; HRESULT out; const wchar_t* text; };
    const Row rows[] = {
        {E_UNEXPECTED, static_cast<HRESULT>(0x800AFFFE), L"Unexpected result"},
        {E_OUTOFMEMORY, static_cast<HRESULT>(0x800AFFFD), L"Out of Memory"},
        {E_INVALIDARG, static_cast<HRESULT>(0x800AFFFC), L"Invalid argument"},
        {E_NOTIMPL, static_cast<HRESULT>(0x800AFFFB), L"Not implemented"},
        {E_NOINTERFACE, static_cast<HRESULT>(0x800AFFFA), L"Interface not supported"},
        {E_FAIL, static_cast<HRESULT>(0x800AFFFE), L"Unexpected result"},
        {static_cast<HRESULT>(0x80070005), static_cast<HRESULT>(0x800AFFFE), L"Unexpected result"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ReportComError(r.in), r.out) << std::hex << r.in;
        EXPECT_EQ(TakeErrorDescription(), r.text) << std::hex << r.in;
    }
}

TEST_F(ReportComErrorTest, ControlFacilityAndDispatchExceptionPassThroughUntouched)
{
    SetThreadError(L"set by someone else");
    EXPECT_EQ(ReportComError(static_cast<HRESULT>(0x800AFFFC)), static_cast<HRESULT>(0x800AFFFC));
    EXPECT_EQ(ReportComError(static_cast<HRESULT>(0x800A1234)), static_cast<HRESULT>(0x800A1234));
    EXPECT_EQ(ReportComError(DISP_E_EXCEPTION), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeErrorDescription(), L"set by someone else");
}

using GuardTest = ComApartment;

TEST_F(GuardTest, CompletedBodyReturnsItsOwnResult)
{
    EXPECT_EQ(Guard([] { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(TakeErrorDescription(), L"<none>");
}

TEST_F(GuardTest, ThrownHresultBecomesErrorInformation)
{
    EXPECT_EQ(Guard([]() -> HRESULT { CString s; s.GetAt(0); return S_OK; }), static_cast<HRESULT>(0x800AFFFC));
    EXPECT_EQ(TakeErrorDescription(), L"Invalid argument");
    EXPECT_EQ(Guard([]() -> HRESULT { CheckArg(false); return S_OK; }), static_cast<HRESULT>(0x800AFFFC));
    EXPECT_EQ(TakeErrorDescription(), L"Invalid argument");
}

TEST_F(GuardTest, HostErrorCarriesTheHostsInformationOrOurs)
{
    EXPECT_EQ(Guard([]() -> HRESULT {
                  SetThreadError(L"host said no");
                  CheckHost(E_FAIL);
                  return S_OK;
              }),
              DISP_E_EXCEPTION);
    EXPECT_EQ(TakeErrorDescription(), L"host said no");
    EXPECT_EQ(Guard([]() -> HRESULT { RaiseHostError(E_POINTER); }), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeErrorDescription(), L"A call on Corvane EBanking failed (0x80004003).");

    // The information travels with the error while it is in flight.
    try {
        SetThreadError(L"host detail");
        RaiseHostError(E_ACCESSDENIED);
    } catch (const HostError& e) {
        EXPECT_EQ(e.Error(), E_ACCESSDENIED);
        ASSERT_NE(e.Info(), nullptr);
        Bstr text;
        e.Info()->GetDescription(text.Put());
        EXPECT_STREQ(text.Text(), L"host detail");
    }
    EXPECT_EQ(TakeErrorDescription(), L"<none>");
}

TEST_F(GuardTest, AnythingElseIsUnexpected)
{
    EXPECT_EQ(Guard([]() -> HRESULT { throw std::runtime_error("x"); }), E_UNEXPECTED);
    EXPECT_EQ(TakeErrorDescription(), L"Unexpected result");
    EXPECT_EQ(Guard([]() -> HRESULT { throw 3.5; }), E_UNEXPECTED);
    EXPECT_EQ(TakeErrorDescription(), L"Unexpected result");
}

// Registration, class objects and the host's objects report by their result
// alone: no error information of ours.
TEST_F(GuardTest, PlainGuardReportsByResultAlone)
{
    struct Row { HRESULT (*body)(); HRESULT result; };
    const Row rows[] = {
        {[]() -> HRESULT { return S_FALSE; }, S_FALSE},
        {[]() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY},
        {[]() -> HRESULT { ThrowHr(kE_INVALIDARG); }, E_INVALIDARG},
        {[]() -> HRESULT { throw std::runtime_error("x"); }, E_UNEXPECTED},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(GuardPlain(r.body), r.result) << std::hex << r.result;
        EXPECT_EQ(TakeErrorDescription(), L"<none>") << std::hex << r.result;
    }
}

// Operations that call the host leave nothing of it behind on success, and
// a failure they return has information of its own.
TEST_F(GuardTest, HostCallsAreSettledAfterwards)
{
    EXPECT_EQ(GuardHostCalls([] {
                  SetThreadError(L"a host call the operation got past");
                  return S_FALSE;
              }),
              S_FALSE);
    EXPECT_EQ(TakeErrorDescription(), L"<none>");
    EXPECT_EQ(GuardHostCalls([] { return E_POINTER; }), E_POINTER);
    EXPECT_EQ(TakeErrorDescription(), L"A call on Corvane EBanking failed (0x80004003).");
    EXPECT_EQ(GuardHostCalls([]() -> HRESULT {
                  SetThreadError(L"kept");
                  return E_FAIL;
              }),
              E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"kept");
}

TEST(CStringWinTest, BstrRoundTrip)
{
    CString s("Smith & Sons \xA3" "5");
    Bstr b = Bstr::Attach(s.AllocSysString());
    ASSERT_NE(b.Get(), nullptr);
    EXPECT_STREQ(b.Text(), L"Smith & Sons \u00a35");
    CString back(b.Get());
    EXPECT_TRUE(back == s);

    Bstr empty = Bstr::Attach(CString().AllocSysString());
    ASSERT_NE(empty.Get(), nullptr); // an empty BSTR, not null
    EXPECT_EQ(empty.Length(), 0u);

    CString from_null(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(from_null.GetLength(), 0);
}

TEST(CStringWinTest, LoadResourceText)
{
    CString s("old");
    EXPECT_TRUE(s.LoadResourceText(GetModuleHandleA(nullptr), 100));
    EXPECT_STREQ(s, "Quillfen");
    EXPECT_FALSE(s.LoadResourceText(GetModuleHandleA(nullptr), 9999));
    EXPECT_STREQ(s, "");
}
