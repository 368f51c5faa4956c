// TalvexCore against raw binary files and HDF5 on the same data, in one run, with ratios.
#include "../BenchRoot.h"
#include "Harness.h"
#include "Stores.h"

#include "Core.h"
#include "DString.h"
#include "Experiment.h"
#include "ParticleGroup.h"
#include "Waveform.h"

#if __has_include("TalvexC.h")
#include "TalvexC.h"
#define TALVEX_BENCH_C_API 1
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

using namespace bench;

namespace {

// ---- Sizes -------------------------------------------------------------------------------------

const int TracePoints = 10000000; // case 1
const int ShotTraces = 200;       // case 2
const int ShotTracePoints = 50000;
const int Particles = 10000000; // case 3
const int AddedParticles = 1000000;
const int Cols = ParticleGroup::nParticleCols;
int EvalShots = 1000; // case 4 (--shots changes both shot counts)
const int EvalPoints = 10000;
int NewShots = 1000; // case 5
const int Fields = 10;
const float Step = 1e-9f;

// ---- Data --------------------------------------------------------------------------------------

// A noisy pulse, so that extremes and rise times have something to find.
void Fill(float* p, size_t n, unsigned seed)
{
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        double u = (double(i) - 0.5 * double(n)) / (0.3 * double(n));
        p[i] = float(100.0 / (1.0 + u * u * u * u) + double(x >> 8) / double(1 << 24));
    }
}

// Stops the child (the run counts as failed) when a result is wrong.
void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "bench_compare: %s failed\n", what);
        std::_Exit(3);
    }
}

bool SameFloats(const float* a, const float* b, size_t n)
{
    return n == 0 || std::memcmp(a, b, n * sizeof(float)) == 0;
}

std::string Path(const std::string& folder, const std::string& name)
{
    return folder + "/" + name;
}

std::string TraceName(int i)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "trace%03d", i);
    return buf;
}

// The library with an experiment and one current shot in `folder`; returns the shot folder.
std::string OpenShot(const std::string& folder)
{
    CoreInit("");
    Expt.SetExperimentFolder((folder + "/expt").c_str());
    DString shot("*1");
    Check(Expt.CreateShot(shot, DString(), false) >= 0, "CreateShot");
    return std::string(Expt.GetShotFolder().c_str());
}

#ifdef TALVEX_BENCH_C_API
void OpenShotC(const std::string& folder)
{
    InitializeTalvexC(folder.c_str());
    SetExperimentC((folder + "/expt").c_str());
    Check(CreateShotC("*1") == 1, "CreateShotC");
}
#endif

// ---- Case 1: one long trace --------------------------------------------------------------------

