// Matrices and particle groups through the C interface: the files written and the reads back.
#include "ApiFixture.h"

#include <cmath>

using testsupport::Exists;
using testsupport::ReadBytes;

namespace {
constexpr float Sentinel = 12345.0f;
const double Pi = std::acos(-1.0); // M_PI is not standard C++
} // namespace

TEST_F(ApiTest, MatrixFileAndInfo)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    std::vector<float> v(12);
    for (int i = 0; i < 12; ++i)
        v[size_t(i)] = float(i) * 0.5f;
    SetMatrixC("m", 3, 0.5f, 0.125f, 2, 10.0f, 2.0f, 2, -1.0f, 0.5f, v.data());
    std::string const b = ReadBytes(InShot("m.dmt"));
    // Fixed header (44 bytes for three uniform axes), extremes, calibration, unit, t1..t5,
    // three 4-byte-length strings (the date has 19 characters), then the values.
    ASSERT_EQ(b.size(), 12u + 36u + 16u + 20u + 12u + 19u + 48u);
    EXPECT_EQ(At<int>(b, 0), 4);
    EXPECT_EQ(At<int>(b, 8), 3);
    EXPECT_EQ(At<int>(b, 12), 3);
    EXPECT_EQ(At<float>(b, 16), 0.125f);
    EXPECT_EQ(At<float>(b, 20), 0.5f);
    EXPECT_EQ(At<int>(b, 24), 2);
    EXPECT_EQ(At<float>(b, 32), 10.0f);
    EXPECT_EQ(At<int>(b, 36), 2);
    EXPECT_EQ(At<float>(b, 44), -1.0f);
    EXPECT_EQ(At<float>(b, 48), 5.5f); // maxVal
    EXPECT_EQ(b.compare(b.size() - 48, 48, std::string(reinterpret_cast<char*>(v.data()), 48)), 0);

    int nx = 0, ny = 0, nz = 0;
    float x0 = 0, dx = 0, y0 = 0, dy = 0, z0 = 0, dz = 0;
    GetMatrixInfoC("m", &nx, &x0, &dx, &ny, &y0, &dy, &nz, &z0, &dz);
    EXPECT_EQ(std::vector<float>({float(nx), x0, dx, float(ny), y0, dy, float(nz), z0, dz}),
              std::vector<float>({3, 0.5f, 0.125f, 2, 10, 2, 2, -1, 0.5f}));

    // A matrix that cannot be read has no axes (not a 1 x 1 x 1 one).
    GetMatrixInfoC("missing", &nx, &x0, &dx, &ny, &y0, &dy, &nz, &z0, &dz);
    EXPECT_EQ(std::vector<float>({float(nx), x0, dx, float(ny), y0, dy, float(nz), z0, dz}),
              std::vector<float>(9, 0.0f));
    GetMatrixInfoC("m", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
}

TEST_F(ApiTest, MatrixValuesOnlyForTheExactSizes)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    float const v[6] = {1, 2, 3, 4, 5, 6};
    SetMatrixC("m", 3, 0, 1, 2, 0, 1, 1, 0, 1, v);
    SetMatrixC("flat", 3, 0, 1, 2, 0, 1, 0, 0, 1, v); // no layers given: two axes as well
    std::vector<float> out(7, Sentinel);
    GetMatrixC("m", 3, 0, 0, 2, 0, 0, 1, 0, 0, out.data());
    EXPECT_EQ(out, (std::vector<float> {1, 2, 3, 4, 5, 6, Sentinel}));
    out.assign(7, Sentinel);
    GetMatrixC("flat", 3, 0, 0, 2, 0, 0, 1, 0, 0, out.data());
    EXPECT_EQ(out, (std::vector<float> {1, 2, 3, 4, 5, 6, Sentinel}));

    std::vector<float> const untouched(7, Sentinel);
    out = untouched;
    GetMatrixC("m", 2, 0, 0, 3, 0, 0, 1, 0, 0, out.data());
    GetMatrixC("m", 3, 0, 0, 2, 0, 0, 0, 0, 0, out.data());
    GetMatrixC("missing", 1, 0, 0, 1, 0, 0, 1, 0, 0, out.data());
    EXPECT_EQ(out, untouched);

    SetMatrixC("bad", 0, 0, 1, 2, 0, 1, 1, 0, 1, v);
    SetMatrixC("bad", 3, 0, 1, 2, 0, 1, -1, 0, 1, v);
    SetMatrixC("bad", 3, 0, 1, 2, 0, 1, 1, 0, 1, nullptr);
    SetMatrixC("bad", 65536, 0, 1, 65536, 0, 1, 1, 0, 1, v); // more values than an int counts
    EXPECT_FALSE(Exists(InShot("bad.dmt")));
}

