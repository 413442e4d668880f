// State of the host's side inside one process: configuration, switches
// for tests, counts of live objects and a log of calls.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <functional>
#include <map>
#include <string>

namespace corvane {

struct FailRule {
    long after = 0;  // calls that still succeed
    long times = -1; // calls that fail after those, -1 for all of them
    HRESULT hr = E_FAIL;
};

struct HostState {
    std::wstring paymentFileName = L"BanklinePayments";
    std::wstring paymentExtension = L"csv";
    std::wstring paymentDirectory = L"C:\\";
    std::wstring statementPath;
    long statementCancelled = 1;
    std::wstring selectorDescription;
    long selectorCallbackResult = -1;
    std::wstring lastConfigureBank;
    bool refuseConfiguration = false;
    bool refuseSelector = false;
    bool logging = false;
    std::wstring log;
    // Looked up by the member's name as it is, without a string made for
    // each call.
    std::map<std::wstring, FailRule, std::less<>> failures;
    std::map<std::wstring, long, std::less<>> calls;
    // The counter in calls of each member name called so far, found by the
    // name's address (Enter is given literals): a member's later calls
    // compare no strings. Full, it leaves further names to the map.
    struct CallSlot {
        const wchar_t* volatile member = nullptr;
        long* count = nullptr;
    };
    CallSlot callSlots[128];
    volatile LONG liveObjects = 0;
    volatile LONG moduleLocks = 0;
};

HostState& State();
void ResetState();

// Called at the start of every host operation: counts and logs the call and
// returns the failure a test asked for (S_OK otherwise). A failure leaves
// error information on the thread, as the host does. member is the
// operation's name in the interface: "get_X" and "put_X" for a property,
// the bare name for a method ("Item", "AddLine", "SelectFile"). The
// counting, the log, FailCall and CallCount all use that one name. member
// is a string literal: its address stands for the name.
HRESULT Enter(const wchar_t* member);

// Every host object counts itself while it lives.
struct LiveObject {
    LiveObject() { InterlockedIncrement(&State().liveObjects); }
    ~LiveObject() { InterlockedDecrement(&State().liveObjects); }
    LiveObject(const LiveObject&) : LiveObject() {}
};

} // namespace corvane