std::vector<Variant> TraceVariants()
{
    std::vector<Variant> v;
    for (bool atomic : {true, false}) {
        v.push_back({atomic ? "raw fwrite/fread, temp+rename" : "raw fwrite/fread, in place",
                     [atomic](const std::string& folder, Phases& ph) {
                         FloatBlock data(TracePoints);
                         Fill(data.data, data.count, 1);
                         std::string file = Path(folder, "probe.f32");
                         ph.Start();
                         Check(RawWrite(file, data.data, data.count, atomic), "raw write");
                         ph.Stop();
                         ph.Start();
                         FloatBlock back = RawRead(file);
                         ph.Stop();
                         Check(back.count == data.count
                                   && SameFloats(back.data, data.data, data.count),
                               "raw read");
                     }});
    }
    v.push_back({"Waveform::Write/Read (.wvf)", [](const std::string& folder, Phases& ph) {
                     CoreInit("");
                     Waveform w(TracePoints);
                     Fill(w.Data(), size_t(w.npnts()), 1);
                     w.step = Step;
                     DString name = Path(folder, "probe").c_str();
                     ph.Start();
                     Check(w.Write(name), "Waveform::Write");
                     ph.Stop();
                     ph.Start();
                     Waveform back;
                     bool ok = back.Read(name, -1);
                     ph.Stop();
                     Check(ok && back.npnts() == w.npnts()
                               && SameFloats(back.Data(), w.Data(), size_t(w.npnts())),
                           "Waveform::Read");
                 }});
#ifdef TALVEX_BENCH_C_API
    v.push_back({"SetWaveformC/GetWaveformC", [](const std::string& folder, Phases& ph) {
                     OpenShotC(folder);
                     FloatBlock data(TracePoints);
                     Fill(data.data, data.count, 1);
                     ph.Start();
                     SetWaveformC("probe", TracePoints, 0.0f, Step, data.data);
                     ph.Stop();
                     ph.Start();
                     FloatBlock back(TracePoints);
                     GetWaveformC("probe", TracePoints, 0.0f, Step, back.data);
                     ph.Stop();
                     Check(SameFloats(back.data, data.data, data.count), "GetWaveformC");
                 }});
#endif
    if (HaveHdf5()) {
        v.push_back(
            {"HDF5, one contiguous dataset", [](const std::string& folder, Phases& ph) {
                 FloatBlock data(TracePoints);
                 Fill(data.data, data.count, 1);
                 std::string file = Path(folder, "probe.h5");
                 ph.Start();
                 {
                     H5File f(file, H5File::Create);
                     Check(f.Ok() && f.WriteTrace("probe", data.data, data.count, 0.0f, Step),
                           "HDF5 write");
                 }
                 ph.Stop();
                 ph.Start();
                 FloatBlock back;
                 {
                     H5File f(file, H5File::ReadOnly);
                     back = f.ReadTrace("probe");
                 }
                 ph.Stop();
                 Check(back.count == data.count && SameFloats(back.data, data.data, data.count),
                       "HDF5 read");
             }});
    }
    return v;
}

// ---- Case 2: a shot of many traces -------------------------------------------------------------

const int OneTrace = ShotTraces / 2;

