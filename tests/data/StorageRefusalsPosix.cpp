// What writers and readers refuse: read-only targets, special files, a full disk, and a writer
// lock held past the timeout; each refusal reported and the old bytes kept.
#include "DFile.h"
#include "DIni.h"
#include "FaultLoop.h"
#include "FileSystem.h"
#include "LastFailure.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "TestSupport.h"
#include "Waveform.h"
#include "WaveformTestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::InChild;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

// Every whole-file writer, each aimed at its own file of the given stem.
const std::vector<std::pair<std::string, std::function<bool()>>>& Writers()
{
    static const std::vector<std::pair<std::string, std::function<bool()>>> writers = {
        {"w.wvf",
         [] {
             return Trace({1, 2}).Write("w");
         }},
        {"m.dmt", [] { return Matrix(2, 2).Write("m"); }},
        {"p.dpt", [] { return ParticleGroup(2).Write("p"); }},
        {"t.txt", [] { return DFile::WriteText("t.txt", "new"); }},
        {"c.txt", [] { return CopyFileD("source.txt", "c.txt"); }},
        {"l.txt", [] { return DFile::CopyLargeFile("source.txt", "l.txt"); }},
        {"s.ini",
         [] {
             ClearLastFailure();
             DIni ini("s.ini");
             ini.SetSection("A");
             ini.SetKeyValue("k", "new");
             return GetLastFailure() == 0;
         }},
    };
    return writers;
}

void MakeOldFiles(mode_t mode)
{
    WriteBytes("source.txt", "source");
    for (const auto& w : Writers()) {
        WriteBytes(w.first, "old bytes");
        ASSERT_EQ(chmod(w.first.c_str(), mode), 0);
    }
}

bool RefusedWithReason(const std::function<bool()>& write, const std::string& file)
{
    ClearLastFailure();
    DString why;
    const bool refused = !write() && GetLastFailure(&why) != 0;
    const std::string text(why.c_str());
    return refused && text.find(file) != std::string::npos;
}

} // namespace

TEST(StorageRefusals, ReadOnlyFilesAreNotReplaced)
{
    // No write bit at all: refused even for a privileged writer.
    MakeOldFiles(0444);
    for (const auto& w : Writers()) {
        EXPECT_TRUE(RefusedWithReason(w.second, w.first)) << w.first;
        EXPECT_EQ(ReadBytes(w.first), "old bytes") << w.first;
    }
    EXPECT_TRUE(testsupport::HiddenEntries("x").empty());

    // Another user's file that we may not write, in a folder we may write: the rename would
    // succeed, the permission says no.
    if (getuid() != 0)
        GTEST_SKIP() << "not root: no other user's file to try";
    MakeOldFiles(0644);
    ASSERT_EQ(chmod(".", 0777), 0);
    ASSERT_EQ(chmod(testsupport::TestDir().c_str(), 0755), 0);
    EXPECT_TRUE(InChild(true, [] {
        bool all = true;
        for (const auto& w : Writers())
            all = RefusedWithReason(w.second, w.first) && all;
        return all;
    }));
    for (const auto& w : Writers())
        EXPECT_EQ(ReadBytes(w.first), "old bytes") << w.first;
}

TEST(StorageRefusals, ReadersTakeRegularFilesOnlyAndNeverBlock)
{
    alarm(20); // a reader that blocks on the FIFO ends the test instead of hanging it
    ASSERT_EQ(mkfifo("x.wvf", 0644), 0);
    Waveform w;
    EXPECT_FALSE(w.Read(DString("x"), -1));
    EXPECT_EQ(DFile::GetText("x.wvf").Len(), 0);
    ASSERT_EQ(symlink("/dev/urandom", "u.wvf"), 0);
    EXPECT_FALSE(w.Read(DString("u"), -1));
    ASSERT_EQ(mkfifo("f.dmt", 0644), 0);
    Matrix m;
    EXPECT_FALSE(m.Read(DString("f")));
    ASSERT_EQ(mkfifo("f.dpt", 0644), 0);
    ParticleGroup g;
    EXPECT_FALSE(g.Read(DString("f")));
    alarm(0);

    // A declared count past the end is refused before anything is allocated for it.
    Trace({1, 2, 3}).Write("short");
    std::string bytes = ReadBytes("short.wvf");
    const int huge = 900000000;
    std::memcpy(&bytes[4], &huge, 4);
    WriteBytes("short.wvf", bytes);
    EXPECT_FALSE(w.Read(DString("short"), -1));
}

TEST(StorageRefusals, AFullDiskFailsWritesAndAppendsAndKeepsTheOldFiles)
{
    if (getuid() != 0)
        GTEST_SKIP() << "a small file system needs root to mount";
    mkdir("small", 0777);
    if (mount("tmpfs", "small", "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    struct Unmount {
        ~Unmount()
        {
            if (chdir(testsupport::TestDir().c_str()) == 0 && chdir("work") == 0)
                umount2("small", MNT_DETACH);
        }
    } unmount;
    ASSERT_EQ(chdir("small"), 0);
    ParticleGroup old(1000);
    for (int i = 0; i < 1000; ++i)
        old.PData()[i].col[0] = float(i);
    ASSERT_TRUE(old.Write("p"));
    ASSERT_TRUE(Matrix(100, 100).Write("m"));
    const std::string oldP = ReadBytes("p.dpt"), oldM = ReadBytes("m.dmt");

    ClearLastFailure();
    EXPECT_FALSE(ParticleGroup(20000).Append("p"));
    EXPECT_EQ(GetLastFailure(), ENOSPC);
    EXPECT_FALSE(Matrix(100, 1000).Append("m"));
    EXPECT_EQ(GetLastFailure(), ENOSPC);
    EXPECT_FALSE(Matrix(300, 300).Write("m"));
    EXPECT_TRUE(ReadBytes("p.dpt") == oldP);
    EXPECT_TRUE(ReadBytes("m.dmt") == oldM);
    ParticleGroup back;
    EXPECT_TRUE(back.Read(DString("p")));
    EXPECT_EQ(back.nParticles(), 1000);
    EXPECT_TRUE(testsupport::HiddenEntries("p.dpt").empty());
}

TEST(StorageRefusals, AWriterLockHeldTooLongFailsTheWriteAndNamesTheHolder)
{
    testsupport::SetEnv("TALVEX_LOCK_TIMEOUT", "0.3");
    Trace({1}).Write("w");
    const std::string old = ReadBytes("w.wvf");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        const int fd = open(".w.wvf.lock", O_RDWR | O_CREAT, 0666);
        struct flock fl = {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        if (fd < 0 || fcntl(fd, F_SETLK, &fl) != 0)
            _exit(1);
        (void)!write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ClearLastFailure();
    EXPECT_FALSE(Trace({2, 3}).Write("w"));
    DString why;
    EXPECT_EQ(GetLastFailure(&why), EAGAIN);
    const std::string text(why.c_str());
    EXPECT_NE(text.find(".w.wvf.lock"), std::string::npos) << text;
    EXPECT_NE(text.find("process " + std::to_string(holder)), std::string::npos) << text;
    EXPECT_EQ(ReadBytes("w.wvf"), old);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_TRUE(Trace({2, 3}).Write("w"));
}
