// Data names: file names of every form, shot offsets, listings and data marks.
#include "EvaluatorFixture.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

using DataNamesTest = ShotDataTest;

TEST_F(DataNamesTest, FileNamesOfEveryForm)
{
    EXPECT_EQ(S(Expt.GetDataFileName("probe")), N(ShotDir() + "/probe"));
    EXPECT_EQ(S(Expt.GetDataFileName("Run0099\\probe")), N(ShotDir("Run0099") + "/probe"));
    // Only '\' separates on Windows: there "Run0099/probe" is one name in the current shot.
    EXPECT_EQ(S(Expt.GetDataFileName("Run0099/probe")), testsupport::kWindows
                                                            ? ShotDir() + "\\Run0099/probe"
                                                            : ShotDir("Run0099") + "/probe");
    EXPECT_EQ(S(Expt.GetDataFileName("\\probe")), N(ShotDir() + "/probe"));
    EXPECT_EQ(S(Expt.GetDataFileName(".\\Calib\\c1")), N(exp + "/Calib/c1"));
    EXPECT_EQ(S(Expt.GetDataFileName("..\\Calib\\c1")), N(data + "/Calib/c1"));
    if (!testsupport::kWindows) { // only '\' separates there: "./" is no prefix
        EXPECT_EQ(S(Expt.GetDataFileName("./Calib/c1")), N(exp + "/Calib/c1"));
    }
    EXPECT_EQ(S(Expt.GetDataFileName(N(data + "/Elsewhere/c2").c_str())),
              N(data + "/Elsewhere/c2"));
    EXPECT_EQ(S(Expt.GetDataFileName("\\\\nohost\\share\\c3")),
              S(Expt.FullPath("\\\\nohost\\share\\c3")));

    Expt.SetShotData("Chan", "3");
    EXPECT_EQ(S(Expt.GetDataFileName("probe[Chan]")), N(ShotDir() + "/probe3"));
    EXPECT_EQ(S(Expt.GetDataFileName("Run0099\\![Chan]x")), N(ShotDir("Run0099") + "/3x"));
}

TEST_F(DataNamesTest, UnresolvableNamesGiveNoFile)
{
    for (char const* name : {"", "Run0098\\probe", "[Missing]x", "[Missing]", "Run0099\\", "\\",
                             "a\\b\\probe", ">\\probe"}) {
        EXPECT_EQ(S(Expt.GetDataFileName(name)), "") << name;
    }
    Expt.SetExperimentFolder(exp.c_str()); // no current shot
    EXPECT_EQ(S(Expt.GetDataFileName("probe")), "");
    EXPECT_EQ(S(Expt.GetDataFileName("Run0099\\probe")), N(ShotDir("Run0099") + "/probe"));
}

TEST_F(DataNamesTest, OffsetMarksBecomeShotNames)
{
    EXPECT_EQ(S(Expt.CleanDataFileName(">\\probe")), "Run0101\\probe");
    EXPECT_EQ(S(Expt.CleanDataFileName("<2\\probe")), "Run0098\\probe");
    EXPECT_EQ(S(Expt.CleanDataFileName("<\\probe")), "Run0099\\probe");
    EXPECT_EQ(S(Expt.CleanDataFileName(">12\\probe")), "Run0112\\probe");
    EXPECT_EQ(S(Expt.CleanDataFileName("<0\\probe")), "Run0100\\probe");
    EXPECT_EQ(S(Expt.CleanDataFileName(">x\\probe")), "probe");
    EXPECT_EQ(S(Expt.CleanDataFileName("other\\probe")), "other\\probe");
    EXPECT_EQ(S(Expt.CleanDataFileName("probe")), "probe");
    EXPECT_EQ(S(Expt.CleanDataFileName("")), "");
    EXPECT_EQ(S(Expt.CleanDataFileName("<-2147483648\\p")), "Run0100\\p"); // out of range
    EXPECT_EQ(S(Expt.CleanDataFileName(">2147483647\\p")), "Run0100\\p");
}

