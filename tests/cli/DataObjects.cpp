// Listing, dumping and importing data objects.
#include "CliFixture.h"

TEST_F(CliTest, DataListsEachObjectWithItsKindSizeAndExtremes)
{
    Result all = InExp({"data", "1001"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "Name   Kind       Size  Start  Step  Min  Max\n"
                       "beam   particles     2\n"
                       "grid   matrix      2x3                 1    6\n"
                       "probe  waveform      5      0   0.5    1    5\n");
    EXPECT_EQ(InExp({"data", "1001", "*.wvf", "--csv"}).out,
              "Name,Kind,Size,Start,Step,Min,Max\nprobe,waveform,5,0,0.5,1,5\n");
    EXPECT_EQ(InExp({"data", "1001", "x*"}).out, "Name  Kind  Size  Start  Step  Min  Max\n");
    testsupport::WriteBytes(exp + "/Shots/Shot1001/broken.wvf", "\x04\x00");
    EXPECT_NE(InExp({"data", "1001", "broken"}).out.find("broken  waveform  unreadable"),
              std::string::npos);
}

TEST_F(CliTest, DumpPrintsHeadersThenColumns)
{
    EXPECT_EQ(InExp({"dump", "1001", "probe", "--csv"}).out,
              "time,value\n0,1\n0.5,3\n1,2\n1.5,5\n2,4\n");
    EXPECT_EQ(InExp({"dump", "1001", "grid", "--csv"}).out, "row,10,10.5,11\n0,1,3,5\n1,2,4,6\n");
    EXPECT_EQ(InExp({"dump", "1001", "beam", "--csv"}).out,
              "x,y,c2,vx,vy,c5,c6,c7\n0,1,2,3,4,5,6,7\n10,11,12,13,14,15,16,17\n");

    Result plain = InExp({"dump", "1001", "probe"});
    EXPECT_EQ(plain.out.rfind("# shot: 1001\n# data: probe\n# kind: waveform\n# points: 5\n"
                              "# start: 0\n# step: 0.5\n# calibration: 1\n",
                              0),
              0u)
        << plain.out;
    EXPECT_NE(plain.out.find("\ntime\tvalue\n0\t1\n0.5\t3\n"), std::string::npos) << plain.out;
    // Another shot's object, named through the data name.
    EXPECT_EQ(InExp({"dump", "1001", "1002\\probe", "--csv"}).out,
              InExp({"dump", "1002", "probe", "--csv"}).out);
}

TEST_F(CliTest, ImportReadsWhatDumpWrites)
{
    Result dumped = InExp({"dump", "1001", "probe"});
    Result imported = InExp({"import", "1002", "copy", "-"}, dumped.out);
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(InExp({"dump", "1002", "copy", "--csv"}).out,
              InExp({"dump", "1001", "probe", "--csv"}).out);

    // One column of values with its own time base; an invalid value becomes an invalid sample.
    Result values = InExp(
        {"import", "1002", "probe", "-", "--force", "--step", "0.25", "--start", "-1"},
        "# from a logger\n2\n1e40\n3\n");
    EXPECT_EQ(values.status, 0) << values.err;
    EXPECT_EQ(InExp({"dump", "1002", "probe", "--csv"}).out,
              "time,value\n-1,2\n-0.75,-3.3e+38\n-0.5,3\n");
    EXPECT_EQ(InExp({"data", "1002", "--csv"}).out,
              "Name,Kind,Size,Start,Step,Min,Max\ncopy,waveform,5,0,0.5,1,5\n"
              "probe,waveform,3,-1,0.25,2,3\n");
}
