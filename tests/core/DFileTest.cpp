// DFile: string records, lines, atomic whole-file writes, shared streams and text helpers.
#include "DFile.h"

#include "LastFailure.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>

using testsupport::InChild;
#endif

using testsupport::LE;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
namespace fs = std::filesystem;

namespace {

std::string Bytes(const DString& s)
{
    return std::string(s.c_str(), size_t(s.Len()));
}

DString Str(const std::string& s)
{
    DString d;
    std::copy(s.begin(), s.end(), d.GetBuffer(int(s.size())));
    return d;
}

// Names in the current folder that begin with '.' (left-over temporary files).
int HiddenFiles()
{
    int n = 0;
    for (const auto& e : fs::directory_iterator("."))
        n += e.path().filename().string()[0] == '.';
    return n;
}

} // namespace

TEST(DFile, StringRecordsInTheirThreeForms)
{
    DFile f;
    ASSERT_TRUE(f.Open("rec.bin", 6));
    f.DSWrite("hello", 4);
    f.DSWrite("hello", 2);
    f.DSWrite("hello", 0);
    f.DSWrite("", 4);
    f.DSWrite(Str(std::string("a\0b", 3)), 4); // bytes as they are, NUL included
    f.DSWrite(DString('x', 40000), 2);         // cut to what a 2-byte length can announce
    f.DSWrite("next", 2);
    ASSERT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes("rec.bin"), LE<int>(5) + "hello" + LE<short>(5) + "hello" + "hello"
                                        + LE<int>(0) + LE<int>(3) + std::string("a\0b", 3)
                                        + LE<short>(32767) + std::string(32767, 'x') + LE<short>(4)
                                        + "next");

    ASSERT_TRUE(f.Open("rec.bin", 5));
    DString a, b, e, z, cut, next;
    f.DSRead(a, false);
    f.DSRead(b, true);
    f.SeekRel(5);
    f.DSRead(e, false);
    f.DSRead(z, false);
    f.DSRead(cut, true);
    f.DSRead(next, true);
    EXPECT_EQ(Bytes(a), "hello");
    EXPECT_EQ(Bytes(b), "hello");
    EXPECT_TRUE(!e);
    EXPECT_EQ(Bytes(z), std::string("a\0b", 3));
    EXPECT_EQ(cut.Len(), 32767);
    EXPECT_EQ(Bytes(next), "next");
}

TEST(DFile, StringRecordLengthsThatLie)
{
    // Past the end: the bytes that are there, without a block of the announced size.
    WriteBytes("huge.bin", LE<int>(2000000000) + "tail");
    DFile f;
    DString s = "keep";
    ASSERT_TRUE(f.Open("huge.bin", 5));
    f.DSRead(s, false);
    EXPECT_EQ(Bytes(s), "tail");
    EXPECT_LT(s.GetAllocLength(), 1 << 20);

    // A negative 2-byte length, or a cut-off length field, leaves the string as it was.
    s = "keep";
    WriteBytes("neg.bin", LE<short>(-5) + "abc");
    ASSERT_TRUE(f.Open("neg.bin", 5));
    f.DSRead(s, true);
    f.DSRead(s, false);
    EXPECT_EQ(Bytes(s), "keep");

    // A true length beyond the first read step arrives whole.
    const std::string big(300000, 'q');
    WriteBytes("big.bin", LE<int>(int(big.size())) + big);
    ASSERT_TRUE(f.Open("big.bin", 5));
    f.DSRead(s, false);
    EXPECT_EQ(Bytes(s), big);
}

