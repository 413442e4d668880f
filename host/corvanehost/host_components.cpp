// The host's creatable components: BankConfiguration, StatementFileSelector
// and the control that tests and the host program use.
#include "host/corvanehost/host_components.h"

#include <cstring>
#include <string>
#include <utility>

#include "host/corvanehost/host_objects.h"

namespace corvane {
namespace {

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const char* text)
{
    if (!text || !*text)
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], n);
    out.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return out;
}

// Copies text into a caller's buffer of size bytes, always terminated.
void Fill(char* buffer, size_t size, const std::wstring& text)
{
    const std::string narrow = Narrow(text);
    const size_t n = narrow.size() < size ? narrow.size() : size - 1;
    memcpy(buffer, narrow.data(), n);
    buffer[n] = '\0';
}

// The host's own data in the statement file settings; the selector only
// takes a block that BankConfiguration filled.
const char kSettingsTag[] = "CORVANE-STATEMENT-SETTINGS";

} // namespace

// ---- BankConfiguration -----------------------------------------------------

STDMETHODIMP BankConfiguration::ConfigureBank(LPSTR bankName, long options)
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"ConfigureBank"); FAILED(hr))
            return hr;
        if (!bankName)
            return E_POINTER;
        State().lastConfigureBank = Wide(bankName) + L"|" + std::to_wstring(options);
        return S_OK;
    });
}

STDMETHODIMP BankConfiguration::GetStatementFileSettings(LPSTR bankName, BYTE* settings)
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"GetStatementFileSettings"); FAILED(hr))
            return hr;
        if (!bankName || !settings)
            return E_POINTER;
        // The host's block: [0] the component's callback, then the host's own data.
        memset(settings, 0, CORVANE_STATEMENT_FILE_SETTINGS_SIZE);
        memcpy(settings + sizeof(void*), kSettingsTag, sizeof kSettingsTag);
        return S_OK;
    });
}

STDMETHODIMP BankConfiguration::GetPaymentFileSettings(LPSTR bankName, LPSTR fileName, LPSTR extension, LPSTR directory)
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"GetPaymentFileSettings"); FAILED(hr))
            return hr;
        if (!bankName || !fileName || !extension || !directory)
            return E_POINTER;
        const HostState& s = State();
        Fill(fileName, 1024, s.paymentFileName);
        Fill(extension, 4, s.paymentExtension);
        Fill(directory, 1024, s.paymentDirectory);
        return S_OK;
    });
}

// ---- StatementFileSelector -------------------------------------------------

STDMETHODIMP StatementFileSelector::SelectFile(BYTE* settings)
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"SelectFile"); FAILED(hr))
            return hr;
        if (!settings)
            return E_POINTER;
        if (memcmp(settings + sizeof(void*), kSettingsTag, sizeof kSettingsTag) != 0)
            return E_INVALIDARG;
        HostState& s = State();
        m_fileName = s.statementPath;
        m_cancelled = s.statementCancelled;
        // The host labels the chosen file with the component's callback; the
        // label is only shown, the choice is handed over either way.
        CORVANE_VALIDATE_STATEMENT_FILE callback = nullptr;
        memcpy(&callback, settings, sizeof callback);
        s.selectorDescription.clear();
        s.selectorCallbackResult = -1;
        if (callback && !m_fileName.empty()) {
            // The selector's own label until the callback names the file type.
            char description[260] = "All files (*.*)";
            const std::string path = Narrow(m_fileName);
            s.selectorCallbackResult = callback(description, path.c_str());
            s.selectorDescription = Wide(description);
        }
        return S_OK;
    });
}

STDMETHODIMP StatementFileSelector::get_InitialDirectory(BSTR* value)
{
    return GuardPlain([&] { return CopyOut(m_initialDirectory, value); });
}

STDMETHODIMP StatementFileSelector::put_InitialDirectory(BSTR value)
{
    return GuardPlain([&] {
        m_initialDirectory = FromBstr(value);
        return S_OK;
    });
}

STDMETHODIMP StatementFileSelector::get_FileName(BSTR* value)
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"get_FileName"); FAILED(hr))
            return hr;
        return CopyOut(m_fileName, value);
    });
}

STDMETHODIMP StatementFileSelector::get_Cancelled(long* value)
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(L"get_Cancelled"); FAILED(hr))
            return hr;
        if (!value)
            return E_POINTER;
        *value = m_cancelled;
        return S_OK;
    });
}

// ---- HostControl -----------------------------------------------------------

STDMETHODIMP HostControl::Reset()
{
    return GuardPlain([&] {
        ResetState();
        return S_OK;
    });
}

