// File stamps: equal while a file is untouched, different after any rewrite.
#include "Platform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

using namespace testsupport;

TEST(PlatformFileStamp, ChangesWithContentIdentityAndTime)
{
    std::string f = TestDir() + "/work/a.ini";
    WriteBytes(f, "abc");
    platform::FileStamp a, b;
    ASSERT_TRUE(platform::GetFileStamp(f, a));
    ASSERT_TRUE(platform::GetFileStamp(f, b));
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.size, 3);

    // Same size, same inode, only the time differs.
    WriteBytes(f, "xyz");
    struct timespec times[2] = {{0, UTIME_OMIT},
                                {a.modifiedNs / 1000000000LL, a.modifiedNs % 1000000000LL + 1}};
    if (times[1].tv_nsec >= 1000000000L)
        times[1] = {times[1].tv_sec + 1, 0};
    ASSERT_EQ(utimensat(AT_FDCWD, f.c_str(), times, 0), 0);
    ASSERT_TRUE(platform::GetFileStamp(f, b));
    EXPECT_EQ(a.inode, b.inode);
    EXPECT_TRUE(a != b);

    // A replacement is another file even with the same size and time.
    std::string g = TestDir() + "/work/b.ini";
    WriteBytes(g, "xyz");
    struct timespec same[2] = {{0, UTIME_OMIT},
                               {b.modifiedNs / 1000000000LL, b.modifiedNs % 1000000000LL}};
    ASSERT_EQ(utimensat(AT_FDCWD, g.c_str(), same, 0), 0);
    ASSERT_EQ(std::rename(g.c_str(), f.c_str()), 0);
    platform::FileStamp c;
    ASSERT_TRUE(platform::GetFileStamp(f, c));
    EXPECT_EQ(c.modifiedNs, b.modifiedNs);
    EXPECT_TRUE(c != b);

    EXPECT_FALSE(platform::GetFileStamp(TestDir() + "/work/missing", c));
    EXPECT_FALSE(platform::GetFileStamp("", c));
}
