// Bad input: one line on standard error naming what was wrong, status 1, nothing changed.
#include "CliFixture.h"

#include "Experiment.h"

#include <filesystem>
#include <unistd.h>

namespace {

struct BadCase {
    std::vector<std::string> args;
    std::string message; ///< a part of the one error line
};

} // namespace

TEST_F(CliTest, EveryFailureIsOneLineAndChangesNothing)
{
    testsupport::WriteBytes(testsupport::TestDir() + "/uneven.txt", "0 1\n1 2\n3 3\n");
    testsupport::WriteBytes(testsupport::TestDir() + "/words.txt", "t v\n0 1\nzero 2\n");
    testsupport::WriteBytes(testsupport::TestDir() + "/fine.txt", "0 1\n1 2\n");
    const std::string uneven = testsupport::TestDir() + "/uneven.txt";
    const std::string words = testsupport::TestDir() + "/words.txt";
    const std::string fine = testsupport::TestDir() + "/fine.txt";
    const BadCase cases[] = {
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"fields"}, "too few arguments; usage: talvex fields SHOT"},
        {{"fields", "1001", "extra"}, "unexpected argument 'extra'"},
        {{"fields", "1001", "--bogus"}, "unknown option --bogus"},
        {{"fields", "9999"}, "no shot '9999' in "},
        {{"fields", "a:b"}, "invalid shot name 'a:b'"},
        {{"data", "1001", "nothing"}, "no data object 'nothing' in shot '1001'"},
        {{"dump", "1001", "nothing"}, "no data object 'nothing' in shot '1001'"},
        {{"dump", "1001", "9999\\probe"}, "cannot resolve data name '9999\\probe'"},
        {{"dump", "1001", "probe.dmt"}, "no data object 'probe.dmt'"},
        {{"set", "1001", "Comment", "1001"}, "cannot be its own name"},
        {{"set", "1001", "Shot", "7"}, "field 'Shot' is the shot's name"},
        {{"set", "1001", "a=b", "7"}, "invalid field name 'a=b'"},
        {{"set", "1001", "Peak", " "}, "empty value for field 'Peak'"},
        {{"set", "1001", "Peak", "1\n2"}, "may not hold line breaks"},
        {{"unset", "1001", "Missing"}, "shot '1001' has no field 'Missing'"},
        {{"create", "1001"}, "shot '1001' already exists"},
        {{"create", "bad*name"}, "invalid shot name 'bad*name'"},
        {{"create", "9", "--comment", "9"}, "cannot be its own name"},
        {{"rename", "1001", "1002"}, "shot '1002' already exists"},
        {{"rename", "1001", "a/b"}, "invalid new shot name 'a/b'"},
        {{"delete", "1001"}, "add --yes to do it"},
        {{"import", "1001", "probe", fine}, "already has a waveform 'probe'; --force replaces it"},
        {{"import", "1001", "new", uneven}, "are not evenly spaced"},
        {{"import", "1001", "new", words}, "line 3 of '" + words + "' is not a row of numbers"},
        {{"import", "1001", "new", "missing.txt"}, "no file 'missing.txt'"},
        {{"import", "1001", "new", fine, "--step", "2"}, "--step and --start are for one column"},
        {{"shots", "9999"}, "no shot '9999' in "},
        {{"shots", "A:B"}, "invalid range 'A:B'"},
        {{"shots", "9:1"}, "invalid range '9:1'"},
        {{"shots", "--list", "nope"}, "no shot list 'nope'"},
        {{"shots", "--source", "Elsewhere"}, "no shot path 'Elsewhere'"},
        {{"eval", "(1+2"}, "'(1+2'"},
        {{"eval", "[Peak"}, "'[Peak'"},
        {{"eval", ""}, "error: empty expression"},
        {{"eval", "Peak", "--where", ""}, "error: empty condition"},
        {{"shots", "--csv", "--json"}, "give --csv or --json, not both"},
        {{"list", "save", "L", "-"}, "no shot names on standard input"},
        {{"list", "save", "L", "1001", "9999"}, "no shot '9999' in "},
        {{"plot", "1001", "probe", "-o", "out.png"}, "must end in .svg"},
        {{"plot", "1001", "probe", "--legend", "x", "-o", "out.svg"}, "unknown legend place 'x'"},
        {{"list", "save", "L", "9*"}, "no shots match; shot list 'L' is left as it was"},
        {{"list", "keep", "L", "1001"}, "unknown list action 'keep'"},
        {{"list", "save", "../L", "1001"}, "invalid shot list name '../L'"},
        {{"plot", "1001", "grid", "-o", "out.svg"}, "'grid' is a matrix, not a waveform"},
        {{"plot", "1001", "probe", "nothing", "-o", "out.svg"}, "no data object 'nothing'"},
    };
    const Snapshot before = TakeSnapshot(testsupport::TestDir());
    for (const BadCase& c : cases) {
        std::string shown;
        for (const std::string& a : c.args)
            shown += a + " ";
        Result run = InExp(c.args);
        EXPECT_EQ(run.status, 1) << shown;
        EXPECT_EQ(run.out, "") << shown;
        EXPECT_EQ(run.err.rfind("talvex: ", 0), 0u) << shown << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << shown << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << shown << run.err;
        Snapshot after = TakeSnapshot(testsupport::TestDir());
        after.erase("stderr.txt");
        Snapshot expected = before;
        expected.erase("stderr.txt");
        EXPECT_TRUE(after == expected) << shown;
    }
}

