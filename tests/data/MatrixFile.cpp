// The .dmt file: layout, round trips, older versions, partial reads, appends and bad input.
#include "Matrix.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using testsupport::LE;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

std::string Str(std::string const& s)
{
    return LE<int>(int(s.size())) + s;
}

// A rows x cols matrix with value i at position i and row coordinates 0, 1, ...
Matrix Grid(int rows, int cols, int layers = 1)
{
    Matrix m(rows, cols, layers);
    for (int i = 0; i < m.Count(); ++i)
        m[i] = float(i);
    m.Scale();
    return m;
}

// The header of a hand-made file: version, extension, rank, then the caller's axes.
std::string Head(int version, int rank, std::string const& ext = "")
{
    return LE<int>(version) + LE<int>(int(ext.size())) + ext + LE<int>(rank);
}

std::string Marks(bool withCalibration)
{
    std::string s = LE<float>(8.0f) + LE<float>(-1.0f);
    if (withCalibration)
        s += LE<float>(2.5f);
    for (float v : {0.5f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f})
        s += LE<float>(v);
    return s + Str("n2") + Str("n1") + Str("date");
}

} // namespace

TEST(MatrixFile, WriteLaysOutTheDocumentedBytes)
{
    Matrix m = Grid(2, 3);
    DArray<float, 0> cols;
    for (float v : {1.0f, 4.0f, 9.0f})
        cols.Add(v);
    m.SetAllCoords(2, cols);
    m.calibration = 2.0f;
    m.t3 = 7.0f;
    m.name1 = "first";
    m.name2 = "second";
    ASSERT_TRUE(m.Write("m"));
    EXPECT_FALSE(m.dateStamp.Len() == 0);

    // Axis 1 has a step: its first coordinate only. Axis 2 is listed: step 0, every one.
    std::string expected = LE<int>(4) + LE<int>(0) + LE<int>(2) + LE<int>(2) + LE<float>(1.0f)
                           + LE<float>(0.0f) + LE<int>(3) + LE<float>(0.0f);
    for (float v : {1.0f, 4.0f, 9.0f, 5.0f, 0.0f, 2.0f, m.scaleUnit, 0.0f, 0.0f, 7.0f, 0.0f, 0.0f})
        expected += LE<float>(v);
    expected += Str("second") + Str("first") + Str(m.dateStamp.c_str());
    for (int i = 0; i < 6; ++i)
        expected += LE<float>(float(i));
    EXPECT_EQ(ReadBytes("m.dmt"), expected);
}

TEST(MatrixFile, RoundTripKeepsEveryFieldAndListsUnevenAxes)
{
    Matrix m = Grid(3, 2, 4);
    m.SetStep(1, 0.25f, -1.0f);
    m.SetStep(2, -3.0f); // below 0: coordinates are listed and must survive as they are
    m.SetCoord(2, 1, 8.5f);
    m.calibration = 1.5f;
    m.t4 = 4.0f;
    m.name2 = "x";
    ASSERT_TRUE(m.Write("rt"));

    Matrix r;
    r.name1 = "kept"; // a text stored empty leaves the member as it was
    ASSERT_TRUE(r.Read("rt"));
    ASSERT_EQ(r.Count(), 24);
    EXPECT_EQ(r[23], 23.0f);
    EXPECT_EQ(r.GetCoord(1, 2), -0.5f);
    EXPECT_EQ(r.GetStep(2), 0.0f);
    EXPECT_EQ(r.GetCoord(2, 1), 8.5f);
    EXPECT_EQ(r.GetCoord(3, 3), 3.0f);
    EXPECT_EQ(r.Calibration(), 1.5f);
    EXPECT_EQ(r.Max(), 23.0f);
    EXPECT_EQ(r.t4, 4.0f);
    EXPECT_EQ(r.name2, "x");
    EXPECT_EQ(r.name1, "kept");
    EXPECT_EQ(r.dateStamp, m.dateStamp);
}

TEST(MatrixFile, OlderVersionsExtensionsAndLowerRanks)
{
    // Version 3: no calibration field; an extension is skipped; a rank-1 file read into a
    // rank-3 matrix gives rank 1 with the file's axis and value count.
    std::string v3 = Head(3, 1, "EXTX") + LE<int>(3) + LE<float>(0.0f) + LE<float>(1.0f)
                     + LE<float>(2.0f) + LE<float>(4.0f) + Marks(false);
    for (float v : {10.0f, 20.0f, 30.0f})
        v3 += LE<float>(v);
    WriteBytes("v3.dmt", v3);
    Matrix m = Grid(4, 5, 2);
    m.calibration = 9.0f;
    ASSERT_TRUE(m.Read("v3"));
    EXPECT_EQ(m.Rank(), 1);
    EXPECT_EQ(m.Count(), 3);
    EXPECT_EQ(m.GetSize(3), 1);
    EXPECT_EQ(m.GetCoord(1, 2), 4.0f);
    EXPECT_EQ(m.Calibration(), 1.0f);
    EXPECT_EQ(m.scaleUnit, 0.5f);
    EXPECT_EQ(m.t5, 5.0f);
    EXPECT_EQ(m.dateStamp, "date");
    EXPECT_EQ(m[2], 30.0f);

    // A version-4 file carries calibration after the extremes.
    std::string v4 = Head(4, 2) + LE<int>(1) + LE<float>(1.0f) + LE<float>(0.0f) + LE<int>(1)
                     + LE<float>(1.0f) + LE<float>(0.0f) + Marks(true) + LE<float>(6.0f);
    WriteBytes("v4.dmt", v4);
    ASSERT_TRUE(m.Read("v4"));
    EXPECT_EQ(m.Calibration(), 2.5f);
    EXPECT_EQ(m[0], 6.0f);
}

