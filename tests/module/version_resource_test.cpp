// The version resources of the shipped binaries carry the build's one version
// and its stamp, so that support can read both off a customer's file.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "build_stamp.h"
#include "quillfen_version.h"

namespace {

std::wstring WindowsPath(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}

struct VersionInfo {
    std::vector<unsigned char> block;

    explicit VersionInfo(const std::wstring& file)
    {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
        if (size == 0)
            return;
        block.resize(size);
        if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data()))
            block.clear();
    }

    const VS_FIXEDFILEINFO* Fixed() const
    {
        void* data = nullptr;
        UINT length = 0;
        if (block.empty() || !VerQueryValueW(block.data(), L"\\", &data, &length) || length < sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(data);
    }

    std::string String(const wchar_t* name) const
    {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        void* data = nullptr;
        UINT length = 0;
        if (block.empty() || !VerQueryValueW(block.data(), query.c_str(), &data, &length))
            return "<missing>";
        std::string text;
        for (const wchar_t* p = static_cast<const wchar_t*>(data); *p; ++p)
            text += static_cast<char>(*p);
        return text;
    }
};

void ExpectVersion(const char* unixPath, DWORD fileType, const char* originalName)
{
    SCOPED_TRACE(unixPath);
    VersionInfo info(WindowsPath(unixPath));
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_NE(fixed, nullptr) << "no version resource";
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(QF_VERSION_MINOR, QF_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(QF_VERSION_TWEAK, QF_VERSION_PATCH)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, fileType);
    EXPECT_EQ(info.String(L"FileVersion"), QF_VERSION_STRING);
    EXPECT_EQ(info.String(L"ProductVersion"), QF_VERSION_STRING);
    EXPECT_EQ(info.String(L"OriginalFilename"), originalName);
    EXPECT_EQ(info.String(L"BuildStamp"), QF_BUILD_STAMP);
}

TEST(VersionResource, ComponentAndHostProgramCarryTheBuildsVersionAndStamp)
{
    // The version the installer and the release package are named after.
    EXPECT_STREQ(QF_VERSION_STRING, "2.2.230.0");
    ExpectVersion(QF_COMPONENT_DLL, VFT_DLL, "Quillfen.DLL");
    ExpectVersion(QF_HOST_PROGRAM, VFT_APP, "corvane.exe");
}

TEST(VersionResource, StampNamesACommitOrSaysUnknown)
{
    std::string stamp = QF_BUILD_STAMP;
    if (stamp == "unknown")
        return;
    std::string commit = stamp.substr(0, stamp.find('-'));
    EXPECT_EQ(commit.size(), 12u) << stamp;
    EXPECT_EQ(commit.find_first_not_of("0123456789abcdef"), std::string::npos) << stamp;
    std::string rest = stamp.substr(commit.size());
    EXPECT_TRUE(rest.empty() || rest == "-modified") << stamp;
}

} // namespace
