// Support for tests that use COM: an apartment per test, the host's control
// object, and the checks every scenario ends with (no host object left
// alive, the module lock back at zero).
#pragma once
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "CorvaneHostTest.h"
#include "com/host_interfaces.h"
#include "com/com_holders.h"

namespace qf::test {

// The description of the thread's error information, taken off the
// thread ("<none>" when there is none).
std::wstring TakeErrorDescription();

// The lock count of Quillfen.dll as loaded by COM (DllCanUnloadNow): S_OK
// when it is back at zero, S_FALSE while anything holds it, or E_FAIL when
// the DLL is not loaded.
HRESULT ComponentCanUnload();

// An exported function of a loaded DLL as the type it has (null when the DLL
// does not export it). FARPROC's own type differs from every real entry
// point, so the cast goes through a plain pointer.
template <class F> F ExportOf(HMODULE dll, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

// A fixture with a single-threaded apartment and the host's control, reset
// before each test. TearDown checks that every host object was released and
// that the component's module lock (the linked library's and the DLL's, if
// loaded) is back at zero.
class ComTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A batch of n payments with valid defaults: amount 10.00, payer
    // 12-34-56 / 12345678, payee 65-43-21 / 87654321 "Payee N".
    ComPtr<ICorvanePayments> MakePayments(long n);
    ComPtr<ICorvanePayment> AddPayment(ICorvanePayments* batch);
    ComPtr<ICorvaneBankRecord> MakeBankRecord(const wchar_t* sortCode, const wchar_t* accountNumber);
    long LiveHostObjects();

    ComPtr<ICorvaneHostControl> host;
};

// Creates a component class through COM by CLSID.
template <class T> ComPtr<T> CreateComponent(REFCLSID clsid, REFIID iid)
{
    ComPtr<T> result;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, result.PutVoid());
    EXPECT_EQ(hr, S_OK);
    return result;
}

// A whole file's bytes ("" when it cannot be read), and whether a path exists.
std::string ReadAll(const std::string& path);
bool Exists(const std::string& path);
// Windows virtualises the file writes of 32-bit processes only: a 64-bit
// process without elevation is refused where a 32-bit one is redirected.
constexpr bool kProcessIsVirtualised = sizeof(void*) == 4;

// For tests of the payment run that are about something else: the check
// for payments written before is off (PaidBeforeDays=0) and the record of
// payments written is kept in folder (the user's own when empty), for as
// long as the object lives.
class PaidCheckOff {
public:
    explicit PaidCheckOff(const std::string& folder = {});
    ~PaidCheckOff();
    PaidCheckOff(const PaidCheckOff&) = delete;
    PaidCheckOff& operator=(const PaidCheckOff&) = delete;
};

// Creates the VirtualStore folder where Windows puts what a process without
// administrator rights writes below folder (a path with a drive letter).
bool MakeVirtualStoreTwin(const std::string& folder, std::string& store);

} // namespace qf::test