TEST_F(CliTest, CommandsThatOnlyLookChangeNoFile)
{
    // Enough shots for a progress line, which must not reach a pipe.
    for (int i = 0; i < 25; ++i) {
        DString name(("R" + std::to_string(i)).c_str());
        ASSERT_GE(Expt.CreateShot(name, "run"), 0);
    }
    const Snapshot before = TakeSnapshot(testsupport::TestDir());
    const std::vector<std::vector<std::string>> looks = {{"shots"},
                                                         {"shots", "1000:1002", "--data", "probe"},
                                                         {"fields", "R3"},
                                                         {"data", "1001"},
                                                         {"eval", "Peak*2+probe\\mx", "--csv"},
                                                         {"eval", ">\\probe\\mx", "R*"},
                                                         {"dump", "1001", "grid"},
                                                         {"dump", "1001", "1002\\probe"},
                                                         {"plot", "1001", "probe"},
                                                         {"help", "eval"},
                                                         {"backup", "--help"}};
    for (const auto& args : looks) {
        Result run = InExp(args);
        EXPECT_EQ(run.status, 0) << args[0] << run.err;
        EXPECT_EQ(run.err, "") << args[0];
    }
    // Only the folders and empty settings files that selecting a shot creates may appear.
    Snapshot after = TakeSnapshot(testsupport::TestDir());
    for (const auto& [path, bytes] : before) {
        if (path != "stderr.txt") {
            EXPECT_EQ(after.count(path) ? after.at(path) : "<gone>", bytes) << path;
        }
    }
    for (const auto& [path, bytes] : after) {
        if (!before.count(path) && path != "stderr.txt") {
            EXPECT_TRUE(bytes.empty() || bytes == "<folder>") << path << " holds " << bytes;
        }
    }
}

TEST_F(CliTest, AMissingOrPlainFolderIsNeverMadeAnExperiment)
{
    const std::string dir = testsupport::TestDir();
    // create makes a new folder only inside one that exists.
    Result missing = Talvex({"-e", dir + "/NoSuch/Exp", "create", "1"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "talvex: experiment folder '" + dir + "/NoSuch/Exp' does not exist\n");
    EXPECT_FALSE(testsupport::Exists(dir + "/NoSuch"));
    EXPECT_EQ(Talvex({"-e", dir + "/NoSuch", "shots"}).status, 1);
    EXPECT_FALSE(testsupport::Exists(dir + "/NoSuch"));

    std::filesystem::create_directories(dir + "/Plain");
    Result plain = Talvex({"-e", dir + "/Plain", "fields", "1"});
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("is not an experiment folder"), std::string::npos) << plain.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/Plain"));
    // The current folder (here the test's work folder) is never turned into an experiment.
    Result here = Talvex({"create", "1"});
    EXPECT_EQ(here.status, 1);
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/work"));

    // A folder named explicitly may become one by creating its first shot.
    EXPECT_EQ(Talvex({"-e", dir + "/Plain", "create", "1"}).status, 0);
    EXPECT_TRUE(testsupport::Exists(dir + "/Plain/Shots/Shot1"));
}

TEST_F(CliTest, TheExperimentComesFromTheOptionThenTheEnvironmentThenTheCurrentFolder)
{
    const std::string expected = InExp({"fields", "1001"}).out;
    setenv("TALVEX_EXPERIMENT", exp.c_str(), 1);
    EXPECT_EQ(Talvex({"fields", "1001"}).out, expected);
    Result other = Talvex({"fields", "1001", "-e", testsupport::TestDir() + "/Nowhere"});
    EXPECT_EQ(other.status, 1);
    unsetenv("TALVEX_EXPERIMENT");
    ASSERT_EQ(chdir((exp + "/Shots").c_str()), 0);
    EXPECT_EQ(Talvex({"-e", "..", "fields", "1001"}).out, expected);
    ASSERT_EQ(chdir(exp.c_str()), 0);
    EXPECT_EQ(Talvex({"fields", "1001"}).out, expected);
}
