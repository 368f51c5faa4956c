// Deleting a shot: it leaves every listing in one step, and what a killed delete left goes later.
#include "ExperimentFixture.h"

#include "DIni.h"

#include <filesystem>

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

class ShotRemovalTest : public ExperimentTest {
protected:
    void SetUp() override
    {
        ExperimentTest::SetUp();
        Open();
        // A child of the test finds the shots made.
        if (!testsupport::ChildRole().empty())
            return;
        ASSERT_GE(Create("1", "one"), 0);
        ASSERT_GE(Create("2", "two"), 0);
        ASSERT_GE(Create("3", "three"), 0);
    }
    std::vector<std::string> Listed()
    {
        DStringArray shots;
        DArray<int> groups;
        Expt.GetShotSet(".\\Shots", "*", "", shots, groups);
        std::vector<std::string> names;
        for (int i = 0; i < shots.Count(); ++i)
            names.push_back(S(shots[i]));
        return names;
    }
    /// What a delete killed after its rename leaves: the shot's folder under a hidden name,
    /// half emptied.
    void LeaveKilledDelete(char const* shot)
    {
        std::string const hidden = exp + "/Shots/.deleting-Shot" + shot + "-1";
        fs::rename(exp + "/Shots/Shot" + shot, hidden);
        WriteBytes(hidden + "/left.wvf", "half");
    }
};

} // namespace

TEST_F(ShotRemovalTest, AKilledDeleteIsNeverListedAndTheNextDeleteClearsIt)
{
    LeaveKilledDelete("2");
    EXPECT_EQ(Listed(), (std::vector<std::string> {"1", "3"}));
    DStringArray shots;
    DArray<int> groups;
    Expt.GetShotList("1:3", 0, shots, groups);
    EXPECT_EQ(shots.Count(), 2);

    ASSERT_TRUE(Expt.SetShot("3"));
    ASSERT_TRUE(Expt.DeleteShot());
    EXPECT_EQ(Listed(), (std::vector<std::string> {"1"}));
    for (auto const& entry : fs::directory_iterator(exp + "/Shots"))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

TEST_F(ShotRemovalTest, DeleteRemovesFolderAndCacheSectionOnly)
{
    ASSERT_TRUE(Expt.SetShot("2"));
    ASSERT_TRUE(Expt.DeleteShot());
    EXPECT_FALSE(fs::exists(exp + "/Shots/Shot2"));
    DIni cache(DString(exp.c_str()) + "/Shots/ScalarCache.ini");
    EXPECT_FALSE(cache.SectionExists("Shot2"));
    EXPECT_TRUE(cache.SectionExists("Shot1"));
    EXPECT_EQ(Listed(), (std::vector<std::string> {"1", "3"}));
}

TEST_F(ShotRemovalTest, ADeleteKilledMidwayNeverShowsAHalfShot)
{
    // A child deletes a big shot and is killed at once; whatever it reached, the shot is
    // either whole under its name or gone from it.
    if (testsupport::ChildRole() == "deleter") {
        Expt.SetShot("1");
        Expt.DeleteShot();
        return;
    }
    int const files = 400;
    for (int i = 0; i < files; ++i)
        WriteBytes(exp + "/Shots/Shot1/f" + std::to_string(i) + ".wvf", "x");
    {
        testsupport::ChildProcess child("deleter");
        fs::path const folder = exp + "/Shots/Shot1";
        // Stop it as soon as the folder starts to go.
        for (int spins = 0; spins < 2000000 && fs::exists(folder / "f0.wvf"); ++spins) { }
        child.Kill();
    }
    if (fs::exists(exp + "/Shots/Shot1")) {
        int left = 0;
        for (auto const& entry : fs::directory_iterator(exp + "/Shots/Shot1"))
            left += entry.path().extension() == ".wvf";
        EXPECT_EQ(left, files);
    }
    ASSERT_TRUE(Expt.SetShot("3"));
    ASSERT_TRUE(Expt.DeleteShot());
    // A killed writer may leave its temporary file; no hidden shot folder may stay.
    for (auto const& entry : fs::directory_iterator(exp + "/Shots"))
        EXPECT_NE(entry.path().filename().string().rfind(".deleting", 0), 0u) << entry.path();
}
