// A run of the Dorvel module: its selection by name, its entry points and its input file name.
#include "RunnerFixture.h"

class DorvelTest : public RunnerTest {
protected:
    void SetUp() override
    {
        RunnerTest::SetUp();
        Install(TALVEX_TEST_DORVEL_PROBE, "Dorvel.so");
    }

    /// The probe's report: "<entry>|<program folder>|<input file>".
    static std::string Called(const std::string& entry, const std::string& folder,
                              const std::string& file)
    {
        return entry + "|" + folder + "|" + file + "\n";
    }
};

TEST_F(DorvelTest, BareNameLiesInTheExperimentsDorvelFolderWithCirAdded)
{
    for (const char* module : {"Dorvel", "dorvel", "DORVEL"}) {
        Outcome r = Run((std::string(module) + ";" + exp + ";S1;circuit;").c_str());
        EXPECT_EQ(r.status, 0) << module;
        EXPECT_EQ(r.out, Called("RunDorvel", bin, exp + "/Dorvel/circuit.cir")) << module;
    }
}

TEST_F(DorvelTest, NameWithExtensionKeepsIt)
{
    Outcome r = Run(("Dorvel;" + exp + ";S1;deck.net;").c_str());
    EXPECT_EQ(r.out, Called("RunDorvel", bin, exp + "/Dorvel/deck.net"));
}

TEST_F(DorvelTest, AbsoluteNameIsNotMovedIntoTheExperiment)
{
    // A drive letter and an extension: passed exactly as given.
    Outcome drive = Run(("Dorvel;" + exp + ";S1;C:]sim]deck.cir;").c_str());
    EXPECT_EQ(drive.out, Called("RunDorvel", bin, "C:]sim]deck.cir"));
    Outcome driveBackslash = Run(("Dorvel;" + exp + ";S1;C:\\sim\\deck.cir;").c_str());
    EXPECT_EQ(driveBackslash.out, Called("RunDorvel", bin, "C:\\sim\\deck.cir"));

    // A native absolute path stays where it is, and still gets ".cir" without an extension.
    Outcome native = Run(("Dorvel;" + exp + ";S1;/data/decks/deck;").c_str());
    EXPECT_EQ(native.out, Called("RunDorvel", bin, "/data/decks/deck.cir"));
}

TEST_F(DorvelTest, MpiFormIsChosenByFlagM)
{
    Outcome m = Run(("Dorvel;" + exp + ";S1;circuit;m").c_str());
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.out, Called("RunDorvelMPI", bin, exp + "/Dorvel/circuit.cir"));

    Outcome b = Run(("Dorvel;" + exp + ";S1;circuit;b").c_str());
    EXPECT_EQ(b.status, 0);
    EXPECT_EQ(b.out, Called("RunDorvel", bin, exp + "/Dorvel/circuit.cir"));
}

TEST_F(DorvelTest, FailureIsReportedAsErrorRunningDorvel)
{
    Outcome quiet = Run(("Dorvel;" + exp + ";S1;fail;").c_str());
    EXPECT_EQ(quiet.status, 255);
    EXPECT_EQ(quiet.out, Called("RunDorvel", bin, exp + "/Dorvel/fail.cir"));

    Outcome loud = Run(("Dorvel;" + exp + ";S1;fail;v").c_str());
    EXPECT_EQ(loud.status, 255);
    EXPECT_TRUE(HasLine(loud.out, "Error running Dorvel"));
}

TEST_F(DorvelTest, MissingModuleIsReportedAsErrorRunningDorvel)
{
    std::filesystem::remove(bin + "/Dorvel.so");
    Outcome r = Run(("Dorvel;" + exp + ";S1;circuit;v").c_str());
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Could not load module: Dorvel\nError running Dorvel\n");
}