STDMETHODIMP HostControl::NewPayments(ICorvanePayments** batch)
{
    return GuardPlain([&] { return ObjectRoot::Make<Payments>().CopyTo(batch); });
}

STDMETHODIMP HostControl::AddPayment(ICorvanePayments* batch, ICorvanePayment** payment)
{
    return GuardPlain([&] {
        if (!batch || !payment)
            return E_POINTER;
        // Only batches made here can grow.
        auto* payments = dynamic_cast<Payments*>(batch);
        if (!payments)
            return E_INVALIDARG;
        return payments->Add().CopyTo(payment);
    });
}

STDMETHODIMP HostControl::NewBankRecord(BSTR sortCode, BSTR accountNumber, ICorvaneBankRecord** record)
{
    return GuardPlain([&] {
        ComPtr<BankAccount> account = ObjectRoot::Make<BankAccount>(sortCode, accountNumber);
        return ObjectRoot::Make<BankRecord>(std::move(account)).CopyTo(record);
    });
}

STDMETHODIMP HostControl::NewStatement(ICorvaneBankStatement** statement)
{
    return GuardPlain([&] { return ObjectRoot::Make<BankStatement>().CopyTo(statement); });
}

STDMETHODIMP HostControl::SetPaymentFileSettings(BSTR fileName, BSTR extension, BSTR directory)
{
    return GuardPlain([&] {
        HostState& s = State();
        s.paymentFileName = FromBstr(fileName);
        s.paymentExtension = FromBstr(extension);
        s.paymentDirectory = FromBstr(directory);
        return S_OK;
    });
}

STDMETHODIMP HostControl::SetStatementChoice(BSTR path, long cancelled)
{
    return GuardPlain([&] {
        State().statementPath = FromBstr(path);
        State().statementCancelled = cancelled;
        return S_OK;
    });
}

STDMETHODIMP HostControl::get_SelectorDescription(BSTR* text)
{
    return GuardPlain([&] { return CopyOut(State().selectorDescription, text); });
}

STDMETHODIMP HostControl::get_SelectorCallbackResult(long* result)
{
    return GuardPlain([&] {
        if (!result)
            return E_POINTER;
        *result = State().selectorCallbackResult;
        return S_OK;
    });
}

STDMETHODIMP HostControl::RefuseCreation(BSTR className, VARIANT_BOOL refuse)
{
    return GuardPlain([&] {
        const std::wstring name = FromBstr(className);
        if (name == L"BankConfiguration")
            State().refuseConfiguration = refuse != VARIANT_FALSE;
        else if (name == L"StatementFileSelector")
            State().refuseSelector = refuse != VARIANT_FALSE;
        else
            return E_INVALIDARG;
        return S_OK;
    });
}

STDMETHODIMP HostControl::FailCall(BSTR member, long afterCalls, long hr)
{
    return GuardPlain([&] {
        FailRule rule;
        rule.after = afterCalls;
        rule.hr = hr;
        State().failures[FromBstr(member)] = rule;
        return S_OK;
    });
}

STDMETHODIMP HostControl::FailOnce(BSTR member, long occurrence, long hr)
{
    return GuardPlain([&] {
        if (occurrence < 1)
            return E_INVALIDARG;
        FailRule rule;
        rule.after = occurrence - 1;
        rule.times = 1;
        rule.hr = hr;
        State().failures[FromBstr(member)] = rule;
        return S_OK;
    });
}

STDMETHODIMP HostControl::get_LiveObjects(long* count)
{
    return GuardPlain([&] {
        if (!count)
            return E_POINTER;
        *count = State().liveObjects;
        return S_OK;
    });
}

STDMETHODIMP HostControl::get_CallLog(BSTR* log)
{
    return GuardPlain([&] { return CopyOut(State().log, log); });
}

STDMETHODIMP HostControl::put_Logging(VARIANT_BOOL on)
{
    return GuardPlain([&] {
        State().logging = on != VARIANT_FALSE;
        return S_OK;
    });
}

STDMETHODIMP HostControl::get_LastConfigureBank(BSTR* text)
{
    return GuardPlain([&] { return CopyOut(State().lastConfigureBank, text); });
}

STDMETHODIMP HostControl::CallCount(BSTR member, long* count)
{
    return GuardPlain([&] {
        if (!count)
            return E_POINTER;
        auto it = State().calls.find(FromBstr(member));
        *count = it == State().calls.end() ? 0 : it->second;
        return S_OK;
    });
}

} // namespace corvane
