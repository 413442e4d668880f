// The file holder reports a file whose buffered writes could not be
// flushed: the payment run relies on it not to call such a file written.
#include "text/file_holder.h"

#include <gtest/gtest.h>

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
