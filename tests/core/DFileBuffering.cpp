// DFile's own buffering: reads across buffer edges, positions and end of file, formatted reads,
// names found ignoring case, and create streams that gather their bytes before writing.
#include "DFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "../../core/platform/FaultInjection.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

// Bytes that differ at every offset, so that a piece read from the wrong place shows.
std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char(i * 31 + i / 251);
    return s;
}

// Reads the whole file in pieces of the given sizes, over and over.
std::string ReadInPieces(DFile& f, const std::vector<int>& sizes, size_t total)
{
    std::string out;
    for (size_t k = 0; out.size() < total; ++k) {
        std::string piece(size_t(sizes[k % sizes.size()]), '\0');
        f.BRead(&piece[0], int(piece.size()));
        out += piece.substr(0, std::min(piece.size(), total - out.size()));
    }
    return out;
}

} // namespace

TEST(DFileBuffering, PiecesOfEverySizeReadTheBytesWhereTheyAre)
{
    // Small (one fill), between the buffer sizes, and large (head buffered, rest direct).
    for (size_t size : {100u, 8191u, 8193u, 40000u, 300001u}) {
        const std::string bytes = Pattern(size);
        WriteBytes("p.bin", bytes);
        DFile f;
        ASSERT_TRUE(f.Open("p.bin", 5));
        EXPECT_EQ(f.Length(), (long long)size);
        EXPECT_EQ(ReadInPieces(f, {1, 7, 5000, 3, 70000, 8192}, size), bytes) << size;
        EXPECT_TRUE(f.IsEOF() || f.Tell() == (long long)size);
    }
}

TEST(DFileBuffering, SeeksMoveThePositionAndClearTheEnd)
{
    const std::string bytes = Pattern(20000);
    WriteBytes("s.bin", bytes);
    DFile f;
    ASSERT_TRUE(f.Open("s.bin", 5));
    char c[4] = {};
    f.SeekAbs(19998);
    f.BRead(c, 4);
    EXPECT_TRUE(f.IsEOF()) << "a short read meets the end";
    EXPECT_EQ(std::string(c, 2), bytes.substr(19998, 2));
    EXPECT_EQ(f.Tell(), 20000);

    f.SeekAbs(10);
    EXPECT_FALSE(f.IsEOF()) << "a seek clears the end";
    f.BRead(c, 4);
    EXPECT_EQ(std::string(c, 4), bytes.substr(10, 4));
    f.SeekRel(-8);
    EXPECT_EQ(f.Tell(), 6);
    f.BRead(c, 4);
    EXPECT_EQ(std::string(c, 4), bytes.substr(6, 4));
    f.SeekAbs(-5);
    EXPECT_EQ(f.Tell(), 10) << "a seek before the start is refused";

    f.SeekAbs(50000);
    c[0] = 'k';
    f.BRead(c, 1);
    EXPECT_TRUE(f.IsEOF());
    EXPECT_EQ(c[0], 'k') << "nothing read past the end";
    f.Close();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Tell(), -1);
    EXPECT_EQ(f.Length(), -1);
}

TEST(DFileBuffering, LinesThatCrossTheBufferEdge)
{
    // Lines of 3000 bytes put line ends on both sides of every 8192-byte edge.
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += std::string(3000, char('a' + i)) + (i % 2 ? "\r\n" : "\n");
    text += "tail";
    WriteBytes("long.txt", text);
    DFile f;
    ASSERT_TRUE(f.Open("long.txt", 1));
    DString line;
    for (int i = 0; i < 20; ++i) {
        f.ReadLine(line, 4000);
        ASSERT_EQ(line.Len(), 3000) << i;
        EXPECT_EQ(line[2999], char('a' + i));
    }
    f.ReadLine(line, 4000);
    EXPECT_EQ(std::string(line.c_str()), "tail");
    EXPECT_TRUE(f.IsEOF());
    f.ReadLine(line, 4000);
    EXPECT_EQ(line.Len(), 0);
}

