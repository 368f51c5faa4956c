// The IDL interface: argument counts, shots, scalars and waveforms.
#include "ApiFixture.h"

#include "Experiment.h"
#include "TalvexIDL.h"

using testsupport::Exists;
using testsupport::Native;

TEST_F(ApiTest, IdlWrongCountsTouchNothing)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    ASSERT_EQ(CreateShotC("2"), 1);
    std::string one = "1", extra = "x";
    void* two[2] = {one.data(), extra.data()};
    EXPECT_EQ(SetShotIDL(2, two), -1);
    EXPECT_EQ(SetShotIDL(0, nullptr), -1);
    EXPECT_EQ(Str(1), "2");
    std::string three = "3";
    void* args[1] = {three.data()};
    EXPECT_EQ(CreateShotIDL(2, args), -1);
    EXPECT_FALSE(Exists(Native(exp + "/Shots/Shot3")));

    float value = 7.0f;
    void* nullName[2] = {nullptr, &value};
    EXPECT_EQ(GetScalarIDL(2, nullName), -1);
    EXPECT_EQ(value, 7.0f);
    EXPECT_EQ(GetScalarIDL(1, nullName), -1);
    void* nullInfo[4] = {one.data(), &value, nullptr, &value};
    EXPECT_EQ(GetWaveformInfoIDL(4, nullInfo), -1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ApiTest, IdlShotsAndScalars)
{
    std::string name = "5";
    void* arg[1] = {name.data()};
    EXPECT_EQ(CreateShotIDL(1, arg), 0);
    EXPECT_EQ(Str(1), "5");
    EXPECT_EQ(CreateShotIDL(1, arg), -1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Error creating shot (most likely it already exists and name did not have *)");
    std::string missing = "6";
    arg[0] = missing.data();
    EXPECT_EQ(SetShotIDL(1, arg), -1);
    EXPECT_EQ(messages.back(), "Error setting shot (most likely it does not exist)");
    arg[0] = name.data();
    EXPECT_EQ(SetShotIDL(1, arg), 0);

    std::string scalar = "Peak";
    float in = 2.5f, out = 0.0f;
    void* set[2] = {scalar.data(), &in};
    void* get[2] = {scalar.data(), &out};
    EXPECT_EQ(SetScalarIDL(2, set), 0);
    EXPECT_EQ(GetScalarIDL(2, get), 0);
    EXPECT_EQ(out, 2.5f);
    std::string bad = "Peak+(";
    get[0] = bad.data();
    EXPECT_EQ(GetScalarIDL(2, get), 0);
    EXPECT_EQ(out, -3.3e38f);
}

TEST_F(ApiTest, IdlWaveforms)
{
    std::string shot = "1";
    void* s[1] = {shot.data()};
    ASSERT_EQ(CreateShotIDL(1, s), 0);

    std::string name = "trace";
    float start = 0.0f, dt = 0.0f;
    int n = 9;
    void* info[4] = {name.data(), &start, &dt, &n};
    EXPECT_EQ(GetWaveformInfoIDL(4, info), -1);
    EXPECT_EQ(n, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error reading waveform info for trace (most likely it does not exist)");

    float values[3] = {4, 5, 6};
    float inStart = -2.0f, inDt = 0.5f;
    int inN = 3;
    void* set[5] = {name.data(), &inStart, &inDt, &inN, values};
    EXPECT_EQ(SetWaveformIDL(5, set), 0);
    EXPECT_EQ(GetWaveformInfoIDL(4, info), 0);
    EXPECT_EQ(start, -2.0f);
    EXPECT_EQ(dt, 0.5f);
    EXPECT_EQ(n, 3);

    float out[6] = {-1, -1, -1, -1, -1, -1};
    int outN = 5;
    void* get[5] = {name.data(), &inStart, &inDt, &outN, out};
    EXPECT_EQ(GetWaveformIDL(5, get), 0);
    EXPECT_EQ(std::vector<float>(out, out + 6), (std::vector<float> {4, 5, 6, 0, 0, -1}));

    std::string other = "other";
    get[0] = other.data();
    EXPECT_EQ(GetWaveformIDL(5, get), -1);
    EXPECT_EQ(messages.back(),
              "Error reading waveform info for other (most likely it does not exist)");

    // With no current shot the write fails instead of landing beside the current directory.
    Expt.SetExperimentFolder(exp.c_str());
    EXPECT_EQ(SetWaveformIDL(5, set), -1);
    EXPECT_FALSE(Exists("trace.wvf"));
    EXPECT_FALSE(Exists(".wvf"));
}