TEST(DFile, OpenFlagsAndClosedFiles)
{
    DFile f;
    for (int bad : {0, 4, 12})
        EXPECT_FALSE(f.Open("x.bin", bad));
    EXPECT_FALSE(testsupport::Exists("x.bin"));
    EXPECT_FALSE(f.Open("missing.bin", 7));
    EXPECT_FALSE(f.Open("no/such/folder/x.bin", 6));
    EXPECT_FALSE(f.IsOpen());

    char buf[4] = {'a', 'b', 'c', 'd'};
    DString s = "kept";
    f.BRead(buf, 4);
    f.DSRead(s, false);
    EXPECT_EQ(Bytes(s), "kept");
    EXPECT_EQ(f.Tell(), -1);

    // 7 updates in place; a short read leaves the rest of the buffer alone.
    WriteBytes("u.bin", "0123456789");
    ASSERT_TRUE(f.Open("u.bin", 7));
    f.SeekAbs(4);
    f.BWrite("ab", 2);
    ASSERT_TRUE(f.Open("u.bin", 5));
    EXPECT_EQ(ReadBytes("u.bin"), "0123ab6789");
    f.SeekAbs(8);
    f.BRead(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "89cd");
    EXPECT_TRUE(f.IsEOF());
}

TEST(DFile, CreateWritesReplaceTheTargetOnlyAtClose)
{
    WriteBytes("data.bin", "old contents");
    DFile f;
    ASSERT_TRUE(f.Open("data.bin", 6));
    f.BWrite("new", 3);
    EXPECT_EQ(ReadBytes("data.bin"), "old contents");
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes("data.bin"), "new");
    {
        DFile g;
        ASSERT_TRUE(g.Open("data.bin", 2));
        g.BWrite("by destructor", 13);
    }
    EXPECT_EQ(ReadBytes("data.bin"), "by destructor");
    EXPECT_EQ(HiddenFiles(), 0);

#if !defined(_WIN32) // folder permissions of POSIX
    // Where no temporary file can be made, the write fails and the file keeps every byte.
    fs::create_directories("ro");
    WriteBytes("ro/f.txt", "old");
    if (getuid() == 0) {
        ASSERT_EQ(chown("ro", 65534, 65534), 0);
        ASSERT_EQ(chown("ro/f.txt", 65534, 65534), 0);
    }
    fs::permissions("ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_TRUE(InChild(true, [] {
        DString why;
        return !DFile::WriteText("ro/f.txt", "new") && GetLastFailure(&why) == EACCES
               && why.Find("ro/f.txt") != npos && why.Find(std::strerror(EACCES)) != npos
               && !DFile::WriteText("ro/g.txt", "x");
    }));
    EXPECT_EQ(ReadBytes("ro/f.txt"), "old");
#endif
}

#if !defined(_WIN32) // a file-size limit of POSIX
TEST(DFile, FailedWriteKeepsTheOldFile)
{
    WriteBytes("keep.txt", "precious");
    EXPECT_TRUE(InChild(false, [] {
        // A file-size limit makes the write fail part-way, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        return !DFile::WriteText("keep.txt", DString('z', 100000));
    })) << "a failed write was reported as success";
    EXPECT_EQ(ReadBytes("keep.txt"), "precious");
    EXPECT_EQ(HiddenFiles(), 0);
}
#endif

TEST(DFile, CopiesShareOneStreamAndCommitOnce)
{
    DFile a;
    ASSERT_TRUE(a.Open("shared.bin", 6));
    {
        DFile b(a);
        b.BWrite("one ", 4);
    } // b goes away; a still uses the stream
    a.BWrite("two", 3);
    DFile c;
    c = a;
    EXPECT_TRUE(c.Close());
    EXPECT_FALSE(a.IsOpen()) << "closing one copy closes the stream for all";
    EXPECT_TRUE(a.Close());
    EXPECT_EQ(ReadBytes("shared.bin"), "one two");

    // Reopening a copy closes the shared stream and gives the copy a stream of its own.
    ASSERT_TRUE(a.Open("shared.bin", 5));
    DFile d = a;
    ASSERT_TRUE(d.Open("other.bin", 6));
    EXPECT_FALSE(a.IsOpen());
    ASSERT_TRUE(a.Open("shared.bin", 5));
    EXPECT_TRUE(d.Close());
    const DFile& self = a;
    a = self;
    EXPECT_TRUE(a.IsOpen());
}

