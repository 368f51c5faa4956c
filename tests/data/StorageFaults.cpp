// Every writer under injected faults: each file call it makes fails in turn, and each time the
// failure is reported and the old file is kept byte for byte, with no temporary file left.
#include "DataSamples.h"
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

#include <memory>
#include <string>

using testsupport::FaultCase;
using testsupport::Grid;
using testsupport::LoopFaults;
using testsupport::Particles;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

// Writes `make()`'s object as the old file once, and restores those bytes before each run.
template <class Make> std::function<void()> OldFile(const std::string& file, Make make)
{
    make();
    const std::string old = ReadBytes(file);
    return [file, old] { WriteBytes(file, old); };
}

} // namespace

TEST(StorageFaults, WaveformWrite)
{
    FaultCase c;
    c.target = "w.wvf";
    c.restore = OldFile(c.target, [] { Trace({1, 2, 3}).Write("w"); });
    c.write = [] { return Trace({4, 5, 6, 7}).Write("w"); };
    EXPECT_GT(LoopFaults(c), 4);
}

TEST(StorageFaults, MatrixWriteAndAppend)
{
    FaultCase c;
    c.target = "m.dmt";
    c.restore = OldFile(c.target, [] { Grid(3, 2, 0).Write("m"); });
    c.write = [] { return Grid(3, 4, 9).Write("m"); };
    EXPECT_GT(LoopFaults(c), 4);

    c.write = [] { return Grid(3, 2, 100).Append("m"); };
    c.replaces = false;
    EXPECT_GT(LoopFaults(c), 2);
}

TEST(StorageFaults, ParticleGroupWriteAndAppend)
{
    FaultCase c;
    c.target = "p.dpt";
    c.restore = OldFile(c.target, [] { Particles(1000, 0, 8).Write("p"); });
    c.write = [] { return Particles(3, 5, 8).Write("p"); };
    EXPECT_GT(LoopFaults(c), 4);

    c.write = [] { return Particles(7, 50, 8).Append("p"); };
    c.replaces = false;
    EXPECT_GT(LoopFaults(c), 2);
}

TEST(StorageFaults, SettingsFileStore)
{
    // Loaded before the faults, so that every counted call is one of the write.
    static std::unique_ptr<DIni> ini;
    FaultCase c;
    c.target = "s.ini";
    c.restore = [] {
        WriteBytes("s.ini", "[A]\r\nsecret=1\r\nkeep=2\r\n[B]\r\nx=y");
        ini.reset(new DIni("s.ini"));
    };
    c.write = [] {
        ClearLastFailure();
        ini->SetSection("A");
        ini->SetKeyValue("new", "1");
        return GetLastFailure() == 0;
    };
    EXPECT_GT(LoopFaults(c), 4);
}

TEST(StorageFaults, CopiesAndTextHelpers)
{
    WriteBytes("source.txt", std::string(100000, 's'));
    FaultCase c;
    c.target = "copy.txt";
    c.restore = [] { WriteBytes("copy.txt", "old copy"); };
    c.write = [] { return CopyFileD("source.txt", "copy.txt"); };
    EXPECT_GE(LoopFaults(c), 4); // Windows copies in one call
    c.write = [] { return DFile::CopyLargeFile("source.txt", "copy.txt"); };
    EXPECT_GT(LoopFaults(c), 4);
    c.write = [] { return DFile::WriteText("copy.txt", "new text"); };
    EXPECT_GT(LoopFaults(c), 4);
    c.write = [] {
        DStringArray lines;
        lines.Add("one");
        lines.Add("two");
        return DFile::WriteLines("copy.txt", lines);
    };
    EXPECT_GT(LoopFaults(c), 4);
}
