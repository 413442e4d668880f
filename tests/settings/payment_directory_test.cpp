#include "settings/payment_directory.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/win32_services.h"

using namespace qf;

namespace {

const char kCaption[] = "Invalid default path";

std::string Message(const std::string& directory, const std::string& root)
{
    return "The default payment directory (" + directory +
           ") specified does not exist.  Please correct this within configuration for the specified "
           "banking component. The root directory (" + root + ") will be used in the mean time.";
}

struct BoxCall {
    HWND owner;
    std::string text, caption;
    UINT style;
};
std::vector<BoxCall> g_boxes;

int RecordBox(HWND owner, const char* text, const char* caption, UINT style)
{
    g_boxes.push_back({owner, text, caption, style});
    return IDOK;
}

// The documents folder as the test wants it: somewhere, or unknown.
std::string g_documents;
bool g_documentsUnknown = false;
int g_documentsLookups = 0;

bool SteeredFolder(int csidl, std::string& path)
{
    if (csidl != CSIDL_PERSONAL)
        return false;
    ++g_documentsLookups;
    if (g_documentsUnknown)
        return false;
    path = g_documents;
    return true;
}

// The result buffer with a guard behind it, to catch a write past its end.
struct Result {
    char path[MAX_PATH];
    char guard[32];
};

class PaymentDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        detail::ForgetRootDirectory();
        g_boxes.clear();
        g_documents = "C:\\Users\\Ann\\Documents";
        g_documentsUnknown = false;
        g_documentsLookups = 0;
        platform::SetMessageBox(RecordBox);
        platform::SetKnownFolderLookup(SteeredFolder);

        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        base_ = std::string(temp) + "qf-paydir-" + std::to_string(GetCurrentProcessId());
        full_ = base_ + "\\Payments";
        empty_ = base_ + "\\Empty";
        ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(full_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(empty_.c_str(), nullptr));
        const HANDLE file = CreateFileA((full_ + "\\old.csv").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }

    void TearDown() override
    {
        platform::SetMessageBox(nullptr);
        platform::SetKnownFolderLookup(nullptr);
        detail::ForgetRootDirectory();
        DeleteFileA((full_ + "\\old.csv").c_str());
        RemoveDirectoryA(full_.c_str());
        RemoveDirectoryA(empty_.c_str());
        RemoveDirectoryA(base_.c_str());
    }

    std::string Resolve(const std::string& fileName, const std::string& directory)
    {
        std::memset(&result_, '#', sizeof result_);
        ResolvePaymentFilePath(fileName.c_str(), directory.c_str(), result_.path);
        EXPECT_EQ(std::string(result_.guard, sizeof result_.guard), std::string(sizeof result_.guard, '#'));
        return result_.path;
    }

    std::string base_, full_, empty_;
    Result result_;
};

} // namespace

TEST_F(PaymentDirectoryTest, ExistingDirectoryIsUsedWithOrWithoutBackslash)
{
    // A folder with no files still counts: its "." and ".." answer the search.
    for (const std::string& dir : {full_, full_ + "\\", empty_, empty_ + "\\"}) {
        EXPECT_EQ(Resolve("pay.csv", dir), (dir.back() == '\\' ? dir : dir + "\\") + "pay.csv") << dir;
    }
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(g_documentsLookups, 0); // the documents folder is not needed
}

TEST_F(PaymentDirectoryTest, MissingDirectoryIsReportedAndReplacedByDocuments)
{
    const std::string missing = base_ + "\\Missing";
    EXPECT_EQ(Resolve("pay.csv", missing), "C:\\Users\\Ann\\Documents\\pay.csv");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, Message(missing, "C:\\Users\\Ann\\Documents"));
    EXPECT_EQ(g_boxes[0].caption, kCaption);
    EXPECT_EQ(g_boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    // This program has no window, so the box has no owner.
    EXPECT_EQ(g_boxes[0].owner, nullptr);

    // A file where the folder should be is no folder either.
    EXPECT_EQ(Resolve("pay.csv", full_ + "\\old.csv"), "C:\\Users\\Ann\\Documents\\pay.csv");
    EXPECT_EQ(g_boxes.size(), 2u);
}

TEST_F(PaymentDirectoryTest, DocumentsFolderIsLookedUpOnceAcrossRuns)
{
    const std::string missing = base_ + "\\Missing";
    EXPECT_EQ(Resolve("one.csv", missing), "C:\\Users\\Ann\\Documents\\one.csv");
    g_documents = "C:\\Elsewhere";
    EXPECT_EQ(Resolve("two.csv", missing), "C:\\Users\\Ann\\Documents\\two.csv");
    EXPECT_EQ(g_boxes.size(), 2u); // told in every run
    EXPECT_EQ(g_documentsLookups, 1);
    EXPECT_STREQ(RootDirectory(), "C:\\Users\\Ann\\Documents");
}

