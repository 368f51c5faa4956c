// DFile: string records, lines, atomic whole-file writes, shared streams and text helpers.
#include "DFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::LE;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

std::string Bytes(const DString& s)
{
    return std::string(s.c_str(), size_t(s.Len()));
}

DString Str(const std::string& s)
{
    DString d;
    char* p = d.GetBuffer(int(s.size()));
    std::copy(s.begin(), s.end(), p);
    return d;
}

// Names in a folder that begin with '.' (left-over temporary files).
int HiddenFiles(const std::string& folder)
{
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder))
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
    ASSERT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes("rec.bin"), LE<int>(5) + "hello" + LE<short>(5) + "hello" + "hello" +
                                        LE<int>(0) + LE<int>(3) + std::string("a\0b", 3));

    ASSERT_TRUE(f.Open("rec.bin", 5));
    DString a, b, e, z;
    f.DSRead(a, false);
    f.DSRead(b, true);
    f.SeekRel(5);
    f.DSRead(e, false);
    f.DSRead(z, false);
    EXPECT_EQ(Bytes(a), "hello");
    EXPECT_EQ(Bytes(b), "hello");
    EXPECT_TRUE(!e);
    EXPECT_EQ(Bytes(z), std::string("a\0b", 3));
    EXPECT_EQ(f.Tell(), __int64(ReadBytes("rec.bin").size()));
}

TEST(DFile, ShortFormCutsLongTextSoTheFileStaysReadable)
{
    const std::string text(40000, 'x');
    DFile f;
    ASSERT_TRUE(f.Open("long.bin", 6));
    f.DSWrite(Str(text), 2);
    f.DSWrite("next", 2);
    ASSERT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes("long.bin").size(), 2 + 32767 + 2 + 4u);

    ASSERT_TRUE(f.Open("long.bin", 5));
    DString first, second;
    f.DSRead(first, true);
    f.DSRead(second, true);
    EXPECT_EQ(first.Len(), 32767);
    EXPECT_EQ(Bytes(second), "next");
}

TEST(DFile, StringRecordLengthsThatLie)
{
    // A length far past the end gives the bytes that are there; a negative 2-byte length and a
    // cut-off length field leave the string as it was.
    WriteBytes("huge.bin", LE<int>(2000000000) + "tail");
    WriteBytes("neg.bin", LE<short>(-5) + "abc");
    WriteBytes("cut.bin", std::string("\x07", 1));
    DFile f;
    DString s = "keep";
    ASSERT_TRUE(f.Open("huge.bin", 5));
    f.DSRead(s, false);
    EXPECT_EQ(Bytes(s), "tail");
    EXPECT_LT(s.GetAllocLength(), 1 << 20);

    s = "keep";
    ASSERT_TRUE(f.Open("neg.bin", 5));
    f.DSRead(s, true);
    EXPECT_EQ(Bytes(s), "keep");
    ASSERT_TRUE(f.Open("cut.bin", 5));
    f.DSRead(s, false);
    EXPECT_EQ(Bytes(s), "keep");

    // A true length larger than the first read step still arrives whole.
    const std::string big(300000, 'q');
    WriteBytes("big.bin", LE<int>(int(big.size())) + big);
    ASSERT_TRUE(f.Open("big.bin", 5));
    f.DSRead(s, false);
    EXPECT_EQ(Bytes(s), big);
}

TEST(DFile, OpenFlagsAndClosedFiles)
{
    DFile f;
    EXPECT_FALSE(f.Open("x.bin", 0));
    EXPECT_FALSE(f.Open("x.bin", 4));
    EXPECT_FALSE(f.Open("x.bin", 12));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(testsupport::Exists("x.bin"));
    EXPECT_FALSE(f.Open("missing.bin", 5));
    EXPECT_FALSE(f.Open("missing.bin", 7));
    EXPECT_FALSE(f.Open("no/such/folder/x.bin", 6));

    // Every operation on a closed file is harmless.
    char buf[4] = {'a', 'b', 'c', 'd'};
    DString s = "kept";
    f.BRead(buf, 4);
    f.BWrite(buf, 4);
    f.DSRead(s, false);
    f.ReadLine(s, 100);
    EXPECT_TRUE(!s);
    EXPECT_EQ(f.Tell(), -1);
    EXPECT_TRUE(f.Close());

    // 7 updates in place: the rest of the file stays.
    WriteBytes("u.bin", "0123456789");
    ASSERT_TRUE(f.Open("u.bin", 7));
    f.SeekAbs(4);
    f.BWrite("ab", 2);
    f.Close();
    EXPECT_EQ(ReadBytes("u.bin"), "0123ab6789");

    // A short read leaves the rest of the buffer alone.
    ASSERT_TRUE(f.Open("u.bin", 5));
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
    EXPECT_EQ(HiddenFiles("."), 1);
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(ReadBytes("data.bin"), "new");
    EXPECT_EQ(HiddenFiles("."), 0);

    // The destructor commits too.
    {
        DFile g;
        ASSERT_TRUE(g.Open("data.bin", 2));
        g.BWrite("text mode", 9);
    }
    EXPECT_EQ(ReadBytes("data.bin"), "text mode");
    EXPECT_EQ(HiddenFiles("."), 0);
}