TEST(MatrixFile, PartialReadsTakeSlicesOfTheLastAxis)
{
    Matrix m = Grid(4, 5);
    m.SetStep(2, 10.0f, 100.0f);
    ASSERT_TRUE(m.Write("p"));

    Matrix r;
    ASSERT_TRUE(r.Read("p[1, 3]"));
    ASSERT_EQ(r.Count(), 8);
    EXPECT_EQ(r[0], 4.0f);
    EXPECT_EQ(r[7], 11.0f);
    EXPECT_EQ(r.GetSize(2), 2);
    EXPECT_EQ(r.GetOrigSize(2), 5);
    EXPECT_EQ(r.GetCoord(2, 0), 110.0f); // the coordinates follow the slices read
    EXPECT_EQ(r.GetMatrixParam("cc"), 5.0f);
    EXPECT_EQ(r.GetMatrixParam("ce"), 120.0f);

    // A missing or non-numeric end reads to the end of the axis.
    for (char const* name : {"p[1,]", "p[1, y]", "p[ 1 ]"}) {
        Matrix s;
        ASSERT_TRUE(s.Read(name)) << name;
        EXPECT_EQ(s.GetSize(2), 4) << name;
        EXPECT_EQ(s[0], 4.0f) << name;
    }
    ASSERT_TRUE(r.Read("p", -1, 3));
    EXPECT_EQ(r.GetSize(2), 2);
    EXPECT_EQ(r[0], 12.0f);
    ASSERT_TRUE(r.Read("p[9, 20]")); // past the end: the last slice
    EXPECT_EQ(r.GetSize(2), 1);
    EXPECT_EQ(r[0], 16.0f);
    // One slice of a longer axis: its spacing is not there to read.
    EXPECT_EQ(r.GetMatrixParam("c1"), 0.0f);

    Matrix cube = Grid(2, 2, 3);
    ASSERT_TRUE(cube.Write("c"));
    ASSERT_TRUE(r.Read("c[2,3]"));
    EXPECT_EQ(r.Count(), 4);
    EXPECT_EQ(r[0], 8.0f);
    EXPECT_EQ(r.GetMatrixParam("l1"), 0.0f);
    EXPECT_EQ(r.GetMatrixParam("lc"), 3.0f);
}

// Brackets in a folder name are part of the path; only the last element carries slices.
TEST(MatrixFile, BracketsInTheShotFolderPathAreNotASliceRange)
{
    ASSERT_TRUE(std::filesystem::create_directories("Run[2]/Shot[1, 3]"));
    Matrix m = Grid(4, 5);
    ASSERT_TRUE(m.Write("Run[2]/Shot[1, 3]/p"));
    ASSERT_TRUE(m.Write("p")); // what a cut at the first '[' would read instead
    ASSERT_TRUE(m.Write("Run[2]/Shot[1, 3]/q[x]y"));

    for (char const* name : {"Run[2]/Shot[1, 3]/p", "Run[2]\\Shot[1, 3]\\p"}) {
        Matrix whole;
        ASSERT_TRUE(whole.Read(name)) << name;
        EXPECT_EQ(whole.Count(), 20) << name;
        EXPECT_EQ(whole.GetSize(2), 5) << name;
    }
    for (char const* name : {"Run[2]/Shot[1, 3]/p[1, 3]", "Run[2]\\Shot[1, 3]\\p[1, 3]"}) {
        Matrix part;
        ASSERT_TRUE(part.Read(name)) << name;
        EXPECT_EQ(part.GetSize(2), 2) << name;
        EXPECT_EQ(part[0], 4.0f) << name;
    }
    // A '[' in the last element with text after the ']' belongs to the file name.
    Matrix odd;
    ASSERT_TRUE(odd.Read("Run[2]/Shot[1, 3]/q[x]y"));
    EXPECT_EQ(odd.Count(), 20);
}

