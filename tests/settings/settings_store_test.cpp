#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/win32_services.h"

using namespace qf;

namespace {

const char kTemplateKey[] = "RBSBanklineTemplate";
const char kBenRefKey[] = "RBSBanklineBenRef";

std::string RealFolder(int csidl)
{
    char buffer[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)));
    return buffer;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Removes a folder and everything below it (a test's own scratch folders).
void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + "\\" + name);
            else
                DeleteFileA((path + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The system's profile functions keep recently used files in memory; make
// them forget the file before the test deletes or restores it behind their back.
void FlushProfileCache(const std::string& file) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()); }

// Every test starts with no settings file in the prefix's real all-users
// application data folder and leaves the prefix as it found it: a file that
// was there is put back byte for byte, folders the test created are removed.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        detail::ForgetSettingsFilePath();
        corvane_ = RealFolder(CSIDL_COMMON_APPDATA) + "\\CORVANE";
        folder_ = corvane_ + "\\Corvane EBanking";
        file_ = folder_ + "\\BANKSERV.INI";
        hadCorvane_ = Exists(corvane_);
        hadFolder_ = Exists(folder_);
        hadFile_ = Exists(file_);
        if (hadFile_) {
            saved_ = ReadFile(file_);
            FlushProfileCache(file_);
            ASSERT_TRUE(DeleteFileA(file_.c_str()));
        }
    }

    void TearDown() override
    {
        platform::SetKnownFolderLookup(nullptr);
        detail::ForgetSettingsFilePath();
        FlushProfileCache(file_);
        DeleteFileA(file_.c_str());
        if (hadFile_) {
            std::ofstream out(file_, std::ios::binary);
            out << saved_;
        }
        if (!hadFolder_)
            RemoveDirectoryA(folder_.c_str());
        if (!hadCorvane_)
            RemoveDirectoryA(corvane_.c_str());
    }

    // Key and value lines of the file, without the line ends.
    std::string FileLines() const
    {
        std::istringstream in(ReadFile(file_));
        std::string line, lines;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines += line + "|";
        }
        return lines;
    }

    std::string corvane_, folder_, file_, saved_;
    bool hadCorvane_ = false, hadFolder_ = false, hadFile_ = false;
};

// Folder lookups the tests steer: the all-users application data folder
// fails, or is somewhere else; other folders are not expected.
bool g_appDataFails = false;
std::string g_appData;
int g_lookups = 0;

bool SteeredFolder(int csidl, std::string& path)
{
    if (csidl != CSIDL_COMMON_APPDATA)
        return false;
    ++g_lookups;
    if (g_appDataFails)
        return false;
    path = g_appData;
    return true;
}

void SteerAppData(bool fails, const std::string& folder = "")
{
    g_appDataFails = fails;
    g_appData = folder;
    g_lookups = 0;
    platform::SetKnownFolderLookup(SteeredFolder);
}

} // namespace

TEST_F(SettingsStoreTest, PathIsInTheFrameworkFolderOfAllUsersAppData)
{
    EXPECT_EQ(std::string(GetSettingsFilePath()), file_);
}

TEST_F(SettingsStoreTest, NoFileLeavesCallersTextUnchanged)
{
    CString templateName = "previous template";
    CString benRef = "default ref";
    EXPECT_FALSE(ReadSetting("RBSBanklineTemplate12345612345678", templateName));
    EXPECT_FALSE(ReadSetting("RBSBanklineBenRef12345612345678", benRef));
    EXPECT_EQ(templateName, "previous template");
    EXPECT_EQ(benRef, "default ref");

    char buffer[MAX_PATH];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(ReadSetting(kTemplateKey, buffer, MAX_PATH - 1));
    EXPECT_STREQ(buffer, "");
    // Reading creates the folder but never the file.
    EXPECT_TRUE(IsFolder(folder_));
    EXPECT_FALSE(Exists(file_));
}

TEST_F(SettingsStoreTest, WriteCreatesFileSectionAndKeyAndReplacesValue)
{
    ASSERT_TRUE(WriteSetting("RBSBanklineTemplate60-16-13_31926819", "Supplier run"));
    ASSERT_TRUE(WriteSetting("RBSBanklineBenRef60-16-13_31926819", "ACME LTD"));
    EXPECT_EQ(FileLines(), "[MIGRATED]|RBSBanklineTemplate60-16-13_31926819=Supplier run|"
                           "RBSBanklineBenRef60-16-13_31926819=ACME LTD|");

    ASSERT_TRUE(WriteSetting("RBSBanklineTemplate60-16-13_31926819", "Payroll"));
    EXPECT_EQ(FileLines(), "[MIGRATED]|RBSBanklineTemplate60-16-13_31926819=Payroll|"
                           "RBSBanklineBenRef60-16-13_31926819=ACME LTD|");
    CString value;
    EXPECT_TRUE(ReadSetting("RBSBanklineTemplate60-16-13_31926819", value));
    EXPECT_EQ(value, "Payroll");
}

