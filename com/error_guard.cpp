#include "com/error_guard.h"

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

} // namespace

HRESULT ReportComError(HRESULT hr) noexcept
{
    // Error information is already set for these.
    if (hr == DISP_E_EXCEPTION || (static_cast<unsigned long>(hr) & 0x1FFF0000u) == 0x000A0000u)
        return hr;
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Put())))
        return hr;
    unsigned row = 0;
    for (unsigned i = 1; i < sizeof kRows / sizeof kRows[0]; ++i)
        if (kRows[i].code == hr)
            row = i;
    create->SetDescription(const_cast<LPOLESTR>(kRows[row].description));
    if (const ComPtr<IErrorInfo> info = create.As<IErrorInfo>())
        SetErrorInfo(0, info.Get());
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
