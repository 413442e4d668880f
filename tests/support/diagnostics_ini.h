// Switches the diagnostics log in the prefix's BANKSERV.INI for one scope and
// removes the section again. Tests that use it hold the settings file's
// resource lock.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <string>

namespace qf::test {

inline std::string SettingsFilePath()
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\CORVANE\\Corvane EBanking\\BANKSERV.INI";
}

inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class DiagnosticsIni {
public:
    // log: the Log value, or null to leave it out; file: the LogFile value.
    DiagnosticsIni(const char* log, const char* file = nullptr)
    {
        const std::string ini = SettingsFilePath();
        WritePrivateProfileStringA("Diagnostics", nullptr, nullptr, ini.c_str());
        if (log)
            WritePrivateProfileStringA("Diagnostics", "Log", log, ini.c_str());
        if (file)
            WritePrivateProfileStringA("Diagnostics", "LogFile", file, ini.c_str());
    }
    ~DiagnosticsIni() { WritePrivateProfileStringA("Diagnostics", nullptr, nullptr, SettingsFilePath().c_str()); }
    DiagnosticsIni(const DiagnosticsIni&) = delete;
    DiagnosticsIni& operator=(const DiagnosticsIni&) = delete;
};

} // namespace qf::test
