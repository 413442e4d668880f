#include "host/corvane/host_session.h"

#include <cstdio>
#include <cstdlib>

#include "text/file_holder.h"

#include "host/corvane/console_text.h"

namespace corvane {

using qf::Bstr;
using qf::ComPtr;
using qf::Variant;

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

namespace {

// The component's classes and the host's control object.
bool CreateHost(ComPtr<ICorvaneHostControl>& host)
{
    HRESULT hr = CoCreateInstance(CLSID_HostControl, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneHostControl,
                                  host.PutVoid());
    if (FAILED(hr)) {
        Report("the host's components are not registered (regsvr32 CorvaneHost.dll): " + Hex(hr), kExitNotDone);
        return false;
    }
    return true;
}

// The bank record the host passes; none without --account.
bool MakeBankRecord(ICorvaneHostControl* host, const Options& options, ComPtr<ICorvaneBankRecord>& record)
{
    if (!options.haveAccount)
        return true; // the host passes no bank record
    Bstr sort(options.sortCode), account(options.accountNumber);
    return SUCCEEDED(host->NewBankRecord(sort.Get(), account.Get(), record.Put()));
}

std::string JsonBoxes(const std::vector<AnsweredBox>& boxes)
{
    std::string elements;
    for (const AnsweredBox& box : boxes)
        AppendElement(elements, JsonObject().Text("caption", box.caption).Text("text", box.text).Close());
    return "[" + elements + "]";
}

} // namespace

int HostSession::Open(const Options& options)
{
    if (!m_com.Ok())
        return Report("COM cannot start", kExitNotDone);
    if (!CreateHost(m_host))
        return kExitNotDone;
    if (!MakeBankRecord(m_host.Get(), options, m_record))
        return Report("the host cannot make a bank record", kExitNotDone);
    return 0;
}

// Walks the services, as the accounting application lists them, before it
// takes one.
int TakeService(const wchar_t* name, REFIID iid, std::FILE* out, void** service)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(L"Quillfen.Bank", &clsid);
    if (FAILED(hr)) {
        return Report("Quillfen.Bank is not registered (regsvr32 Quillfen.dll): " + Hex(hr), kExitNotDone);
    }
    ComPtr<ICorvaneBank> bank;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneBank, bank.PutVoid());
    if (FAILED(hr)) {
        return Report("cannot create Quillfen.Bank: " + Hex(hr), kExitNotDone);
    }
    Bstr bankName;
    bank->get_Name(bankName.Put());
    ComPtr<ICorvaneBankServices> services;
    hr = bank->get_Services(services.Put());
    if (FAILED(hr)) {
        return Report("the bank hands out no services: " + Hex(hr), kExitNotDone);
    }
    std::string names;
    ComPtr<IUnknown> unknown;
    ComPtr<IEnumVARIANT> walk;
    if (SUCCEEDED(services->get__NewEnum(unknown.Put())) && unknown &&
        SUCCEEDED(unknown->QueryInterface(IID_IEnumVARIANT, walk.PutVoid()))) {
        Variant item;
        // Each service comes as IDispatch; its name is read late-bound.
        while (walk->Next(1, item.Get(), nullptr) == S_OK) {
            IDispatch* each = V_VT(item.Get()) == VT_DISPATCH ? V_DISPATCH(item.Get()) : nullptr;
            LPOLESTR member = const_cast<LPOLESTR>(L"Name");
            DISPID id = DISPID_UNKNOWN;
            Variant value;
            DISPPARAMS none = {};
            if (each && SUCCEEDED(each->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id)) &&
                SUCCEEDED(each->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Get(),
                                       nullptr, nullptr)) &&
                V_VT(value.Get()) == VT_BSTR)
                names += (names.empty() ? "" : ", ") +
                         WideToUtf8(std::wstring(V_BSTR(value.Get()), SysStringLen(V_BSTR(value.Get()))));
            item.Clear();
        }
    }
    PrintText(out, "Bank: %s (services: %s)\n", WideToUtf8(std::wstring(bankName.View())).c_str(), names.c_str());

    Variant index;
    V_VT(index.Get()) = VT_BSTR;
    V_BSTR(index.Get()) = SysAllocString(name);
    ComPtr<ICorvaneBankService> chosen;
    hr = services->Item(index.Get(), chosen.Put());
    index.Clear();
    if (FAILED(hr)) {
        return Report("the bank has no service named " + WideToUtf8(name) + ": " + Hex(hr), kExitNotDone);
    }
    hr = chosen->QueryInterface(iid, service);
    return FAILED(hr) ? Report("the service " + WideToUtf8(name) + " lacks the interface the host uses: " + Hex(hr),
                               kExitNotDone)
                      : 0;
}

// A failed call of the component: its result and the error information it
// left, for the person reading the output.
void ReportCallFailure(const char* call, HRESULT hr)
{
    if (SUCCEEDED(hr))
        return;
    std::string description;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) == S_OK && info) {
        Bstr text;
        if (SUCCEEDED(info->GetDescription(text.Put())))
            description = WideToUtf8(std::wstring(text.View()));
    }
    PrintText(stderr, "corvane: %s returned %s%s%s\n", call, Hex(hr).c_str(), description.empty() ? "" : ": ",
              description.c_str());
}

// For tests of runs that happen at the same time: with CORVANE_STARTING_LINE
// naming a file, the run waits (a minute at most) until that file
// exists, after saying that it is ready with a file of its own beside it
// (the same name, a dot and this process's number). Started together, the
// runs then begin within a few milliseconds of each other, however long
// each process took to start.
void WaitAtStartingLine()
{
    const char* line = std::getenv("CORVANE_STARTING_LINE");
    if (!line || !*line)
        return;
    const std::string ready = std::string(line) + "." + std::to_string(GetCurrentProcessId());
    qf::File(std::fopen(ready.c_str(), "wb"));
    for (int waited = 0; waited < 60000 && GetFileAttributesA(line) == INVALID_FILE_ATTRIBUTES; waited += 2)
        Sleep(2);
}

void PrintOutcome(std::FILE* info, const DrivenRun& run, const std::string& words)
{
    PrintText(info, "Status: %ld (%s)\nResult: %s\n", run.status, words.c_str(), Hex(run.hr).c_str());
    std::fflush(info);
}

JsonObject RunJson(const char* command, const std::string& input, const DrivenRun& run, const std::string& words)
{
    JsonObject json;
    json.Text("command", command).Text("input", input).Number("status", run.status).Text("outcome", words);
    json.Text("result", Hex(run.hr)).Raw("messageBoxes", run.pilot ? JsonBoxes(run.pilot->Boxes()) : "[]");
    return json;
}

void PrintRunJson(JsonObject json, int exitCode)
{
    const std::string text = json.Number("exitCode", exitCode).Close() + "\n";
    WriteText(stdout, text.c_str());
    std::fflush(stdout);
}

} // namespace corvane