std::vector<Variant> ShotVariants()
{
    std::vector<Variant> v;
    for (bool atomic : {true, false}) {
        v.push_back({atomic ? "raw files, temp+rename" : "raw files, in place",
                     [atomic](const std::string& folder, Phases& ph) {
                         FloatBlock data(size_t(ShotTraces) * ShotTracePoints);
                         Fill(data.data, data.count, 2);
                         ph.Start();
                         for (int i = 0; i < ShotTraces; ++i)
                             Check(RawWrite(Path(folder, TraceName(i) + ".f32"),
                                            data.data + size_t(i) * ShotTracePoints,
                                            ShotTracePoints, atomic),
                                   "raw write");
                         ph.Stop();
                         ph.Start();
                         FloatBlock one = RawRead(Path(folder, TraceName(OneTrace) + ".f32"));
                         ph.Stop();
                         Check(one.count == ShotTracePoints, "raw read one");
                         ph.Start();
                         size_t got = 0;
                         for (int i = 0; i < ShotTraces; ++i)
                             got += RawRead(Path(folder, TraceName(i) + ".f32")).count;
                         ph.Stop();
                         Check(got == data.count, "raw read all");
                     }});
    }
    v.push_back({"Waveform files in a shot folder", [](const std::string& folder, Phases& ph) {
                     OpenShot(folder);
                     std::vector<Waveform> traces(ShotTraces);
                     for (int i = 0; i < ShotTraces; ++i) {
                         traces[size_t(i)].Size(ShotTracePoints);
                         Fill(traces[size_t(i)].Data(), ShotTracePoints, unsigned(i));
                         traces[size_t(i)].step = Step;
                     }
                     ph.Start();
                     for (int i = 0; i < ShotTraces; ++i)
                         Check(traces[size_t(i)].Write(Expt.GetDataFileName(TraceName(i).c_str())),
                               "Waveform::Write");
                     ph.Stop();
                     ph.Start();
                     Waveform one;
                     bool ok = one.Read(Expt.GetDataFileName(TraceName(OneTrace).c_str()), -1);
                     ph.Stop();
                     Check(ok && one.npnts() == ShotTracePoints, "Waveform::Read one");
                     ph.Start();
                     size_t got = 0;
                     for (int i = 0; i < ShotTraces; ++i) {
                         Waveform w;
                         w.Read(Expt.GetDataFileName(TraceName(i).c_str()), -1);
                         got += size_t(w.npnts());
                     }
                     ph.Stop();
                     Check(got == size_t(ShotTraces) * ShotTracePoints, "Waveform::Read all");
                 }});
#ifdef TALVEX_BENCH_C_API
    v.push_back({"SetWaveformC/GetWaveformC", [](const std::string& folder, Phases& ph) {
                     OpenShotC(folder);
                     FloatBlock data(size_t(ShotTraces) * ShotTracePoints);
                     Fill(data.data, data.count, 2);
                     ph.Start();
                     for (int i = 0; i < ShotTraces; ++i)
                         SetWaveformC(TraceName(i).c_str(), ShotTracePoints, 0.0f, Step,
                                      data.data + size_t(i) * ShotTracePoints);
                     ph.Stop();
                     ph.Start();
                     FloatBlock one(ShotTracePoints);
                     GetWaveformC(TraceName(OneTrace).c_str(), ShotTracePoints, 0.0f, Step,
                                  one.data);
                     ph.Stop();
                     ph.Start();
                     for (int i = 0; i < ShotTraces; ++i) {
                         FloatBlock w(ShotTracePoints);
                         GetWaveformC(TraceName(i).c_str(), ShotTracePoints, 0.0f, Step, w.data);
                     }
                     ph.Stop();
                     Check(SameFloats(one.data, data.data + size_t(OneTrace) * ShotTracePoints,
                                      ShotTracePoints),
                           "GetWaveformC");
                 }});
#endif
    if (HaveHdf5()) {
        v.push_back({"HDF5, one file of datasets", [](const std::string& folder, Phases& ph) {
                         FloatBlock data(size_t(ShotTraces) * ShotTracePoints);
                         Fill(data.data, data.count, 2);
                         std::string file = Path(folder, "shot.h5");
                         ph.Start();
                         {
                             H5File f(file, H5File::Create);
                             for (int i = 0; i < ShotTraces; ++i)
                                 Check(f.WriteTrace(TraceName(i).c_str(),
                                                    data.data + size_t(i) * ShotTracePoints,
                                                    ShotTracePoints, 0.0f, Step),
                                       "HDF5 write");
                         }
                         ph.Stop();
                         ph.Start();
                         size_t one = 0;
                         {
                             H5File f(file, H5File::ReadOnly);
                             one = f.ReadTrace(TraceName(OneTrace).c_str()).count;
                         }
                         ph.Stop();
                         Check(one == ShotTracePoints, "HDF5 read one");
                         ph.Start();
                         size_t got = 0;
                         {
                             H5File f(file, H5File::ReadOnly);
                             for (int i = 0; i < ShotTraces; ++i)
                                 got += f.ReadTrace(TraceName(i).c_str()).count;
                         }
                         ph.Stop();
                         Check(got == data.count, "HDF5 read all");
                     }});
    }
    return v;
}

// ---- Case 3: particles -------------------------------------------------------------------------

const int TotalParticles = Particles + AddedParticles;
const int TailParticles = TotalParticles / 100;
const int TailStart = TotalParticles - TailParticles;

// Checks the tail that was read: its last particle is the last one appended.
void CheckTail(const float* tail, size_t floats, const float* added)
{
    Check(floats == size_t(TailParticles) * Cols
              && SameFloats(tail + floats - Cols, added + size_t(AddedParticles - 1) * Cols, Cols),
          "tail read");
}

