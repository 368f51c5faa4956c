// A normal run of a plug-in module: the argument's fields and rules, the flags, the status
// suffixes, the reports of a failed run and the exit status.
#include "RunnerFixture.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Arg(const std::string& module, const std::string& folder, const std::string& shot,
                const std::string& argument, const std::string& flags)
{
    return module + ";" + folder + ";" + shot + ";" + argument + ";" + flags;
}

} // namespace

TEST_F(RunnerTest, PluginReceivesItsArgumentWithBangsAsBlanks)
{
    Outcome r = Run(Arg("Echo", exp, "S1", "alpha!beta", "").c_str());
    EXPECT_EQ(r.status, 0);
    // Only the status line is printed, without a suffix once the shot is being set.
    EXPECT_EQ(r.out, "Echo 129 mode 0 rank 0 of 1 [alpha beta]\n");
}

TEST_F(RunnerTest, ShotGetsALeadingStarOnlyWhenItHasNone)
{
    EXPECT_EQ(Run(Arg("Echo", exp, "S1", "", "").c_str()).status, 0);
    EXPECT_TRUE(fs::is_directory(exp + "/Shots/ShotS1"));
    // Both forms reuse the existing shot instead of refusing it.
    EXPECT_EQ(Run(Arg("Echo", exp, "S1", "", "").c_str()).status, 0);
    EXPECT_EQ(Run(Arg("Echo", exp, "*S1", "", "").c_str()).status, 0);
    EXPECT_FALSE(fs::exists(exp + "/Shots/Shot*S1"));
    EXPECT_FALSE(fs::exists(exp + "/Shots/Shot**S1"));
}

TEST_F(RunnerTest, ClosingBracketsInTheFolderAreBackslashes)
{
    std::string folder = exp;
    for (char& c : folder) {
        if (c == '/')
            c = ']';
    }
    Outcome r = Run(Arg("Echo", folder, "B7", "", "").c_str());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::is_directory(exp + "/Shots/ShotB7"));
}

TEST_F(RunnerTest, VerbosePrintsEveryNotificationWithoutSuffixesAfterSetUp)
{
    Outcome quiet = Run(Arg("Echo", exp, "S1", "1:shown 2:said 7:boxed", "").c_str());
    EXPECT_EQ(quiet.out, "Echo 129 mode 0 rank 0 of 1 [1:shown 2:said 7:boxed]\n");

    Outcome loud = Run(Arg("Echo", exp, "S1", "1:shown 2:said 7:boxed", "v").c_str());
    EXPECT_EQ(loud.out,
              "shown\nsaid\nboxed\nEcho 129 mode 0 rank 0 of 1 [1:shown 2:said 7:boxed]\n");
}

TEST_F(RunnerTest, MissingPluginFailsWithStatus255)
{
    Outcome quiet = Run(Arg("Nowhere", exp, "S1", "x", "").c_str());
    EXPECT_EQ(quiet.status, 255);
    EXPECT_EQ(quiet.out, "Could not connect to Nowhere\n");

    Outcome loud = Run(Arg("Nowhere", exp, "S1", "x", "v").c_str());
    EXPECT_EQ(loud.status, 255);
    EXPECT_EQ(loud.out, "Could not load module: Nowhere\nCould not connect to Nowhere\n");
}

TEST_F(RunnerTest, ShotThatCannotBeSetFailsWithStatus255)
{
    // No experiment folder at all, then a shot name that is not one folder name.
    Outcome none = Run(Arg("Echo", "", "S1", "", "").c_str());
    EXPECT_EQ(none.status, 255);
    EXPECT_TRUE(HasLine(none.out, "Could not set shot to "));
    EXPECT_FALSE(HasLine(none.out, "Echo"));

    Outcome bad = Run(Arg("Echo", exp, "a/b", "", "").c_str());
    EXPECT_EQ(bad.status, 255);
    EXPECT_TRUE(HasLine(bad.out, "Could not set shot to "));
}

TEST_F(RunnerTest, SilentRunCreatesNoSettingsFile)
{
    EXPECT_EQ(Run(Arg("Echo", exp, "S1", "", "x").c_str()).status, 0);
    EXPECT_FALSE(fs::exists(UserFile("Talvex.ini")));
    EXPECT_EQ(Run(Arg("Echo", exp, "S1", "", "").c_str()).status, 0);
    EXPECT_TRUE(fs::exists(UserFile("Talvex.ini")));
}

TEST_F(RunnerTest, LoggingFlagTracesTheRunAndTheNotifications)
{
    // Flag letters are case-sensitive: "L" and "V" are none.
    Outcome unflagged = Run(Arg("Echo", exp, "S1", "2:note", "LV").c_str());
    EXPECT_EQ(unflagged.out, "Echo 129 mode 0 rank 0 of 1 [2:note]\n");
    EXPECT_FALSE(HasLine(testsupport::ReadBytes(UserFile("Log.txt")), "calling code"));

    EXPECT_EQ(Run(Arg("Echo", exp, "S1", "2:note", "l").c_str()).status, 0);
    std::string log = testsupport::ReadBytes(UserFile("Log.txt"));
    EXPECT_TRUE(HasLine(log, "calling code with argument 2:note by "));
    // Notifications are logged whether printed or not, with their code.
    EXPECT_TRUE(HasLine(log, "note (2) by "));
    EXPECT_TRUE(HasLine(log, "Echo 129 mode 0 rank 0 of 1 [2:note] (31) by "));
}