TEST(DFile, ReadLineLimitsAndLineEnds)
{
    WriteBytes("lines.txt", std::string("abc\r\n0123456789\nnul\0x\r\nlast", 28));
    DFile f;
    ASSERT_TRUE(f.Open("lines.txt", 5));
    DString line;
    const std::pair<int, const char*> expected[] = {
        {100, "abc"}, {6, "0123"}, {6, "4567"}, {6, "89"}, {100, "nul"}, {100, "last"}, {100, ""}};
    for (const auto& [maxLen, text] : expected) {
        f.ReadLine(line, maxLen);
        EXPECT_EQ(Bytes(line), text);
    }

    // A long line through the heap buffer, and the fields of a line.
    WriteBytes("wide.txt", std::string(5000, 'w') + "\r\na\tb\t\tc\r\n");
    ASSERT_TRUE(f.Open("wide.txt", 1));
    f.ReadLine(line, 10000);
    EXPECT_EQ(line.Len(), 5000);
    DStringArray fields;
    f.ReadLineArray(fields, 100, "\t");
    ASSERT_EQ(fields.Count(), 4);
    EXPECT_EQ(Bytes(fields[3]), "c");
}

TEST(DFile, WholeFileTextHelpers)
{
    DStringArray lines;
    lines << "a"
          << "b";
    ASSERT_TRUE(DFile::WriteLines("l.txt", lines));
    EXPECT_EQ(ReadBytes("l.txt"), "a\r\nb");
    DFile::GetLines("l.txt", lines);
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(Bytes(lines[1]), "b");

    DStringArray table(2, 2);
    table(0, 0) = "a";
    table(1, 0) = "b";
    table(0, 1) = "c";
    table(1, 1) = "d";
    ASSERT_TRUE(DFile::WriteArray("t.txt", table, "\t"));
    EXPECT_EQ(ReadBytes("t.txt"), "a\tb\r\nc\td");
    DStringArray back;
    DFile::GetArray("t.txt", back, "\t");
    EXPECT_EQ(back.CCount(), 2);
    EXPECT_EQ(Bytes(back(1, 1)), "d");
    DArray<DStringArray, 1> rows;
    DFile::GetStringTable("t.txt", rows, "\t");
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_EQ(Bytes(rows[1][0]), "c");

    ASSERT_TRUE(DFile::WriteLine("log.txt", "one"));
    ASSERT_TRUE(DFile::WriteLine("log.txt", "two"));
    EXPECT_EQ(ReadBytes("log.txt"), "one\r\ntwo\r\n");

    ASSERT_TRUE(DFile::WriteText("bin.dat", Str(std::string("x\0y", 3))));
    EXPECT_EQ(Bytes(DFile::GetText("bin.dat")), std::string("x\0y", 3));
    EXPECT_TRUE(!DFile::GetText("missing.txt"));
    DFile::GetLines("missing.txt", lines);
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_FALSE(DFile::WriteLine("no/folder/x.txt", "x"));
}

TEST(DFile, CopyLargeFileReportsWhetherItCopied)
{
    std::string big(3 * 1048576 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 1000);
    WriteBytes("src.bin", big);
    EXPECT_TRUE(DFile::CopyLargeFile("src.bin", "dst.bin"));
    EXPECT_EQ(ReadBytes("dst.bin"), big);

    WriteBytes("dst.bin", "old");
    EXPECT_FALSE(DFile::CopyLargeFile("missing.bin", "dst.bin"));
    EXPECT_EQ(ReadBytes("dst.bin"), "old");
    EXPECT_FALSE(DFile::CopyLargeFile("src.bin", "no/folder/dst.bin"));

    EXPECT_TRUE(DFile::CopyLargeFile("src.bin", "src.bin"));
    EXPECT_EQ(ReadBytes("src.bin"), big) << "a copy onto itself leaves the file whole";
}
