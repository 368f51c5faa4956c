// Writer locks: exclusion between processes, nesting within one, no stale lock after a kill
// and no lock file left behind.
#include "Platform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testsupport;

namespace {

std::string Dir()
{
    return TestDir() + "/work";
}

// True when some process other than this one holds a lock on the lock file.
bool LockedByOther(const std::string& lockFile)
{
    int fd = open(lockFile.c_str(), O_RDWR);
    if (fd < 0)
        return false;
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_len = 0; // the whole file
    const bool held = fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    close(fd);
    return held;
}

// Runs f in a child process and gives its exit status (or -1 when it did not exit).
template <class F> int InChild(F f)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(f());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(PlatformWriterLock, NestedLocksHoldUntilTheOutermostIsReleased)
{
    const std::string target = Dir() + "/Scalars.ini";
    const std::string lockFile = Dir() + "/.scalars.ini.lock";
    const int outer = platform::AcquireWriterLock(target);
    ASSERT_GE(outer, 0);
    EXPECT_TRUE(testsupport::Exists(lockFile));
    // Another spelling of the same file, and another file of the same folder.
    const int inner = platform::AcquireWriterLock(Dir() + "/SCALARS.INI");
    const int other = platform::AcquireWriterLock(Dir() + "/probe.wvf");
    ASSERT_GE(inner, 0);
    ASSERT_GE(other, 0);
    platform::ReleaseWriterLock(other);
    platform::ReleaseWriterLock(inner);
    EXPECT_EQ(InChild([&] { return LockedByOther(lockFile) ? 0 : 1; }), 0)
        << "releasing a nested lock keeps the outer one";
    EXPECT_FALSE(testsupport::Exists(Dir() + "/.probe.wvf.lock"));
    platform::ReleaseWriterLock(outer);
    EXPECT_FALSE(testsupport::Exists(lockFile)) << "a released lock leaves no file";
    platform::ReleaseWriterLock(-1);
}

TEST(PlatformWriterLock, SecondWriterWaitsForTheFirst)
{
    const std::string target = Dir() + "/ScalarCache.ini";
    int order[2];
    ASSERT_EQ(pipe(order), 0);
    const int held = platform::AcquireWriterLock(target);
    ASSERT_GE(held, 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Inherits the parent's table but not its lock: it must wait.
        const int mine = platform::AcquireWriterLock(target);
        const char c = 'c';
        _exit(mine >= 0 && write(order[1], &c, 1) == 1 ? 0 : 1);
    }
    platform::SleepMilliseconds(200);
    const char p = 'p';
    ASSERT_EQ(write(order[1], &p, 1), 1);
    platform::ReleaseWriterLock(held);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    char seen[2] = {};
    ASSERT_EQ(read(order[0], seen, 2), 2);
    EXPECT_EQ(std::string(seen, 2), "pc") << "the child got the lock only after the release";
}

TEST(PlatformWriterLock, KilledHolderLeavesNoStaleLockAndUnlockableFoldersRunUnlocked)
{
    const std::string target = Dir() + "/x.ini";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        platform::AcquireWriterLock(target);
        const char c = 'r';
        if (write(ready[1], &c, 1) != 1)
            _exit(1);
        pause();
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_TRUE(LockedByOther(Dir() + "/.x.ini.lock"));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const int mine = platform::AcquireWriterLock(target);
    EXPECT_GE(mine, 0) << "the killed writer's lock file is taken over";
    platform::ReleaseWriterLock(mine);
    EXPECT_FALSE(testsupport::Exists(Dir() + "/.x.ini.lock"));

    EXPECT_EQ(platform::AcquireWriterLock(Dir() + "/missing/x.ini"), -1);
    EXPECT_EQ(platform::AcquireWriterLock(""), -1);
}