TEST(DFile, FailedWriteKeepsTheOldFile)
{
    WriteBytes("keep.txt", "precious");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // A file-size limit makes the write fail part-way, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        const bool ok = DFile::WriteText("keep.txt", DString('z', 100000));
        _exit(ok ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a failed write was reported as success";
    EXPECT_EQ(ReadBytes("keep.txt"), "precious");
    EXPECT_EQ(HiddenFiles("."), 0);
}

TEST(DFile, CopiesShareOneStreamAndCommitOnce)
{
    DFile a;
    ASSERT_TRUE(a.Open("shared.bin", 6));
    {
        DFile b(a);
        b.BWrite("one ", 4);
    } // b goes away; a still uses the stream
    ASSERT_TRUE(a.IsOpen());
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
    d.BWrite("x", 1);
    EXPECT_TRUE(d.Close());
    EXPECT_TRUE(a.IsOpen());
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
    f.ReadLine(line, 100);
    EXPECT_EQ(Bytes(line), "abc");
    f.ReadLine(line, 6); // at most 4 characters at a time
    EXPECT_EQ(Bytes(line), "0123");
    f.ReadLine(line, 6);
    EXPECT_EQ(Bytes(line), "4567");
    f.ReadLine(line, 6);
    EXPECT_EQ(Bytes(line), "89");
    f.ReadLine(line, 100);
    EXPECT_EQ(Bytes(line), "nul");
    f.ReadLine(line, 100);
    EXPECT_EQ(Bytes(line), "last");
    f.ReadLine(line, 100);
    EXPECT_TRUE(!line);
    EXPECT_TRUE(f.IsEOF());

    // A long line through the heap buffer, and fields of a line.
    WriteBytes("wide.txt", std::string(5000, 'w') + "\r\na\tb\t\tc\r\n");
    ASSERT_TRUE(f.Open("wide.txt", 1));
    f.ReadLine(line, 10000);
    EXPECT_EQ(line.Len(), 5000);
    DStringArray fields;
    f.ReadLineArray(fields, 100, "\t");
    ASSERT_EQ(fields.Count(), 4);
    EXPECT_TRUE(!fields[2]);
    EXPECT_EQ(Bytes(fields[3]), "c");
}

TEST(DFile, WholeFileTextHelpers)
{
    DStringArray lines;
    lines << "a" << "b";
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
    EXPECT_EQ(back.RCount(), 2);
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
    EXPECT_FALSE(DFile::WriteText("no/folder/x.txt", "x"));
    EXPECT_FALSE(DFile::WriteLine("no/folder/x.txt", "x"));
}

TEST(DFile, WindowsSyntaxPathsReachTheRealNames)
{
    std::filesystem::create_directories("Sub");
    ASSERT_TRUE(DFile::WriteText("sub\\Notes.TXT", "hi"));
    EXPECT_EQ(ReadBytes("Sub/Notes.TXT"), "hi");
    EXPECT_EQ(Bytes(DFile::GetText("SUB\\notes.txt")), "hi");
    // Writing a case variant of an existing name writes that file.
    ASSERT_TRUE(DFile::WriteText("sub\\notes.txt", "again"));
    EXPECT_EQ(ReadBytes("Sub/Notes.TXT"), "again");
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

    // Copying a file onto itself leaves it whole.
    EXPECT_TRUE(DFile::CopyLargeFile("src.bin", "src.bin"));
    EXPECT_EQ(ReadBytes("src.bin"), big);
    EXPECT_EQ(HiddenFiles("."), 0);
}
