// Geometry sets: the .dgm layout, round trips of every field, extremes and bad input.
#include "Geometry.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using testsupport::LE;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

template <class T> T At(std::string const& bytes, size_t offset)
{
    T v {};
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

Geometry::Object Make(int type, float x, char const* name)
{
    Geometry::Object o;
    o.type = type;
    o.name = name;
    o.origin[0] = x;
    o.origin[1] = 2.0f * x;
    o.origin[2] = -x;
    return o;
}

} // namespace

TEST(GeometryFile, RoundTripKeepsEveryField)
{
    Geometry g;
    Geometry::Object poly = Make(Geometry::Polyline, 1.0f, "path");
    for (float v : {0.0f, 0.0f, 0.0f, 3.0f, 4.0f, 5.0f})
        poly.points.Add(v);
    poly.axis[1] = 0.5f;
    poly.size[3] = 0.25f;
    poly.color = 0x00ff8040;
    poly.layer = 3;
    poly.flags = 2;
    poly.lineWidth = 2.5f;
    poly.opacity = 0.75f;
    poly.material = 9;
    poly.value = -4.0f;
    g.Add(poly);
    Geometry::Object ball = Make(Geometry::Sphere, -2.0f, "");
    ball.size[0] = 1.5f;
    g.Add(ball);
    g.Scale();
    g.text1 = "set";
    g.text2 = "notes";
    ASSERT_TRUE(g.Write("geo"));

    std::string const b = ReadBytes("geo.dgm");
    EXPECT_EQ(At<int>(b, 0), 1);
    EXPECT_EQ(At<int>(b, 4), 0);
    EXPECT_EQ(At<int>(b, 8), 2);
    EXPECT_EQ(b.substr(12, 8), LE<int>(4) + "path");
    EXPECT_EQ(At<int>(b, 20), Geometry::Polyline);
    EXPECT_EQ(At<int>(b, 64), 6); // point count after origin, axis and size

    Geometry r;
    ASSERT_TRUE(r.Read("geo"));
    ASSERT_EQ(r.Count(), 2);
    Geometry::Object const& p = r[0];
    EXPECT_EQ(p.name, "path");
    EXPECT_EQ(p.type, Geometry::Polyline);
    EXPECT_EQ(p.origin[1], 2.0f);
    EXPECT_EQ(p.axis[1], 0.5f);
    EXPECT_EQ(p.size[3], 0.25f);
    ASSERT_EQ(p.points.Count(), 6);
    EXPECT_EQ(p.points[5], 5.0f);
    EXPECT_EQ(std::memcmp(&p.color, &poly.color, 7 * 4), 0); // the seven style values
    EXPECT_EQ(r[1].name, "");
    EXPECT_EQ(r[1].size[0], 1.5f);
    EXPECT_EQ(r.text1, "set");
    EXPECT_EQ(r.text2, "notes");
    EXPECT_EQ(r.dateStamp, g.dateStamp);

    // The box holds the polyline's far vertex and the sphere with its radius.
    float const hi[3] = {4.0f, 6.0f, 4.0f};
    float const lo[3] = {-3.5f, -5.5f, -1.0f};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(r.maxVals[k], hi[k]) << k;
        EXPECT_EQ(r.minVals[k], lo[k]) << k;
    }

    Geometry empty;
    empty.Scale();
    EXPECT_EQ(empty.maxVals[0], 0.0f);
    ASSERT_TRUE(empty.Write("none"));
    ASSERT_TRUE(r.Read("none"));
    EXPECT_EQ(r.Count(), 0);
}

TEST(GeometryFile, MalformedFilesFailWithoutChangingTheSet)
{
    Geometry g;
    Geometry::Object line = Make(Geometry::Line, 1.0f, "l");
    line.points.Add(1.0f);
    g.Add(line);
    ASSERT_TRUE(g.Write("good"));
    std::string const good = ReadBytes("good.dgm");

    Geometry keep;
    keep.Add(Make(Geometry::Point, 7.0f, "keep"));
    for (size_t cut = 0; cut < good.size(); ++cut) {
        WriteBytes("cut.dgm", good.substr(0, cut));
        EXPECT_FALSE(keep.Read("cut")) << cut;
    }
    std::string const many = LE<int>(1) + LE<int>(0) + LE<int>(1 << 28) + std::string(400, '\0');
    std::string points = good;
    std::memcpy(&points[61], "\xff\xff\xff\x7f", 4); // the point count of object "l"
    std::string const ext = LE<int>(1) + LE<int>(-1) + LE<int>(0);
    for (std::string const& bad : {many, points, ext}) {
        WriteBytes("bad.dgm", bad);
        EXPECT_FALSE(keep.Read("bad"));
    }
    EXPECT_FALSE(keep.Read("missing"));
    ASSERT_EQ(keep.Count(), 1);
    EXPECT_EQ(keep[0].name, "keep");
}
