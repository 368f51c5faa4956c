// Shots and backups claimed by several processes at once: each claim has exactly one winner.
#include "ExperimentFixture.h"

#include "LastFailure.h"

#include <set>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

class ShotClaimsTest : public ExperimentTest {
protected:
    static int Index() { return testsupport::ChildIndex("claimer"); }
    static bool InProcesses(int n) { return testsupport::RunChildren("claimer", n); }
    std::string Record(int p) { return testsupport::TestDir() + "/claims" + std::to_string(p); }
};

} // namespace

TEST_F(ShotClaimsTest, ExactlyOneOfSeveralCreatorsOfANewShotWins)
{
    // Every process runs through the same names, so that they race on each of them.
    int const processes = 4, shots = 60;
    if (int const p = Index(); p >= 0) {
        Expt.SetExperimentFolder(exp.c_str());
        std::string won;
        for (int k = 0; k < shots; ++k) {
            DString name = DString("N") << k;
            DString comment = DString("by ") << p;
            if (Expt.CreateShot(name, comment, false) >= 0)
                won += std::to_string(k) + "\n";
        }
        WriteBytes(Record(p), won);
        return;
    }
    Open();
    ASSERT_GE(Create("0"), 0);
    ASSERT_TRUE(InProcesses(processes));

    std::vector<int> winners(shots, 0);
    std::vector<int> winner(shots, -1);
    for (int p = 0; p < processes; ++p) {
        std::string const won = ReadBytes(Record(p));
        for (std::size_t at = 0; at < won.size();) {
            std::size_t const end = won.find('\n', at);
            int const k = std::stoi(won.substr(at, end - at));
            ++winners[std::size_t(k)];
            winner[std::size_t(k)] = p;
            at = end + 1;
        }
    }
    for (int k = 0; k < shots; ++k) {
        ASSERT_EQ(winners[std::size_t(k)], 1) << "shot N" << k;
        ASSERT_TRUE(Expt.SetShot(DString("N") << k));
        EXPECT_EQ(S(Expt.GetShotData("Comment")), "by " + std::to_string(winner[std::size_t(k)]));
    }
}

TEST_F(ShotClaimsTest, ConcurrentBackupsEachNameTheFolderTheyMade)
{
    int const processes = 4, rounds = 10;
    if (int const p = Index(); p >= 0) {
        Expt.SetExperimentFolder(exp.c_str());
        Expt.SetShot("1");
        std::string made;
        for (int k = 0; k < rounds; ++k) {
            Expt.BackupShot();
            made += S(Expt.GetLastBackupFolder()) + "\n";
        }
        WriteBytes(Record(p), made);
        return;
    }
    Open();
    ASSERT_GE(Create("1", "kept"), 0);
    testsupport::WriteBytes(exp + "/Shots/Shot1/trace.txt", "1 2 3");
    ASSERT_TRUE(InProcesses(processes));

    std::set<std::string> folders;
    for (int p = 0; p < processes; ++p) {
        std::string const made = ReadBytes(Record(p));
        for (std::size_t at = 0; at < made.size();) {
            std::size_t const end = made.find('\n', at);
            std::string const folder = made.substr(at, end - at);
            ASSERT_FALSE(folder.empty());
            EXPECT_TRUE(folders.insert(folder).second) << folder << " named twice";
            EXPECT_EQ(ReadBytes(folder + "/trace.txt"), "1 2 3");
            at = end + 1;
        }
    }
    EXPECT_EQ(folders.size(), std::size_t(processes * rounds));
}
