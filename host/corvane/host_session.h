// What the pay and statement commands share in using the component as the
// accounting application does: COM and the host's objects, the bank's
// services, the component's run with the autopilot answering its dialogs,
// and the outcome printed and put in JSON.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <memory>
#include <string>

#include "CorvaneBankPayments.h"
#include "CorvaneBankReconciliation.h"
#include "CorvaneEBanking.h"
#include "CorvaneHostTest.h"
#include "com/com_holders.h"
#include "host/corvane/autopilot.h"
#include "host/corvane/json_object.h"
#include "host/corvane/run_options.h"

namespace corvane {

// "0x8007000E"
std::string Hex(HRESULT hr);

// COM, the host's control object and the bank record the run is for (none
// without --account).
class HostSession {
public:
    // 0, or the exit code after the reason was printed.
    int Open(const Options& options);
    ICorvaneHostControl* Host() const { return m_host.Get(); }
    ICorvaneBankRecord* Record() const { return m_record.Get(); }

private:
    qf::ComScope m_com;
    qf::ComPtr<ICorvaneHostControl> m_host;
    qf::ComPtr<ICorvaneBankRecord> m_record;
};

// Creates the bank by ProgID, walks its services as the accounting
// application lists them (printing their names to out), and takes the one
// named through Item, as interface iid. 0, or the exit code after the reason.
int TakeService(const wchar_t* name, REFIID iid, std::FILE* out, void** service);
template <class T> int TakeService(const wchar_t* name, REFIID iid, std::FILE* out, qf::ComPtr<T>& service)
{
    return TakeService(name, iid, out, service.PutVoid());
}

// A failed call of the component: its result and the error information it
// left, for the person reading the output.
void ReportCallFailure(const char* call, HRESULT hr);

// One run of a service: its call's result, the service's Status after it,
// and the autopilot that answered its dialogs (none with --interactive).
struct DrivenRun {
    HRESULT hr = E_FAIL;
    long status = 0;
    std::unique_ptr<Autopilot> pilot;

    // Whether the call itself went through (its Status then says how).
    bool Called() const { return hr == S_OK || hr == S_FALSE; }
    // Whether the autopilot answered every dialog as asked.
    bool Warned() const { return pilot && pilot->Failed(); }
};

// With CORVANE_STARTING_LINE set, waits until the file it names exists
// (tests of runs at the same time).
void WaitAtStartingLine();

// Makes the call with the autopilot watching unless --interactive, after
// the starting line.
template <class Service, class Call>
DrivenRun Drive(const Options& options, Service* service, const char* name, Call call)
{
    DrivenRun run;
    if (!options.interactive)
        run.pilot.reset(new Autopilot(options));
    WaitAtStartingLine();
    run.hr = call();
    ReportCallFailure(name, run.hr);
    if (run.pilot)
        run.pilot->Finish();
    service->get_Status(&run.status);
    return run;
}

// "Status: N (words)" and "Result: 0x...", as both runs end their report.
void PrintOutcome(std::FILE* info, const DrivenRun& run, const std::string& words);
// The fields every run's JSON starts with: the command, its input file,
// Status, the outcome's words, the call's result and the message boxes.
JsonObject RunJson(const char* command, const std::string& input, const DrivenRun& run, const std::string& words);
// Prints the JSON object, its exit code last, as one line on stdout.
void PrintRunJson(JsonObject json, int exitCode);

} // namespace corvane
