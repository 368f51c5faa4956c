// A run of the Dorvel module: its selection by name, its entry points and its input file name.
#include "RunnerFixture.h"

#include <filesystem>

class DorvelTest : public RunnerTest {
protected:
    void SetUp() override
    {
        RunnerTest::SetUp();
        Install(TALVEX_TEST_DORVEL_PROBE, std::string("Dorvel") + testsupport::kModuleExtension);
    }

    /// The probe's report: "<entry>|<program folder>|<input file>".
    static std::string Called(const std::string& entry, const std::string& folder,
                              const std::string& file)
    {
        return entry + "|" + folder + "|" + file + "\n";
    }

    static std::string N(const std::string& path) { return testsupport::Native(path); }
};

TEST_F(DorvelTest, InputFileNameRules)
{
    struct Case {
        const char* module;
        std::string field;
        std::string passed;
    };
    const Case cases[] = {
        // A bare name lies in the experiment's "Dorvel" folder and gets ".cir"; the module
        // name is compared ignoring case.
        {"Dorvel", "circuit", N(exp + "/Dorvel/circuit.cir")},
        {"dORVEL", "circuit", N(exp + "/Dorvel/circuit.cir")},
        {"Dorvel", "deck.net", N(exp + "/Dorvel/deck.net")},
        // A drive letter and an extension: passed as given ("]" is a backslash in field 1 only).
        {"Dorvel", "C:\\sim\\deck.cir", "C:\\sim\\deck.cir"},
        {"Dorvel", "C:]sim]deck.cir", "C:]sim]deck.cir"},
        // Another absolute path stays where it is, and still gets ".cir" (a leading '/' is
        // absolute only where '/' separates).
        testsupport::kWindows ? Case {"Dorvel", "\\\\srv\\decks\\deck", "\\\\srv\\decks\\deck.cir"}
                              : Case {"Dorvel", "/data/decks/deck", "/data/decks/deck.cir"},
    };
    for (const Case& c : cases) {
        Outcome r = Run((std::string(c.module) + ";" + exp + ";S1;" + c.field + ";").c_str());
        EXPECT_EQ(r.status, 0) << c.field;
        EXPECT_EQ(r.out, Called("RunDorvel", bin, c.passed)) << c.field;
    }
}

TEST_F(DorvelTest, MpiFormIsChosenByFlagM)
{
    Outcome m = Run(("Dorvel;" + exp + ";S1;circuit;m").c_str());
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.out, Called("RunDorvelMPI", bin, N(exp + "/Dorvel/circuit.cir")));

    Outcome b = Run(("Dorvel;" + exp + ";S1;circuit;b").c_str());
    EXPECT_EQ(b.status, 0);
    EXPECT_EQ(b.out, Called("RunDorvel", bin, N(exp + "/Dorvel/circuit.cir")));
}

TEST_F(DorvelTest, FailureIsReportedAsErrorRunningDorvel)
{
    Outcome quiet = Run(("Dorvel;" + exp + ";S1;fail;").c_str());
    EXPECT_EQ(quiet.status, 255);
    EXPECT_EQ(quiet.out, Called("RunDorvel", bin, N(exp + "/Dorvel/fail.cir")));

    Outcome loud = Run(("Dorvel;" + exp + ";S1;fail;v").c_str());
    EXPECT_EQ(loud.status, 255);
    EXPECT_TRUE(HasLine(loud.out, "Error running Dorvel"));
}

TEST_F(DorvelTest, MissingModuleIsReportedAsErrorRunningDorvel)
{
    std::filesystem::remove(bin + "/Dorvel" + testsupport::kModuleExtension);
    Outcome r = Run(("Dorvel;" + exp + ";S1;circuit;v").c_str());
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Could not load module: Dorvel\nError running Dorvel\n");
}
