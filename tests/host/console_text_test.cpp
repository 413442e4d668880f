// corvane's output: a console shows its UTF-8 texts whatever the console's
// code page; a file or a pipe gets the UTF-8 bytes themselves.
#include "host/corvane/console_text.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <string>

using namespace corvane;

namespace {

const char kLine[] = "Caf\xC3\xA9 Rouge Ltd \xC2\xA3" "12.50";
const wchar_t kShown[] = L"Caf\u00e9 Rouge Ltd \u00a312.50";

} // namespace

TEST(ConsoleTextTest, AConsoleShowsTheTextWhateverItsCodePage)
{
    // A console of the test's own (under a pipe the process may have none,
    // or one without a screen).
    FreeConsole();
    if (!AllocConsole())
        GTEST_SKIP() << "no console here (error " << GetLastError() << ")";
    const HANDLE buffer = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (buffer == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no console here (error " << GetLastError() << ")";
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(buffer), _O_WRONLY);
    ASSERT_GE(fd, 0);
    std::FILE* console = _fdopen(fd, "w");
    ASSERT_NE(console, nullptr);
    const UINT original = GetConsoleOutputCP();
    for (const UINT codePage : {437u, 850u, 1252u}) {
        SCOPED_TRACE(codePage);
        SetConsoleOutputCP(codePage);
        SetConsoleCursorPosition(buffer, COORD{0, 0});
        // Text still held by the stream comes first.
        std::fputs("> ", console);
        PrintText(console, "%s", kLine);
        wchar_t shown[64] = {};
        DWORD read = 0;
        ASSERT_TRUE(ReadConsoleOutputCharacterW(buffer, shown, 2 + static_cast<DWORD>(wcslen(kShown)), COORD{0, 0},
                                                &read));
        EXPECT_EQ(std::wstring(shown, read), L"> " + std::wstring(kShown));
    }
    SetConsoleOutputCP(original);
    std::fclose(console);
}

TEST(ConsoleTextTest, AFileGetsTheUtf8Bytes)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    PrintText(file, "%s %d\n", kLine, 7);
    WriteText(file, kLine);
    std::rewind(file);
    char bytes[128] = {};
    const std::size_t n = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    EXPECT_EQ(std::string(bytes, n), std::string(kLine) + " 7\n" + kLine);
}

// Many lines at once: the bytes are those the C runtime writes for the same
// text, in a file opened as text (LF made CR LF, a CR left alone) or as binary,
// with what the stream held before and after in its own mode.
TEST(ConsoleTextTest, LinesWrittenAtOnceAreTheRuntimesBytes)
{
    std::string lines;
    for (int i = 0; i < 20000; ++i)
        lines += std::to_string(i) + ",\"a\r\nb\"," + kLine + "\n";
    for (const wchar_t* mode : {L"w", L"wb"}) {
        SCOPED_TRACE(mode == std::wstring(L"w") ? "text" : "binary");
        std::string bytes[2];
        for (int way = 0; way < 2; ++way) {
            wchar_t dir[MAX_PATH], path[MAX_PATH];
            GetTempPathW(MAX_PATH, dir);
            GetTempFileNameW(dir, L"qfl", 0, path);
            std::FILE* file = _wfopen(path, mode);
            ASSERT_NE(file, nullptr);
            std::fputs("head\n", file);
            if (way == 0)
                std::fwrite(lines.data(), 1, lines.size(), file);
            else
                WriteLines(file, lines.data(), lines.size());
            std::fputs("tail\n", file);
            std::fclose(file);
            file = _wfopen(path, L"rb");
            ASSERT_NE(file, nullptr);
            char chunk[4096];
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
                bytes[way].append(chunk, n);
            std::fclose(file);
            DeleteFileW(path);
        }
        EXPECT_GT(bytes[0].size(), lines.size());
        EXPECT_TRUE(bytes[1] == bytes[0]) << bytes[1].size() << " bytes against " << bytes[0].size();
    }
}
