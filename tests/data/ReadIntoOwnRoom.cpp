// Reading again into an object that already holds enough room: the room is kept and the
// values are the file's; a failed read of a particle group or a geometry set leaves it whole.
#include "Geometry.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "TestSupport.h"
#include "Waveform.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

DString Path(const char* name)
{
    return DString(Native(TestDir() + "/" + name).c_str());
}

} // namespace

TEST(ReadIntoOwnRoom, WaveformKeepsItsBufferAndTakesTheFilesValues)
{
    Waveform small(3);
    for (int i = 0; i < 3; ++i)
        small.Data()[i] = float(i + 1);
    ASSERT_TRUE(small.Write(Path("small")));

    Waveform w(1000);
    w.Data()[3] = 99.0f;
    float* const room = w.Data();
    ASSERT_TRUE(w.Read(Path("small")));
    EXPECT_EQ(w.Data(), room);
    EXPECT_EQ(w.npnts(), 3);
    EXPECT_EQ(w.Data()[0], 1.0f);
    EXPECT_EQ(w.Data()[2], 3.0f);

    ASSERT_TRUE(w.Read(Path("small"), 5)); // padded past the stored samples with zeros
    EXPECT_EQ(w.Data(), room);
    EXPECT_EQ(w.Data()[3], 0.0f);
    EXPECT_EQ(w.Data()[4], 0.0f);
}

TEST(ReadIntoOwnRoom, ParticleGroupKeepsItsBufferOrStaysWhole)
{
    ParticleGroup two(2);
    two.PData()[1].col[4] = 7.5f;
    ASSERT_TRUE(two.Write(Path("pg")));

    ParticleGroup g(50);
    g.PData()[0].col[0] = 42.0f;
    const void* const room = g.PData();
    ASSERT_TRUE(g.Read(Path("pg")));
    EXPECT_EQ(static_cast<const void*>(g.PData()), room);
    EXPECT_EQ(g.nParticles(), 2);
    EXPECT_EQ(g.PData()[1].col[4], 7.5f);
    EXPECT_EQ(g.PData()[0].col[0], 0.0f);

    // A file cut inside its particles fails and leaves the group as it was.
    std::string bytes = ReadBytes(Native(TestDir() + "/pg.dpt"));
    WriteBytes(Native(TestDir() + "/cut.dpt"), bytes.substr(0, bytes.size() - 8));
    EXPECT_FALSE(g.Read(Path("cut")));
    EXPECT_EQ(g.nParticles(), 2);
    EXPECT_EQ(g.PData()[1].col[4], 7.5f);
}

TEST(ReadIntoOwnRoom, MatrixKeepsItsBuffer)
{
    Matrix m(2, 2);
    m.Data()[3] = 4.0f;
    ASSERT_TRUE(m.Write(Path("m")));
    Matrix big(40, 40);
    const float* const room = big.Data();
    ASSERT_TRUE(big.Read(Path("m")));
    EXPECT_EQ(big.Data(), room);
    EXPECT_EQ(big.Data()[3], 4.0f);
}

TEST(ReadIntoOwnRoom, GeometryKeepsItsObjectsAndTheirPoints)
{
    Geometry small;
    Geometry::Object line;
    line.type = Geometry::Polyline;
    line.points.ReSize(6);
    line.points[5] = 3.0f;
    small.Add(line); // stored without a name
    ASSERT_TRUE(small.Write(Path("g")));

    Geometry big;
    Geometry::Object named;
    named.name = "old";
    named.points.ReSize(300);
    for (int i = 0; i < 4; ++i)
        big.Add(named);
    big.text1 = "old text";
    const Geometry::Object* const room = big.objects.Data();
    const float* const pointRoom = big[0].points.Data();
    ASSERT_TRUE(big.Read(Path("g")));
    EXPECT_EQ(big.objects.Data(), room);
    EXPECT_EQ(big[0].points.Data(), pointRoom);
    ASSERT_EQ(big.Count(), 1);
    EXPECT_EQ(big[0].type, int(Geometry::Polyline));
    EXPECT_EQ(big[0].name, "");
    ASSERT_EQ(big[0].points.Count(), 6);
    EXPECT_EQ(big[0].points[5], 3.0f);
    EXPECT_EQ(big.text1, "");

    // A file cut inside its trailer fails and leaves the set as it was.
    std::string bytes = ReadBytes(Native(TestDir() + "/g.dgm"));
    WriteBytes(Native(TestDir() + "/gcut.dgm"), bytes.substr(0, bytes.size() - 30));
    big[0].name = "kept";
    EXPECT_FALSE(big.Read(Path("gcut")));
    ASSERT_EQ(big.Count(), 1);
    EXPECT_EQ(big[0].name, "kept");
    EXPECT_EQ(big[0].points[5], 3.0f);
}
