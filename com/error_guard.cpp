#include "com/error_guard.h"

#include <cwchar>

namespace qf {
namespace {

struct ErrorRow {
    HRESULT code;
    const wchar_t* description;
};

// Row 0 also stands for every code that is not listed.
const ErrorRow kRows[] = {
    {static_cast<HRESULT>(0x8000FFFFu), L"Unexpected result"},
    {static_cast<HRESULT>(0x8007000Eu), L"Out of Memory"},
    {static_cast<HRESULT>(0x80070057u), L"Invalid argument"},
    {static_cast<HRESULT>(0x80004001u), L"Not implemented"},
    {static_cast<HRESULT>(0x80004002u), L"Interface not supported"},
};

// Sets error information with description on the thread; false when no
// error information can be made.
bool Describe(const wchar_t* description) noexcept
{
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Put())))
        return false;
    create->SetDescription(const_cast<LPOLESTR>(description));
    if (const ComPtr<IErrorInfo> info = create.As<IErrorInfo>())
        SetErrorInfo(0, info.Get());
    return true;
}

// A failure of the host that came without a description of its own.
void DescribeHostFailure(HRESULT hr) noexcept
{
    wchar_t text[80];
    std::swprintf(text, sizeof text / sizeof text[0], L"A call on Corvane EBanking failed (0x%08lX).",
                  static_cast<unsigned long>(hr));
    Describe(text);
}

} // namespace

HRESULT ReportHostError(const HostError& error) noexcept
{
    if (error.Info())
        SetErrorInfo(0, error.Info());
    else
        DescribeHostFailure(error.Error());
    return DISP_E_EXCEPTION;
}

HRESULT ReportUnexpected() noexcept
{
    Describe(kRows[0].description);
    return E_UNEXPECTED;
}

void SettleErrorInfo(HRESULT hr) noexcept
{
    if (SUCCEEDED(hr)) {
        SetErrorInfo(0, nullptr);
        return;
    }
    // GetErrorInfo takes the information off the thread: it goes back.
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        SetErrorInfo(0, info);
        info->Release();
        return;
    }
    DescribeHostFailure(hr);
}

HRESULT ReportComError(HRESULT hr) noexcept
{
    // Error information is already set for these.
    if (hr == DISP_E_EXCEPTION || (static_cast<unsigned long>(hr) & 0x1FFF0000u) == 0x000A0000u)
        return hr;
    unsigned row = 0;
    for (unsigned i = 1; i < sizeof kRows / sizeof kRows[0]; ++i)
        if (kRows[i].code == hr)
            row = i;
    if (!Describe(kRows[row].description))
        return hr;
    return static_cast<HRESULT>(0x800A0000u | (0xFFFEu - row));
}

HostError::HostError(HRESULT hr) noexcept : m_hr(hr)
{
    // GetErrorInfo clears the thread's error information as it hands it over.
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK)
        m_info = ComPtr<IErrorInfo>::Attach(info);
}

void RaiseHostError(HRESULT hr)
{
    throw HostError(hr);
}

} // namespace qf