std::vector<Variant> ParticleVariants()
{
    std::vector<Variant> v;
    for (bool atomic : {true, false}) {
        v.push_back({atomic ? "raw, temp+rename, append in place" : "raw, in place",
                     [atomic](const std::string& folder, Phases& ph) {
                         FloatBlock data(size_t(Particles) * Cols),
                             added(size_t(AddedParticles) * Cols);
                         Fill(data.data, data.count, 3);
                         Fill(added.data, added.count, 4);
                         std::string file = Path(folder, "beam.f32");
                         ph.Start();
                         Check(RawWrite(file, data.data, data.count, atomic), "raw write");
                         ph.Stop();
                         ph.Start();
                         Check(RawAppend(file, added.data, added.count), "raw append");
                         ph.Stop();
                         ph.Start();
                         size_t rows = RawCount(file) / Cols;
                         FloatBlock tail = RawReadRange(file, (rows - rows / 100) * Cols,
                                                        rows / 100 * Cols);
                         ph.Stop();
                         CheckTail(tail.data, tail.count, added.data);
                     }});
    }
    v.push_back({"ParticleGroup Write/Append/Read", [](const std::string& folder, Phases& ph) {
                     CoreInit("");
                     ParticleGroup g(Particles), more(AddedParticles);
                     Fill(g.Data(), size_t(g.Count()), 3);
                     Fill(more.Data(), size_t(more.Count()), 4);
                     DString name = Path(folder, "beam").c_str();
                     ph.Start();
                     Check(g.Write(name), "ParticleGroup::Write");
                     ph.Stop();
                     ph.Start();
                     Check(more.Append(name), "ParticleGroup::Append");
                     ph.Stop();
                     ph.Start();
                     ParticleGroup tail;
                     bool ok = tail.Read(name, TailParticles, TailStart);
                     ph.Stop();
                     Check(ok, "ParticleGroup::Read");
                     CheckTail(tail.Data(), size_t(tail.Count()), more.Data());
                 }});
#ifdef TALVEX_BENCH_C_API
    v.push_back({"SetPGroupC/AppendPGroupC/GetPGroupC", [](const std::string& folder, Phases& ph) {
                     OpenShotC(folder);
                     FloatBlock data(size_t(Particles) * Cols),
                         added(size_t(AddedParticles) * Cols);
                     Fill(data.data, data.count, 3);
                     Fill(added.data, added.count, 4);
                     ph.Start();
                     SetPGroupC("beam", Particles, 0, 0.0f, 0.0f, data.data);
                     ph.Stop();
                     ph.Start();
                     AppendPGroupC("beam", AddedParticles, 0, 0.0f, 0.0f, added.data);
                     ph.Stop();
                     ph.Start();
                     int n = TailParticles;
                     FloatBlock tail(size_t(TailParticles) * Cols);
                     GetPGroupC("beam", &n, TailStart, tail.data);
                     ph.Stop();
                     CheckTail(tail.data, size_t(n) * Cols, added.data);
                 }});
#endif
    if (HaveHdf5()) {
        v.push_back(
            {"HDF5, chunked 2-D dataset", [](const std::string& folder, Phases& ph) {
                 FloatBlock data(size_t(Particles) * Cols), added(size_t(AddedParticles) * Cols);
                 Fill(data.data, data.count, 3);
                 Fill(added.data, added.count, 4);
                 std::string file = Path(folder, "beam.h5");
                 ph.Start();
                 {
                     H5File f(file, H5File::Create);
                     Check(f.WriteTable("beam", data.data, Particles, Cols), "HDF5 write");
                 }
                 ph.Stop();
                 ph.Start();
                 {
                     H5File f(file, H5File::ReadWrite);
                     Check(f.AppendTable("beam", added.data, AddedParticles, Cols), "HDF5 append");
                 }
                 ph.Stop();
                 ph.Start();
                 FloatBlock tail;
                 {
                     H5File f(file, H5File::ReadOnly);
                     size_t rows = f.TableRows("beam");
                     tail = f.ReadTableTail("beam", rows - rows / 100, Cols);
                 }
                 ph.Stop();
                 CheckTail(tail.data, tail.count, added.data);
             }});
    }
    return v;
}

// ---- Case 4: a trace parameter over every shot -------------------------------------------------

