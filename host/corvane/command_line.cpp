#include "host/corvane/command_line.h"

#include <windows.h>

#include <cstdio>

#include "host/corvane/console_text.h"

namespace corvane {

int UsageError(const std::string& message)
{
    PrintText(stderr, "corvane: %s\nsee corvane --help\n", message.c_str());
    return kExitInput;
}

int Report(const std::string& message, int exitCode)
{
    PrintText(stderr, "corvane: %s\n", message.c_str());
    return exitCode;
}

std::wstring Utf8ToWide(const std::string& text)
{
    // Invalid sequences become U+FFFD.
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string WideToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

bool OptionReader::Next()
{
    if (Failed())
        return false;
    ++m_index;
    return m_index < m_args.size();
}

std::wstring OptionReader::Name() const
{
    const std::wstring& a = Current();
    if (a.compare(0, 2, L"--") != 0)
        return a;
    return a.substr(0, a.find(L'='));
}

bool OptionReader::Is(const char* name) const
{
    return Current().compare(0, 2, L"--") == 0 && Name() == Utf8ToWide(name);
}

bool OptionReader::IsFlag(const char* name)
{
    if (!Is(name))
        return false;
    if (Current().find(L'=') != std::wstring::npos)
        m_error = std::string(name) + " takes no value";
    return true;
}

bool OptionReader::IsOperand() const
{
    const std::wstring& a = Current();
    return a.empty() || a[0] != L'-' || a == L"-";
}

bool OptionReader::Value(std::wstring& value)
{
    const std::wstring& a = Current();
    const std::size_t equals = a.compare(0, 2, L"--") == 0 ? a.find(L'=') : std::wstring::npos;
    if (equals != std::wstring::npos) {
        value = a.substr(equals + 1);
    } else if (m_index + 1 < m_args.size()) {
        value = m_args[++m_index];
        return true;
    } else {
        value.clear();
    }
    if (value.empty()) {
        m_error = WideToUtf8(Name()) + " takes a value";
        return false;
    }
    return true;
}

bool OptionReader::Value(std::string& value)
{
    std::wstring wide;
    const bool ok = Value(wide);
    value = WideToUtf8(wide);
    return ok;
}

int OptionReader::Unknown() const
{
    if (IsOperand())
        return UsageError("unexpected argument '" + CurrentUtf8() + "'");
    return UsageError("unknown option '" + WideToUtf8(Name()) + "'");
}

bool IsHelpRequest(const std::wstring& arg) { return arg == L"--help" || arg == L"-h" || arg == L"/?"; }

} // namespace corvane