TEST_F(SettingsStoreTest, KeysDifferingOnlyInCaseAddressOneValue)
{
    ASSERT_TRUE(WriteSetting("RBSBanklineTemplate601613_AB12", "first"));
    ASSERT_TRUE(WriteSetting("rbsbanklinetemplate601613_ab12", "second"));
    CString value;
    EXPECT_TRUE(ReadSetting("RBSBANKLINETEMPLATE601613_AB12", value));
    EXPECT_EQ(value, "second");
    // One key line in the file, not two.
    const std::string lines = FileLines();
    EXPECT_EQ(lines.find("=second"), lines.rfind('='));
}

TEST_F(SettingsStoreTest, LongValuesComeBackCutToTheReadersBuffer)
{
    std::string stored(300, ' ');
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = static_cast<char>('A' + i % 26);
    ASSERT_TRUE(WriteSetting(kBenRefKey, stored.c_str()));

    CString value;
    EXPECT_TRUE(ReadSetting(kBenRefKey, value));
    EXPECT_EQ(std::string(value.c_str()), stored.substr(0, 258));

    // A caller's own size is honoured exactly, and nothing goes past it.
    char small[12];
    std::memset(small, '#', sizeof small);
    EXPECT_TRUE(ReadSetting(kBenRefKey, small, 8));
    EXPECT_STREQ(small, "ABCDEFG");
    EXPECT_EQ(std::string(small + 8, 4), "####");
}

TEST_F(SettingsStoreTest, EmptyValueReadsLikeAMissingKey)
{
    ASSERT_TRUE(WriteSetting(kTemplateKey, ""));
    EXPECT_NE(FileLines().find("RBSBanklineTemplate=|"), std::string::npos);
    CString value = "kept";
    EXPECT_FALSE(ReadSetting(kTemplateKey, value));
    EXPECT_EQ(value, "kept");
}

TEST_F(SettingsStoreTest, AccountSuffixesKeepValuesApart)
{
    struct Row { const char* key; const char* value; };
    const Row rows[] = {
        {"RBSBanklineTemplate601613_31926819", "sort code A"},
        {"RBSBanklineTemplate601614_31926819", "sort code B"},
        {"RBSBanklineTemplate601613_31926820", "account B"},
        {"RBSBanklineTemplate", "no bank record"},
        {"RBSBanklineBenRef601613_31926819", "reference A"},
    };
    for (const Row& r : rows)
        ASSERT_TRUE(WriteSetting(r.key, r.value)) << r.key;
    for (const Row& r : rows) {
        CString value;
        EXPECT_TRUE(ReadSetting(r.key, value)) << r.key;
        EXPECT_EQ(value, r.value) << r.key;
    }
    CString value = "unset";
    EXPECT_FALSE(ReadSetting("RBSBanklineBenRef601614_31926819", value));
    EXPECT_EQ(value, "unset");
}

TEST_F(SettingsStoreTest, FirstReadCreatesTheFolderWithItsMissingParents)
{
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string appData = std::string(temp) + "qf-appdata-" + std::to_string(GetCurrentProcessId());
    ASSERT_FALSE(Exists(appData));
    SteerAppData(false, appData);

    CString value;
    EXPECT_FALSE(ReadSetting(kTemplateKey, value));
    const std::string folder = appData + "\\CORVANE\\Corvane EBanking";
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_FALSE(Exists(folder + "\\BANKSERV.INI"));
    EXPECT_EQ(std::string(GetSettingsFilePath()), folder + "\\BANKSERV.INI");
    EXPECT_EQ(g_lookups, 1); // kept once found

    RemoveTree(appData);
    EXPECT_FALSE(Exists(appData));
}

// Without a usable application data folder nothing may be read or written:
// an empty or cut file name would send the profile functions to a file of
// someone else's choosing.
TEST_F(SettingsStoreTest, NoAppDataFolderMeansNoReadsOrWritesAndIsAskedAgain)
{
    // With the subfolder and file name this is one character over MAX_PATH - 1.
    const std::string tooLong = "C:\\qf-" + std::string(216, 'd');
    for (const std::string& appData : {std::string(), tooLong}) {
        SCOPED_TRACE(appData.size());
        SteerAppData(appData.empty(), appData);
        detail::ForgetSettingsFilePath();

        EXPECT_FALSE(WriteSetting("QuillfenOrphanKey", "nowhere"));
        char buffer[MAX_PATH];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_FALSE(ReadSetting("QuillfenOrphanKey", buffer, MAX_PATH - 1));
        EXPECT_STREQ(buffer, "");
        EXPECT_STREQ(GetSettingsFilePath(), "");
        EXPECT_EQ(g_lookups, 3); // not cached: every call asks again
    }
    // Neither a folder for the cut path nor the real file came into being.
    EXPECT_FALSE(Exists(tooLong));
    RemoveTree(tooLong);
    EXPECT_FALSE(Exists(file_));

    // Once the folder can be named, the store works.
    platform::SetKnownFolderLookup(nullptr);
    EXPECT_TRUE(WriteSetting(kTemplateKey, "found"));
    CString value;
    EXPECT_TRUE(ReadSetting(kTemplateKey, value));
    EXPECT_EQ(value, "found");
}
