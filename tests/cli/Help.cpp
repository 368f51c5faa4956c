// Help: every command explains itself, anywhere, without an experiment.
#include "CliFixture.h"

TEST_F(CliTest, EveryCommandHasHelpThatNeedsNoExperiment)
{
    const char* const commands[] = {"shots",  "fields", "set",    "unset",  "data",
                                    "eval",   "dump",   "plot",   "import", "create",
                                    "rename", "delete", "backup", "list"};
    // The test's work folder is not an experiment, and none is named.
    Result general = Talvex({"--help"});
    EXPECT_EQ(general.status, 0) << general.err;
    for (const char* name : commands) {
        EXPECT_NE(general.out.find(std::string("\n  ") + name + " "), std::string::npos) << name;
        Result help = Talvex({name, "--help"});
        EXPECT_EQ(help.status, 0) << name << help.err;
        EXPECT_EQ(help.err, "") << name;
        EXPECT_EQ(help.out.rfind(std::string("Usage: talvex ") + name + " ", 0), 0u) << help.out;
        EXPECT_EQ(Talvex({"help", name}).out, help.out) << name;
        EXPECT_EQ(Talvex({"-e", testsupport::TestDir() + "/Nowhere", name, "-h"}).out, help.out);
    }
    Result unknown = Talvex({"help", "frob"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "talvex: unknown command 'frob'; run 'talvex --help'\n");
    EXPECT_EQ(Talvex({}).err, "talvex: no command given; run 'talvex --help'\n");
}