TEST_F(DataNamesTest, ListingsGiveDataNames)
{
    for (char const* f : {"probe.wvf", "Scope.wvf", "grid.dmt"})
        WriteBytes(N(ShotDir("Run0099") + "/") + f, "x");
    WriteBytes(N(ShotDir() + "/here.wvf"), "x");

    DStringArray names;
    Expt.GetDataFileNames("Run0099\\*", names, true);
    ASSERT_EQ(names.Count(), 3);
    EXPECT_EQ(S(names[0]), "Run0099\\grid");
    EXPECT_EQ(S(names[1]), "Run0099\\probe");
    EXPECT_EQ(S(names[2]), "Run0099\\Scope");

    // Appending leaves what the caller held as it was.
    names.Clear();
    names.Add("keep.me");
    Expt.GetDataFileNames("*.wvf", names, false);
    ASSERT_EQ(names.Count(), 2);
    EXPECT_EQ(S(names[0]), "here");
    EXPECT_EQ(S(names[1]), "keep.me");

    Expt.GetDataFileNames("Run0098\\*", names, true);
    EXPECT_EQ(names.Count(), 2);
    Expt.GetDataFileNames("[Missing]*", names, true);
    EXPECT_EQ(names.Count(), 2);
}

TEST_F(DataNamesTest, DataMarksGoToTheObject)
{
    WriteRamp("probe", 10.0f);
    WriteMatrix("grid", 2, 2);
    WriteMatrix("dot", 1, 1);
    std::string const dot = ReadBytes(N(ShotDir() + "/dot.dmt"));
    std::string const fields = ReadBytes(N(ShotDir() + "/Scalars.ini"));

    Expt.SetScalarData("probe\\t2", 1.5f);
    Expt.SetScalarData("probe\\T5", 2.5f);
    Expt.SetScalarData("grid\\t3", 4.5f);
    Expt.SetScalarData("dot\\t1", 9.0f); // a single element is no data mark target
    for (char const* ignored : {"probe\\t6", "probe\\t0", "probe\\x", "probe\\t12", "probe\\t",
                                "gone\\t1", "\\t1", "probe\\tt1"})
        Expt.SetScalarData(ignored, 7.0f);

    Waveform const w = ReadWave(N(ShotDir() + "/probe"));
    EXPECT_EQ(w.t2, 1.5f);
    EXPECT_EQ(w.t5, 2.5f);
    EXPECT_EQ(w.t1, 0.0f);
    EXPECT_EQ(w.npnts(), 101);
    Matrix m;
    ASSERT_TRUE(m.Read((N(ShotDir() + "/grid")).c_str()));
    EXPECT_EQ(m.t3, 4.5f);
    EXPECT_EQ(ReadBytes(N(ShotDir() + "/dot.dmt")), dot);
    EXPECT_EQ(ReadBytes(N(ShotDir() + "/Scalars.ini")), fields);
    EXPECT_FALSE(testsupport::Exists(N(ShotDir() + "/gone.wvf")));
}

TEST_F(DataNamesTest, DamagedObjectsAreNeverRewritten)
{
    WriteRamp("probe", 10.0f);
    std::string const whole = ReadBytes(N(ShotDir() + "/probe.wvf"));
    std::string const cut = whole.substr(0, whole.size() - 8);
    WriteBytes(N(ShotDir() + "/probe.wvf"), cut);
    Expt.SetScalarData("probe\\t1", 3.0f);
    EXPECT_EQ(ReadBytes(N(ShotDir() + "/probe.wvf")), cut);

    WriteMatrix("grid", 3, 3);
    std::string const grid = ReadBytes(N(ShotDir() + "/grid.dmt"));
    std::string const gridCut = grid.substr(0, grid.size() - 4);
    WriteBytes(N(ShotDir() + "/grid.dmt"), gridCut);
    Expt.SetScalarData("grid\\t1", 3.0f);
    EXPECT_EQ(ReadBytes(N(ShotDir() + "/grid.dmt")), gridCut);
}