// The 10 %-90 % rise time as a plain loop computes it: extremes, then the two forward crossings.
float RiseTime(const float* s, size_t n, float step)
{
    float hi = s[0], lo = s[0];
    for (size_t i = 1; i < n; ++i) {
        hi = s[i] > hi ? s[i] : hi;
        lo = s[i] < lo ? s[i] : lo;
    }
    auto at = [&](float v) -> float {
        if (v > hi || v < lo)
            return float(n) * step;
        if (v == s[0])
            return 0.0f;
        size_t k = 1;
        if (v > s[0])
            while (k < n - 1 && s[k] <= v)
                ++k;
        else
            while (k < n - 1 && s[k] >= v)
                ++k;
        float d = s[k] - s[k - 1];
        float f = d == 0.0f ? 0.0f : (v - s[k - 1]) / d;
        return (f + float(k - 1)) * step;
    };
    double m = hi;
    return at(float(0.9 * m)) - at(float(0.1 * m));
}

std::string EvalShotName(int s)
{
    return std::to_string(1000 + s);
}

// The experiment of case 4 (through the library) and the same traces as raw files.
void MakeEvalData(const std::string& folder)
{
    CoreInit("");
    Expt.SetExperimentFolder((folder + "/expt").c_str());
    std::filesystem::create_directories(folder + "/raw");
    std::vector<float> expected;
    for (int s = 0; s < EvalShots; ++s) {
        DString shot(("*" + EvalShotName(s)).c_str());
        Check(Expt.CreateShot(shot, DString(), false) >= 0, "CreateShot");
        Waveform w(EvalPoints);
        Fill(w.Data(), EvalPoints, unsigned(s + 10));
        w.step = Step;
        w.Scale();
        Check(w.Write(Expt.GetDataFileName("probe")), "Waveform::Write");
        Check(RawWrite(folder + "/raw/" + EvalShotName(s) + ".f32", w.Data(), EvalPoints, true),
              "raw write");
        expected.push_back(RiseTime(w.Data(), EvalPoints, Step));
    }
    Check(RawWrite(folder + "/expected.f32", expected.data(), expected.size(), false), "expected");
}

void CheckRiseTimes(const std::string& data, const std::vector<float>& got)
{
    FloatBlock want = RawRead(data + "/expected.f32");
    Check(want.count == got.size(), "rise time count");
    for (size_t i = 0; i < got.size(); ++i)
        Check(std::fabs(got[i] - want.data[i]) <= 1e-3f * std::fabs(want.data[i]) + 1e-12f,
              "rise time value");
}

std::vector<Variant> EvalVariants(const std::string& data)
{
    std::vector<Variant> v;
    v.push_back({"plain C++ loop over raw files", [data](const std::string&, Phases& ph) {
                     std::vector<float> got;
                     ph.Start();
                     for (int s = 0; s < EvalShots; ++s) {
                         FloatBlock b = RawRead(data + "/raw/" + EvalShotName(s) + ".f32");
                         got.push_back(b.count ? RiseTime(b.data, b.count, Step) : 0.0f);
                     }
                     ph.Stop();
                     CheckRiseTimes(data, got);
                 }});
    v.push_back({"SetShot + GetScalarData(probe\\19)", [data](const std::string&, Phases& ph) {
                     CoreInit("");
                     Expt.SetExperimentFolder((data + "/expt").c_str());
                     std::vector<float> got;
                     ph.Start();
                     for (int s = 0; s < EvalShots; ++s) {
                         Expt.SetShot(EvalShotName(s).c_str(), -1);
                         got.push_back(Expt.GetScalarData("probe\\19", nullptr));
                     }
                     ph.Stop();
                     CheckRiseTimes(data, got);
                 }});
#ifdef TALVEX_BENCH_C_API
    v.push_back(
        {"SetShotC + GetScalarDataC(probe\\19)", [data](const std::string& folder, Phases& ph) {
             InitializeTalvexC(folder.c_str());
             SetExperimentC((data + "/expt").c_str());
             std::vector<float> got;
             ph.Start();
             for (int s = 0; s < EvalShots; ++s) {
                 SetShotC(EvalShotName(s).c_str());
                 got.push_back(GetScalarDataC("probe\\19"));
             }
             ph.Stop();
             CheckRiseTimes(data, got);
         }});
#endif
    return v;
}

// ---- Case 5: creating shots --------------------------------------------------------------------

// Blocks of shots timed apart, to show how the cost of one shot grows with the experiment.
const int Block = 100;

