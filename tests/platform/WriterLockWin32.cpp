// Windows writer locks: exclusion between processes, nesting within one, no stale lock and no
// lock file after a holder is killed.
#include "Platform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

#include <windows.h>

using namespace testsupport;

namespace {

std::string Dir()
{
    return Native(TestDir() + "/work");
}

// True when a lock on the lock file is held through some other handle.
bool LockedElsewhere(const std::string& lockFile)
{
    HANDLE h = CreateFileA(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    OVERLAPPED at = {};
    const bool free = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                                 MAXDWORD, MAXDWORD, &at)
                      != 0;
    if (free)
        UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &at);
    CloseHandle(h);
    return !free;
}

} // namespace

TEST(PlatformWriterLockWin32, NestedLocksHoldUntilTheOutermostIsReleased)
{
    const std::string lockFile = Dir() + "\\.scalars.ini.lock";
    const int outer = platform::AcquireWriterLock(Dir() + "\\Scalars.ini");
    ASSERT_GE(outer, 0);
    // Another spelling of the same file, relative to the current folder.
    const int inner = platform::AcquireWriterLock("SCALARS.INI");
    ASSERT_GE(inner, 0);
    platform::ReleaseWriterLock(inner);
    EXPECT_TRUE(LockedElsewhere(lockFile)) << "releasing a nested lock keeps the outer one";
    platform::ReleaseWriterLock(outer);
    EXPECT_FALSE(Exists(lockFile)) << "a released lock leaves no file";
    platform::ReleaseWriterLock(-1);
    EXPECT_EQ(platform::AcquireWriterLock(Dir() + "\\missing\\x.ini"), -1);
}

TEST(PlatformWriterLockWin32, KilledHolderLeavesNoStaleLock)
{
    const std::string target = Dir() + "\\x.ini";
    const std::string ready = Dir() + "\\ready";
    if (ChildRole() == "holder") {
        if (platform::AcquireWriterLock(target) >= 0)
            WriteBytes(ready, "r");
        Sleep(INFINITE);
    }
    ChildProcess holder("holder");
    ASSERT_TRUE(holder.Started());
    for (int waited = 0; waited < 30000 && !Exists(ready); waited += 10)
        Sleep(10);
    ASSERT_TRUE(Exists(ready));
    EXPECT_TRUE(LockedElsewhere(Dir() + "\\.x.ini.lock"));
    holder.Kill();
    holder.Wait();
    const int mine = platform::AcquireWriterLock(target);
    EXPECT_GE(mine, 0) << "the killed writer's lock is gone";
    platform::ReleaseWriterLock(mine);
    EXPECT_FALSE(Exists(Dir() + "\\.x.ini.lock"));
}