TEST(MatrixFile, AppendAddsSlicesAlongTheLastAxis)
{
    Matrix a = Grid(2, 2);
    ASSERT_TRUE(a.Append("ap")); // missing: written whole
    Matrix b = Grid(2, 3);
    for (int i = 0; i < b.Count(); ++i)
        b[i] = 100.0f + float(i);
    ASSERT_TRUE(b.Append("ap"));

    Matrix r;
    ASSERT_TRUE(r.Read("ap"));
    ASSERT_EQ(r.GetSize(2), 5);
    ASSERT_EQ(r.Count(), 10);
    EXPECT_EQ(r[4], 100.0f);
    EXPECT_EQ(r[9], 105.0f);
    EXPECT_EQ(r.GetCoord(2, 4), 4.0f);
    EXPECT_EQ(r.Max(), 105.0f);
    EXPECT_EQ(r.Min(), 0.0f);

    // A listed last axis takes the new coordinates: the file is rewritten whole.
    Matrix listed = Grid(2, 2);
    listed.SetStep(2, 0.0f);
    listed.SetCoord(2, 1, 5.0f);
    ASSERT_TRUE(listed.Write("ls"));
    Matrix more = Grid(2, 1, 1);
    more.SetStep(2, 0.0f);
    more.SetCoord(2, 0, 7.0f);
    ASSERT_TRUE(more.Append("ls"));
    ASSERT_TRUE(r.Read("ls"));
    ASSERT_EQ(r.GetSize(2), 3);
    EXPECT_EQ(r.GetCoord(2, 1), 5.0f);
    EXPECT_EQ(r.GetCoord(2, 2), 7.0f);
    EXPECT_EQ(r[5], 1.0f);

    // A rank-2 matrix is one new layer of a rank-3 file.
    ASSERT_TRUE(Grid(2, 2, 2).Write("cube"));
    ASSERT_TRUE(Grid(2, 2).Append("cube"));
    ASSERT_TRUE(r.Read("cube"));
    EXPECT_EQ(r.GetSize(3), 3);
    EXPECT_EQ(r[8], 0.0f);
}

TEST(MatrixFile, AppendRefusesWhatDoesNotFitAndLeavesTheFile)
{
    ASSERT_TRUE(Grid(4, 5).Write("f"));
    std::string const before = ReadBytes("f.dmt");
    EXPECT_FALSE(Grid(3, 2).Append("f"));    // other axis differs
    EXPECT_FALSE(Grid(4, 2, 2).Append("f")); // extra axis beyond the file's rank
    Matrix calibrated = Grid(4, 1);
    calibrated.calibration = 2.0f;
    EXPECT_FALSE(calibrated.Append("f"));
    Matrix odd = Grid(4, 1);
    DArray<float, 0> three(3);
    odd.SwapData(three); // the value count no longer fits the axes
    EXPECT_FALSE(odd.Append("f"));
    EXPECT_FALSE(odd.Write("f"));
    EXPECT_EQ(ReadBytes("f.dmt"), before);

    WriteBytes("bad.dmt", before.substr(0, before.size() - 4));
    EXPECT_FALSE(Grid(4, 1).Append("bad"));
    EXPECT_EQ(ReadBytes("bad.dmt").size(), before.size() - 4);
}

TEST(MatrixFile, MalformedFilesFailWithoutChangingTheMatrix)
{
    Matrix src = Grid(3, 2);
    src.SetStep(2, 0.0f);
    src.name1 = "abc";
    ASSERT_TRUE(src.Write("good"));
    std::string const good = ReadBytes("good.dmt");

    Matrix m = Grid(2, 2);
    auto unchanged = [&m] { return m.Count() == 4 && m[3] == 3.0f && m.GetSize(1) == 2; };
    for (size_t cut = 0; cut < good.size(); ++cut) {
        WriteBytes("cut.dmt", good.substr(0, cut));
        EXPECT_FALSE(m.Read("cut")) << cut;
    }
    EXPECT_TRUE(unchanged());

    std::string const tail = LE<float>(1.0f) + LE<float>(0.0f) + Marks(true);
    std::string const axis1 = LE<int>(2) + LE<float>(1.0f) + LE<float>(0.0f);
    char const* names[] = {"rank4", "rank0", "huge", "product", "ext", "text"};
    std::string const files[] = {
        Head(4, 4) + axis1 + axis1 + axis1 + axis1 + tail,
        Head(4, 0) + tail,
        Head(4, 2) + LE<int>(0x7fffffff) + LE<float>(1.0f) + LE<float>(0.0f) + axis1 + tail,
        Head(4, 3) + LE<int>(65536) + LE<float>(1.0f) + LE<float>(0.0f) + LE<int>(65536)
            + LE<float>(1.0f) + LE<float>(0.0f) + axis1 + tail + std::string(1 << 20, '\0'),
        LE<int>(4) + LE<int>(-8) + LE<int>(2) + axis1 + axis1 + tail,
        Head(4, 2) + axis1 + axis1 + LE<float>(1.0f) + LE<float>(0.0f) + LE<float>(1.0f)
            + std::string(24, '\0') + LE<int>(1 << 30) + "x",
    };
    for (int i = 0; i < 6; ++i) {
        WriteBytes(std::string(names[i]) + ".dmt", files[i]);
        EXPECT_FALSE(m.Read(names[i])) << names[i];
    }
    EXPECT_TRUE(unchanged());
    EXPECT_FALSE(m.Read("missing"));
    EXPECT_TRUE(unchanged());
}
