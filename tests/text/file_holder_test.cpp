// The file holder reports a file whose buffered writes could not be
// flushed: the payment run relies on it not to call such a file written.
#include "text/file_holder.h"

#include <gtest/gtest.h>

namespace {
qf::FileStep g_failing = qf::FileStep::Write;
bool FailOneStep(qf::FileStep step) { return step == g_failing; }
} // namespace

#ifndef _WIN32
// Wine reports writes to a device that refuses them as done: natively only.
TEST(FileHolderTest, CloseReportsWritesThatFailed)
{
    // /dev/full takes the open and refuses every write, as a full disk does.
    qf::File full(std::fopen("/dev/full", "wb"));
    ASSERT_TRUE(full);
    std::fputs("a line that cannot be stored\r\n", full.Get());
    EXPECT_FALSE(full.Close());
    EXPECT_FALSE(full);
    EXPECT_TRUE(full.Close()) << "closing twice does nothing";

    qf::File fine(std::tmpfile());
    ASSERT_TRUE(fine);
    std::fputs("stored\r\n", fine.Get());
    EXPECT_TRUE(fine.Close());
}
#endif

TEST(FileHolderTest, ASeamMakesEachStepOfStoringFail)
{
    struct Case {
        qf::FileStep step;
        bool writeFailed, flushed;
    };
    const Case cases[] = {
        {qf::FileStep::Write, true, false},
        {qf::FileStep::Flush, false, false},
        {qf::FileStep::Close, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        qf::File file(std::tmpfile());
        ASSERT_TRUE(file);
        std::fputs("a line\r\n", file.Get());
        g_failing = c.step;
        EXPECT_EQ(qf::SetFileFault(FailOneStep), nullptr);
        EXPECT_EQ(file.WriteFailed(), c.writeFailed);
        EXPECT_EQ(file.Flush(), c.flushed);
        EXPECT_FALSE(file.Close()) << "whichever step failed, the file was not stored";
        EXPECT_FALSE(file);
        EXPECT_EQ(qf::SetFileFault(nullptr), &FailOneStep);
    }
    // Without the seam the same file is stored, and the real outcome is
    // reported again.
    qf::File file(std::tmpfile());
    ASSERT_TRUE(file);
    std::fputs("a line\r\n", file.Get());
    EXPECT_FALSE(file.WriteFailed());
    EXPECT_TRUE(file.Flush());
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(file.Close()) << "closing twice does nothing";
}