TEST_F(PaymentDirectoryTest, UnknownDocumentsFolderGivesDriveC)
{
    g_documentsUnknown = true;
    EXPECT_EQ(Resolve("pay.csv", "C:\\Missing-qf"), "C:\\pay.csv");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, Message("C:\\Missing-qf", "C:\\"));
}

TEST_F(PaymentDirectoryTest, RootOfDriveAIsTakenWithoutLooking)
{
    ASSERT_EQ(GetFileAttributesA("A:\\"), INVALID_FILE_ATTRIBUTES) << "this prefix has a drive A";
    EXPECT_EQ(Resolve("pay.csv", "A:"), "A:\\pay.csv");
    EXPECT_EQ(Resolve("pay.csv", "a:\\"), "a:\\pay.csv");
    EXPECT_TRUE(g_boxes.empty());
    // Only the root: a folder on the drive is searched like any other.
    EXPECT_EQ(Resolve("pay.csv", "A:\\Payments"), "C:\\Users\\Ann\\Documents\\pay.csv");
    EXPECT_EQ(g_boxes.size(), 1u);
}

TEST_F(PaymentDirectoryTest, LongMessageIsShownWhole)
{
    const std::string missing = "\\\\payments-server.example.internal\\finance\\bank exports\\" + std::string(60, 'm');
    g_documents = "C:\\Users\\Annabel Fothergill-Smythe\\Documents\\" + std::string(40, 'd');
    EXPECT_EQ(Resolve("pay.csv", missing), g_documents + "\\pay.csv");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_GT(g_boxes[0].text.size(), 300u);
    EXPECT_EQ(g_boxes[0].text, Message(missing, g_documents));
}

// A directory is usable up to 255 characters (its search pattern then fits
// MAX_PATH) and a proposed path up to MAX_PATH - 1. The padding "\." keeps
// naming the same existing folder however long the text gets.
TEST_F(PaymentDirectoryTest, LengthLimitsOfDirectoryAndResult)
{
    auto padded = [&](size_t length) {
        std::string dir = full_;
        while (dir.size() + 2 <= length)
            dir += "\\.";
        if (dir.size() < length)
            dir += "\\";
        return dir;
    };
    const std::string dir255 = padded(255);
    ASSERT_EQ(dir255.size(), 255u);
    const std::string dir256 = padded(256);
    ASSERT_EQ(dir256.size(), 256u);

    struct Row { std::string dir, file, expected; bool told; };
    const std::string fits = std::string(259 - full_.size() - 1, 'f');
    const Row rows[] = {
        // 255 characters: searched, and the result of exactly 259 fits.
        {dir255, std::string(dir255.back() == '\\' ? 4 : 3, 'p'), "", false},
        // 256 characters: unusable although it names an existing folder.
        {dir256, "p.c", "C:\\Users\\Ann\\Documents\\p.c", true},
        // The joined path of 259 characters fits; of 260 does not.
        {full_, fits, full_ + "\\" + fits, false},
        {full_, fits + "g", "C:\\Users\\Ann\\Documents\\" + fits + "g", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.dir.size() + r.file.size());
        g_boxes.clear();
        const std::string expected = r.expected.empty() ? r.dir + (r.dir.back() == '\\' ? "" : "\\") + r.file
                                                        : r.expected;
        const std::string result = Resolve(r.file, r.dir);
        EXPECT_EQ(result, expected);
        EXPECT_LE(result.size(), 259u);
        ASSERT_EQ(g_boxes.size(), r.told ? 1u : 0u);
        if (r.told) {
            EXPECT_EQ(g_boxes[0].text, Message(r.dir, "C:\\Users\\Ann\\Documents"));
        }
    }
}

TEST_F(PaymentDirectoryTest, NameAloneWhenEvenTheDocumentsFolderLeavesNoRoom)
{
    g_documents = "C:\\" + std::string(240, 'd');
    const std::string name20 = std::string(16, 'n') + ".csv";
    EXPECT_EQ(Resolve(name20, base_ + "\\Missing"), name20);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, Message(base_ + "\\Missing", g_documents));

    // A name that is itself too long is cut to fit.
    const std::string name300(300, 'n');
    EXPECT_EQ(Resolve(name300, full_), name300.substr(0, 259));
    EXPECT_EQ(g_boxes.size(), 2u);
}