TEST_F(ApiTest, ParticleGroupFileAndAppend)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    std::vector<float> p(24);
    for (int i = 0; i < 24; ++i)
        p[size_t(i)] = float(i);
    SetPGroupC("pg", 3, 1, 2.5f, 7.5f, p.data());
    std::string b = ReadBytes(InShot("pg.dpt"));
    EXPECT_EQ(At<int>(b, 0), 2);
    EXPECT_EQ(At<int>(b, 8), 1);  // geometry
    EXPECT_EQ(At<int>(b, 12), 3); // particles
    EXPECT_EQ(At<int>(b, 16), 8);
    EXPECT_EQ(At<float>(b, 20), 7.5f); // headerB is stored first
    EXPECT_EQ(At<float>(b, 24), 2.5f);
    // Stored as given, not converted to the geometry.
    EXPECT_EQ(b.compare(b.size() - 96, 96, std::string(reinterpret_cast<char*>(p.data()), 96)), 0);

    AppendPGroupC("pg", 2, 0, 0.0f, 0.0f, p.data());
    b = ReadBytes(InShot("pg.dpt"));
    EXPECT_EQ(At<int>(b, 12), 5);
    int n = 0, geometry = -1;
    float a = 0, hb = 0;
    GetPGroupInfoC("pg", &n, &geometry, &a, &hb);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(geometry, 1);
    EXPECT_EQ(a, 2.5f);
    EXPECT_EQ(hb, 7.5f);

    GetPGroupInfoC("missing", &n, &geometry, &a, &hb);
    EXPECT_EQ(n, 0);
    SetPGroupC("none", 2, 0, 0, 0, nullptr);
    EXPECT_FALSE(Exists(InShot("none.dpt")));
}

TEST_F(ApiTest, GetPGroupReadsAtMostTheStatedCount)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    std::vector<float> p(40);
    for (int i = 0; i < 40; ++i)
        p[size_t(i)] = float(i);
    SetPGroupC("pg", 5, 0, 0, 0, p.data());

    std::vector<float> out(17, Sentinel);
    int n = 2;
    GetPGroupC("pg", &n, 1, out.data());
    EXPECT_EQ(n, 2);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 16),
              std::vector<float>(p.begin() + 8, p.begin() + 24));
    EXPECT_EQ(out[16], Sentinel);

    // A negative start reads from the first particle; a negative count reads them all.
    out.assign(41, Sentinel);
    n = -1;
    GetPGroupC("pg", &n, -5, out.data());
    EXPECT_EQ(n, 5);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 40), p);
    EXPECT_EQ(out[40], Sentinel);

    n = 3;
    GetPGroupC("pg", &n, 9, out.data());
    EXPECT_EQ(n, 0);
    n = 3;
    GetPGroupC("missing", &n, 0, out.data());
    EXPECT_EQ(n, 0);
    n = 3;
    GetPGroupC("pg", &n, 0, nullptr);
    EXPECT_EQ(n, 0);
    GetPGroupC("pg", nullptr, 0, out.data());
}

// Files of narrower records are spread to 8 columns (zeros after the stored ones); a file whose
// header promises more particles than it holds reads none.
TEST_F(ApiTest, GetPGroupOfNarrowAndCutFiles)
{
    using testsupport::LE;
    ASSERT_EQ(CreateShotC("1"), 1);
    std::string head = LE(2) + LE(0) + LE(0) + LE(2) + LE(3);
    for (int i = 0; i < 7 + 6; ++i)
        head += LE(0.0f);
    head += LE(0) + LE(0) + LE(0);
    std::string particles;
    for (int i = 1; i <= 6; ++i)
        particles += LE(float(i));
    testsupport::WriteBytes(InShot("narrow.dpt"), head + particles);

    std::vector<float> out(17, Sentinel);
    int n = 5;
    GetPGroupC("narrow", &n, 0, out.data());
    ASSERT_EQ(n, 2);
    EXPECT_EQ(out, (std::vector<float> {1, 2, 3, 0, 0, 0, 0, 0, 4, 5, 6, 0, 0, 0, 0, 0, Sentinel}));

    std::vector<float> p(16, 1.5f);
    SetPGroupC("cut", 2, 0, 0, 0, p.data());
    std::string const whole = ReadBytes(InShot("cut.dpt"));
    testsupport::WriteBytes(InShot("cut.dpt"), whole.substr(0, whole.size() - 4));
    n = 2;
    GetPGroupC("cut", &n, 0, out.data());
    EXPECT_EQ(n, 0);
}

TEST_F(ApiTest, StartMinus77ConvertsToCartesian)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    float const polar[16] = {2, float(Pi / 2),
                             9, 1,
                             0, 5,
                             6, 7, //
                             1, 0,
                             0, 0,
                             3, 0,
                             0, 0};
    SetPGroupC("pg", 2, 1, 0, 0, polar);
    float out[16];
    int n = 8;
    GetPGroupC("pg", &n, -77, out);
    ASSERT_EQ(n, 2);
    EXPECT_NEAR(out[0], 0.0f, 1e-6);
    EXPECT_NEAR(out[1], 2.0f, 1e-6);
    EXPECT_EQ(out[2], 9.0f);
    EXPECT_NEAR(out[3], 0.0f, 1e-6); // radial 1 at 90 degrees: along y
    EXPECT_NEAR(out[4], 1.0f, 1e-6);
    EXPECT_EQ(out[8], 1.0f);
    EXPECT_EQ(out[12], 3.0f);
}