// Times shots [0, NewShots) made by make(s): the three blocks, then the total.
template <class Make> void TimeShots(Phases& ph, Make make)
{
    Phases all;
    all.Start();
    int next = 0;
    int const last = NewShots / Block - 1;
    for (int b : {0, last / 2, last}) {
        for (; next < b * Block; ++next)
            make(next);
        ph.Start();
        for (; next < (b + 1) * Block; ++next)
            make(next);
        ph.Stop();
    }
    for (; next < NewShots; ++next)
        make(next);
    all.Stop();
    ph.Add(all.Taken()[0]);
}

// A settings file as the library writes it, replaced atomically.
using Sections = std::vector<std::pair<std::string, std::vector<std::string>>>;
void WriteIni(const std::string& path, const Sections& sections)
{
    std::string text;
    for (const auto& sec : sections) {
        if (!text.empty())
            text += "\r\n";
        text += "[" + sec.first + "]";
        for (const auto& line : sec.second)
            text += "\r\n" + line;
    }
    std::string tmp = path + ".tmp";
    if (std::FILE* f = std::fopen(tmp.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        std::rename(tmp.c_str(), path.c_str());
    }
}

std::vector<Variant> ShotCreationVariants(bool pause)
{
    std::vector<Variant> v;
    {
        v.push_back(
            {pause ? "plain files, written once per shot" : "plain files, rewritten per field",
             [pause](const std::string& folder, Phases& ph) {
                 std::string shots = folder + "/Shots";
                 std::filesystem::create_directories(shots);
                 Sections cache;
                 TimeShots(ph, [&](int s) {
                     std::string name = "Shot" + std::to_string(s);
                     std::string dir = shots + "/" + name;
                     std::filesystem::create_directory(dir);
                     cache.push_back({name, {"Date=01/01/2024 00:00:00"}});
                     Sections fields {{"Fields", cache.back().second}};
                     if (!pause) {
                         WriteIni(shots + "/ScalarCache.ini", cache);
                         WriteIni(dir + "/Scalars.ini", fields);
                     }
                     for (int f = 0; f < Fields; ++f) {
                         std::string line = "Field" + std::to_string(f) + "="
                                            + std::to_string(s * Fields + f);
                         cache.back().second.push_back(line);
                         fields[0].second.push_back(line);
                         if (!pause) {
                             WriteIni(shots + "/ScalarCache.ini", cache);
                             WriteIni(dir + "/Scalars.ini", fields);
                         }
                     }
                     if (pause) {
                         WriteIni(shots + "/ScalarCache.ini", cache);
                         WriteIni(dir + "/Scalars.ini", fields);
                     }
                 });
             }});
        v.push_back({pause ? "CreateShot + fields in SetPauseIO" : "CreateShot + 10 SetShotData",
                     [pause](const std::string& folder, Phases& ph) {
                         CoreInit("");
                         Expt.SetExperimentFolder((folder + "/expt").c_str());
                         TimeShots(ph, [&](int s) {
                             DString name(s);
                             Check(Expt.CreateShot(name, DString(), !pause) >= 0, "CreateShot");
                             if (pause) {
                                 Expt.SetPauseIO(true);
                                 Expt.SetShotData("Date", "01/01/2024 00:00:00");
                             }
                             for (int f = 0; f < Fields; ++f)
                                 Expt.SetShotData(DString("Field") << f, DString(s * Fields + f));
                             if (pause)
                                 Expt.SetPauseIO(false);
                         });
                     }});
    }
    return v;
}

// ---- Running -----------------------------------------------------------------------------------

struct Case {
    int number;
    std::string title;
    std::vector<std::string> phases;
    std::vector<Variant> variants;
    int reference;
    int rounds;
    double perSecond;
};

void PrintCase(const Case& c, const std::string& work)
{
    std::printf("\n%d. %s\n   %s; x = cost relative to \"%s\"\n", c.number, c.title.c_str(),
                c.rounds > 1
                    ? ("median of " + std::to_string(c.rounds) + " interleaved rounds").c_str()
                    : "one round",
                c.variants[size_t(c.reference)].name.c_str());
    std::vector<Result> results = RunInterleaved(work, c.variants, c.rounds);
    PrintTable(c.phases, c.variants, results, c.reference, c.perSecond);
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 0;
    std::set<int> only;
    int profileCase = 0, profileVariant = -1;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else if (a == "--shots" && i + 1 < argc)
            EvalShots = NewShots = std::max(3 * Block, std::atoi(argv[++i]));
        else if (a == "--case" && i + 1 < argc)
            only.insert(std::atoi(argv[++i]));
        else if (a == "--profile" && i + 2 < argc) {
            profileCase = std::atoi(argv[++i]);
            profileVariant = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: bench_compare [--rounds N] [--case K]... [--shots N] "
                                 "[--profile CASE VARIANT]\n");
            return 2;
        }
    }
    char tmpl[] = "/tmp/talvex-compare-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    const std::string root = tmpl;
    IsolateBench(root);

    const std::string evalData = root + "/evaldata";
    auto want = [&](int c) {
        return profileVariant >= 0 ? c == profileCase : only.empty() || only.count(c);
    };
    if (want(4)) {
        FreshFolder(evalData);
        Variant make {"make data", [&](const std::string&, Phases&) { MakeEvalData(evalData); }};
        if (profileVariant >= 0)
            RunHere(root, make);
        else
            RunInterleaved(root + "/setup", {make}, 1);
    }

    std::vector<Case> cases;
    auto rr = [&](int d) { return rounds > 0 ? rounds : d; };
    cases.push_back({1,
                     "One trace of 10,000,000 floats (40 MB): write, then read back whole",
                     {"write", "read"},
                     TraceVariants(),
                     0,
                     rr(5),
                     0});
    cases.push_back({2,
                     "A shot of 200 traces of 50,000 floats: write all, read one, read all",
                     {"write all", "read one", "read all"},
                     ShotVariants(),
                     0,
                     rr(5),
                     0});
    cases.push_back({3,
                     "10,000,000 particles of 8 floats (320 MB): write, append 1,000,000, "
                     "read the last 1 %",
                     {"write", "append", "read last 1 %"},
                     ParticleVariants(),
                     0,
                     rr(3),
                     0});
    std::string const evalShots = std::to_string(EvalShots), newShots = std::to_string(NewShots);
    cases.push_back({4,
                     "Rise time (probe\\19) of a 10,000-point trace over each of " + evalShots
                         + " shots: evaluations per second",
                     {"evaluate"},
                     EvalVariants(evalData),
                     0,
                     rr(5),
                     double(EvalShots)});
    int const last = NewShots / Block - 1;
    auto blockName = [](int b) {
        return "shots " + std::to_string(b * Block + 1) + "-" + std::to_string((b + 1) * Block);
    };
    for (bool pause : {false, true})
        cases.push_back(
            {5,
             "Creating " + newShots
                 + (pause ? " shots, the 10 fields set inside a write pause"
                          : " shots with 10 fields each, every field written through")
                 + ": ms per block of 100 shots, and the total",
             {blockName(0), blockName(last / 2), blockName(last), "total"},
             // The written-through table takes a minute a round; its point is the growth.
             ShotCreationVariants(pause),
             0,
             rr(pause ? 3 : 1),
             0});

    if (profileVariant >= 0) {
        // Variants are numbered across all tables of the case, as printed.
        size_t index = size_t(profileVariant);
        for (const Case& c : cases) {
            if (c.number != profileCase)
                continue;
            if (index < c.variants.size()) {
                RunHere(root, c.variants[index]);
                break;
            }
            index -= c.variants.size();
        }
        RemoveTree(root);
        return 0;
    }

    std::printf("TalvexCore against raw files%s; files in the page cache, no fsync.\n"
                "Ratios are judged against raw files written to a temporary name and renamed "
                "(what a careful raw user does to avoid torn files); in-place raw writes are "
                "shown as well.\n",
                HaveHdf5() ? " and HDF5" : " (HDF5 not built in)");
    for (const Case& c : cases) {
        if (!want(c.number))
            continue;
        PrintCase(c, root + "/work");
    }
    RemoveTree(root);
    return 0;
}