TEST(DFileBuffering, FormattedReadsStopAtTheEnd)
{
    WriteBytes("n.txt", "12 34\n  56\n\n");
    DFile f;
    ASSERT_TRUE(f.Open("n.txt", 1));
    std::vector<int> got;
    for (int guard = 0; guard < 10 && !f.IsEOF(); ++guard) {
        int v = -1;
        f.ARead(" %d", &v);
        if (v >= 0)
            got.push_back(v);
    }
    EXPECT_TRUE(f.IsEOF()) << "trailing blanks end the input instead of looping";
    EXPECT_EQ(got, (std::vector<int> {12, 34, 56}));
}

TEST(DFileBuffering, ReadsFindANameInAnotherCaseButTheExactNameWins)
{
    if (testsupport::kWindows)
        GTEST_SKIP() << "names ignore case in the file system itself";
    WriteBytes("Data.txt", "upper");
    EXPECT_EQ(std::string(DFile::GetText("data.TXT").c_str()), "upper");
    DFile f;
    ASSERT_TRUE(f.Open("DATA.txt", 5));
    char c[5];
    f.BRead(c, 5);
    EXPECT_EQ(std::string(c, 5), "upper");

    WriteBytes("data.txt", "exact");
    EXPECT_EQ(std::string(DFile::GetText("data.txt").c_str()), "exact");
    EXPECT_EQ(std::string(DFile::GetText("Data.txt").c_str()), "upper");
}

TEST(DFileBuffering, AReadOpenCountsOnceAFileIsThereAndFailsWhenItFails)
{
    WriteBytes("one.txt", "x");
    namespace fault = platform::fault;
    fault::Arm(0, 0, fault::Open);
    EXPECT_EQ(std::string(DFile::GetText("one.txt").c_str()), "x");
    DFile f;
    EXPECT_TRUE(f.Open("one.txt", 5));
    f.Close();
    // A missing name is an answer: a fault loop over a writer must not spend a call on it.
    EXPECT_TRUE(!DFile::GetText("missing.txt"));
    EXPECT_FALSE(f.Open("Missing.txt", 5));
    EXPECT_EQ(fault::Calls(), 2);
    fault::Arm(1, EIO, fault::Open);
    EXPECT_FALSE(f.Open("one.txt", 5));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_TRUE(f.Open("one.txt", 5)) << "only the chosen open fails";
    fault::Disarm();
    EXPECT_FALSE(f.Open(".", 5)) << "a folder is no file to read";
    EXPECT_TRUE(!DFile::GetText("."));
}

TEST(DFileBuffering, CreateStreamsGatherSmallAndLargeWritesInOrder)
{
    const std::string big = Pattern(700000); // past the gathering limit
    DFile f;
    ASSERT_TRUE(f.Open("w.bin", 6));
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        const std::string piece = Pattern(size_t(i % 13 + 1));
        f.BWrite(piece.data(), int(piece.size()));
        expected += piece;
    }
    EXPECT_EQ(f.Tell(), (long long)expected.size()) << "the position counts gathered bytes";
    EXPECT_FALSE(testsupport::Exists("w.bin")) << "nothing replaces the target before Close";
    f.BWrite(big.data(), int(big.size()));
    expected += big;
    f.BWrite("end", 3);
    expected += "end";
    EXPECT_EQ(f.Length(), (long long)expected.size());

    // A header patched after the data, as writers that count what they wrote do.
    f.SeekAbs(0);
    f.BWrite("HEAD", 4);
    expected.replace(0, 4, "HEAD");
    ASSERT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes("w.bin"), expected);
}

TEST(DFileBuffering, AGatheredWriteThatFailsKeepsTheOldFile)
{
    WriteBytes("keep.txt", "old");
    namespace fault = platform::fault;
    fault::Arm(1, ENOSPC, fault::Write);
    DFile f;
    ASSERT_TRUE(f.Open("keep.txt", 2));
    f.BWrite("new text", 8);
    EXPECT_FALSE(f.Sync()) << "the gathered bytes fail when they reach the file";
    EXPECT_TRUE(f.Failed());
    EXPECT_FALSE(f.Close());
    fault::Disarm();
    EXPECT_EQ(ReadBytes("keep.txt"), "old");
}
