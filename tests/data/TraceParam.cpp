// Trace parameter codes on small traces with known answers, single and paired.
#include "WaveformTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Case {
    char const* name;
    float value;
};

void ExpectParams(Waveform const& w, std::initializer_list<Case> cases)
{
    for (Case const& c : cases)
        EXPECT_FLOAT_EQ(w.GetTraceParam(DString(c.name)), c.value) << c.name;
}

} // namespace

TEST(TraceParam, HeaderCodesAndNameSyntax)
{
    Waveform w = Trace({1, 2}, 10, 0.125f);
    w.t1 = 1;
    w.t2 = 2;
    w.t3 = 3;
    w.t4 = 4;
    w.t5 = 5;
    w.timeShift = 20;
    w.scopeShift = 0.5f;
    w.scopeShift2 = 0.25f;
    w.scaleUnit = 6;
    w.calibration = 7;
    w.attenuation = 8;
    w.offset = 9;
    w.scopeValue = 11;
    ExpectParams(w,
                 {{"t1", 1},       {"t2", 2},      {"t3", 3},     {"t4", 4},    {"t5", 5},
                  {"st", 30.75f},  {"it", 10.75f}, {"ts", 20},    {"is", 10},   {"pt", 0.5f},
                  {"ft", 30.875f}, {"su", 6},      {"mx", 2},     {"mn", 1},    {"cl", 7},
                  {"at", 8},       {"tp", 0.125f}, {"bl", 9},     {"sv", 11},   {"CL", 7},
                  {"cl(5)", 7},    {"zz", -DFMax}, {"t", -DFMax}, {"", -DFMax}, {"xcl", -DFMax}});

    // The argument runs from position 3 to the last character but one; a bad one reads as 0.
    ExpectParams(Trace({0, 1, 2, 3}), {{"tv(1.5)", 1.5f},
                                       {"TV[1.5]", 1.5f},
                                       {"tv 1.5;", 1.5f},
                                       {"tv(abc)", 0},
                                       {"tv(1.5x)", 0},
                                       {"tv()", 0}});
    EXPECT_EQ(Waveform().GetTraceParam(DString("cl")), -DFMax);
}

TEST(TraceParam, ComputedCodes)
{
    ExpectParams(Trace({0, 1, 2, 3}, 0, 0.5f), {{"in", 3},
                                                {"av", 1},
                                                {"sd", std::sqrt(5.0f / 3)},
                                                {"wa", 7.0f / 6},
                                                {"19", 1.2f},
                                                {"28", 0.9f},
                                                {"pi", 3},
                                                {"fh", 0.75f},
                                                {"ri", 5.5f * pi},
                                                {"t%(50)", 0.75f},
                                                {"bv(1.5)", 0.75f},
                                                {"b%(50)", 0.75f},
                                                {"vt(0.75)", 1.5f},
                                                {"la(1)", 0.5f},
                                                {"ta(0.5)", 1.5f},
                                                {"lt(0.7)", 0.5f},
                                                {"lt(-0.7)", -1},
                                                {"tm", 1.5f},
                                                {"tn", 0}});
    ExpectParams(Trace({4}), {{"in", 0}, {"sd", 0}});
    ExpectParams(Trace({1, -5, 2}), {{"pi", 0}});
    ExpectParams(Trace({0, 2, -1, 3}), {{"pi", 4}});
    ExpectParams(Trace({1, -1}), {{"wa", 0}});
    ExpectParams(Trace({0, 1, 2, 1, 0}), {{"fh", 2}});
    ExpectParams(Trace({2, 0}, 3), {{"ri", pi * 2 * 3 * 3}});
}

TEST(TraceParam, ExtremePositionsNeverReadPastTheSamples)
{
    // "tm"/"tn": the sample at the 1-based position; none (0) or out of range: no value.
    ExpectParams(Trace({1, 5, 0, 4}, 10, 0.5f), {{"tm", 10.5f}, {"tn", 11}});
    ExpectParams(Trace({0, 1, 2}), {{"tm", 2}});
    ExpectParams(Trace({0, 0}), {{"tm", -DFMax}});

    // "fh" with a negative maximum at the last sample: the left edge is the peak itself.
    ExpectParams(Trace({-5, -3, -1}), {{"fh", 0}});
    Waveform stale = Trace({0, 2, 0});
    for (int p : {50, -3}) {
        stale.maxPoint = stale.minPoint = p; // as a damaged file may carry
        EXPECT_TRUE(std::isfinite(stale.GetTraceParam(DString("fh"))));
        EXPECT_EQ(stale.GetTraceParam(DString("tm")), -DFMax);
    }
}

TEST(TraceParam, PairedCodes)
{
    Waveform y = Trace({0, 1, 2, 3});
    Waveform x = Trace({10, 20, 30, 40});
    y.calibration = 7;
    struct {
        char const* name;
        float value;
    } const cases[] = {{"st", 10},       {"ft", 40},      {"tm", 40},       {"tn", 10},
                       {"19", 24},       {"28", 18},      {"vt(25)", 1.5f}, {"tv(1.5)", 25},
                       {"t%(50)", 25},   {"bv(1.5)", 25}, {"b%(50)", 25},   {"la(25)", 0},
                       {"ta(25)", 1.5f}, {"cl", 7},       {"in", 6},        {"qq", -DFMax}};
    for (auto const& c : cases)
        EXPECT_FLOAT_EQ(y.GetXYTraceParam(DString(c.name), x), c.value) << c.name;

    Waveform ten(10), eleven(11);
    for (char const* name : {"st", "tm", "19", "cl", "in"})
        EXPECT_EQ(ten.GetXYTraceParam(DString(name), eleven), -DFMax) << name;
}
