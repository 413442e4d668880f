#include "settings/diagnostics_log.h"

#include <windows.h>
#include <shlwapi.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/platform.h"
#include "platform/win/win32_services.h"
#include "settings/settings_store.h"
#include "text/file_holder.h"

namespace qf::diagnostics {
namespace {

const char kSection[] = "Diagnostics";
const char kDefaultName[] = "Quillfen.log";

// The run whose entry this thread's debug output joins.
thread_local RunLog* t_active = nullptr;

std::string ProfileValue(const char* file, const char* key)
{
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA(kSection, key, "", value, sizeof value, file);
    std::string text(value);
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool IsOn(std::string value)
{
    for (char& c : value)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return value == "1" || value == "true" || value == "yes";
}

} // namespace

LogSettings ReadLogSettings()
{
    LogSettings settings;
    const char* ini = GetSettingsFilePath();
    if (!*ini)
        return settings;
    settings.enabled = IsOn(ProfileValue(ini, "Log"));
    if (!settings.enabled)
        return settings;
    std::string folder(ini);
    folder.erase(folder.find_last_of('\\') + 1);
    const std::string file = ProfileValue(ini, "LogFile");
    if (file.empty())
        settings.path = folder + kDefaultName;
    else if (PathIsRelativeA(file.c_str()))
        settings.path = folder + file;
    else
        settings.path = file;
    return settings;
}

bool AppendToLog(const std::string& path, const std::string& text, std::uint64_t maxBytes)
{
    if (path.empty() || text.empty())
        return true;
    // An entry larger than the cap on its own is cut, not left out.
    const std::string entry = text.size() > maxBytes ? text.substr(0, static_cast<std::size_t>(maxBytes)) : text;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        const std::uint64_t size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (size + entry.size() > maxBytes) {
            const std::string previous = path + ".1";
            // A log that cannot be moved aside is not grown past its cap.
            if (!MoveFileExA(path.c_str(), previous.c_str(), MOVEFILE_REPLACE_EXISTING))
                return false;
        }
    }
    File file(std::fopen(path.c_str(), "ab"));
    if (!file)
        return false;
    const bool written = std::fwrite(entry.data(), 1, entry.size(), file.Get()) == entry.size();
    return file.Close() && written;
}

std::string MaskedAccount(const char* number)
{
    std::string text = number ? number : "";
    if (text.size() > 4)
        text = "****" + text.substr(text.size() - 4);
    return text.empty() ? "(none)" : text;
}

std::string HostProcessName()
{
    char path[MAX_PATH] = {};
    if (!GetModuleFileNameA(nullptr, path, MAX_PATH))
        return "(unknown)";
    return PathFindFileNameA(path);
}

std::string ComponentVersion()
{
    // Read from the module's own version resource, so that the log names
    // exactly what support reads from the file.
    const HMODULE module = platform::ResourceModule();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!data || size == 0)
        return "(no version resource)";
    // The query may use room past the resource's own bytes; a private copy
    // twice the size gives it that.
    std::vector<BYTE> block(2 * static_cast<std::size_t>(size));
    std::memcpy(block.data(), data, size);
    auto value = [&block](const wchar_t* name) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        void* text = nullptr;
        UINT length = 0;
        std::string narrow;
        if (VerQueryValueW(block.data(), query.c_str(), &text, &length) && text)
            for (const wchar_t* c = static_cast<const wchar_t*>(text); *c; ++c)
                narrow += *c < 0x80 ? static_cast<char>(*c) : '?';
        return narrow.empty() ? std::string("unknown") : narrow;
    };
    return value(L"FileVersion") + " (build " + value(L"BuildStamp") + ")";
}

RunLog::RunLog(const char* run)
{
    try {
        const LogSettings settings = ReadLogSettings();
        if (!settings.enabled || settings.path.empty())
            return;
        m_path = settings.path;
        m_run = run ? run : "run";
        m_on = true;
        m_outer = t_active;
        t_active = this;
        platform::SetDebugTee(&RunLog::Tee);
    } catch (...) {
        m_on = false;
    }
}

RunLog::~RunLog()
{
    if (!m_on)
        return;
    try {
        FlushDebug();
        if (std::uncaught_exceptions() > 0)
            AddLine("ended by an error returned to the host");
        AppendToLog(m_path, m_text);
    } catch (...) {
        // The log must never be the reason a run fails.
    }
    t_active = m_outer;
    if (!t_active)
        platform::SetDebugTee(nullptr);
}

void RunLog::Write(const char* format, ...)
{
    if (!m_on)
        return;
    try {
        char buffer[1024];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        FlushDebug();
        AddLine(buffer);
    } catch (...) {
    }
}

void RunLog::AddLine(const std::string& text)
{
    const platform::LocalTime now = platform::Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    m_text += stamp;
    m_text += m_run;
    m_text += ": ";
    m_text += text;
    m_text += "\r\n";
}

void RunLog::FlushDebug()
{
    while (!m_debug.empty() && (m_debug.back() == '\n' || m_debug.back() == '\r'))
        m_debug.pop_back();
    if (!m_debug.empty())
        AddLine("debug: " + m_debug);
    m_debug.clear();
}

void RunLog::Tee(const char* text)
{
    RunLog* log = t_active;
    if (!log || !text)
        return;
    try {
        // A message may come in pieces; a line break ends it.
        for (const char* c = text; *c; ++c) {
            if (*c == '\n') {
                log->FlushDebug();
            } else {
                log->m_debug += *c;
            }
        }
    } catch (...) {
    }
}

} // namespace qf::diagnostics
