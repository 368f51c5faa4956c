// The benchmarks' experiment generator: its files equal, byte for byte, what the library writes
// for the same shots, fields and traces.
#include "ExperimentFixture.h"
#include "ExperimentGenerator.h"

#include "DIni.h"
#include "Waveform.h"

#include <map>

namespace fs = std::filesystem;

namespace {

const int kFields = 10;
const int kShots = 4;

/// Every file under `root` (relative path -> bytes), and every folder with empty bytes.
std::map<std::string, std::string> Tree(const std::string& root)
{
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(entry.path(), root).generic_string();
        tree[rel] = entry.is_directory() ? std::string("<folder>")
                                         : testsupport::ReadBytes(entry.path().string());
    }
    return tree;
}

} // namespace

class GeneratedExperimentTest : public ExperimentTest { };

TEST_F(GeneratedExperimentTest, FilesEqualTheLibrarysByteForByte)
{
    Open();
    const std::string image = generator::TraceImage(testsupport::TestDir(), 1000);
    ASSERT_FALSE(image.empty());
    for (int s = 1; s <= kShots; ++s) {
        ASSERT_EQ(Create(std::to_string(s).c_str(), nullptr), 0);
        for (int k = 0; k < kFields; ++k)
            Expt.SetShotData(DString("Field") << k, DString(s * kFields + k));
        Waveform w(1000);
        for (int i = 0; i < 1000; ++i)
            w[i] = float(i % 17);
        w.step = 1e-6f;
        w.Scale();
        ASSERT_TRUE(w.Write(Expt.GetDataFileName("probe")));
    }

    // Dates are the library's own: the clock may tick between shots.
    std::vector<generator::Shot> shots;
    for (int s = 1; s <= kShots; ++s) {
        const std::string folder = exp + "/Shots/Shot" + std::to_string(s);
        DIni fields((folder + "/Scalars.ini").c_str());
        generator::Shot shot = generator::NumberedShot(
            s, fields.GetSectionKeyValue("Fields", "Date", "").c_str(), kFields);
        Waveform trace;
        ASSERT_TRUE(trace.Read((folder + "/probe").c_str(), 0));
        shot.traceDate = trace.dateStamp.c_str();
        shots.push_back(shot);
    }
    const std::string copy = testsupport::TestDir() + "/generated/Exp1";
    ASSERT_TRUE(generator::WriteExperiment(copy, shots, "probe", image));

    const auto want = Tree(exp);
    const auto got = Tree(copy);
    ASSERT_EQ(want.size(), got.size());
    for (const auto& file : want) {
        auto it = got.find(file.first);
        ASSERT_NE(it, got.end()) << file.first;
        EXPECT_EQ(it->second, file.second) << file.first;
    }
}

TEST_F(GeneratedExperimentTest, LibraryReadsAndExtendsAGeneratedExperiment)
{
    const std::string image = generator::TraceImage(testsupport::TestDir(), 1000);
    std::vector<generator::Shot> shots;
    for (int s = 1; s <= kShots; ++s) {
        shots.push_back(generator::NumberedShot(s, "01/02/2026 03:04:05", kFields));
        shots.back().traceDate = "01/02/2026 03:04:05";
    }
    ASSERT_TRUE(generator::WriteExperiment(exp, shots, "probe", image));

    Open();
    ASSERT_TRUE(Expt.SetShot("3"));
    EXPECT_EQ(S(Expt.GetShotData("Field3")), "33");
    EXPECT_EQ(Expt.GetScalarData("[Field3]*2"), 66.0f);
    Waveform trace;
    ASSERT_TRUE(trace.Read(Expt.GetDataFileName("probe")));
    EXPECT_EQ(trace.npnts(), 1000);
    EXPECT_EQ(S(trace.dateStamp), "01/02/2026 03:04:05");

    // A field written by the library lands in the generated cache section of its shot.
    Expt.SetShotData("Peak", "3.25");
    DIni cache((exp + "/Shots/ScalarCache.ini").c_str());
    EXPECT_EQ(S(cache.GetSectionKeyValue("Shot3", "Peak", "")), "3.25");
    EXPECT_EQ(S(cache.GetSectionKeyValue("Shot4", "Field9", "")), "49");
}
