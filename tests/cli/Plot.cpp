// Plots: standalone SVG documents with one path per trace.
#include "CliFixture.h"

#include "Experiment.h"
#include "Paths.h"
#include "Waveform.h"

#include <cstdio>

namespace {

/// Runs python3's XML parser on the file: the number of trace paths (plus 100 for each path
/// that draws no trace), the legend texts and the title, or the parser's complaint.
std::string InspectSvg(const std::string& file)
{
    std::string script = testsupport::TestDir() + "/inspect.py";
    testsupport::WriteBytes(
        script, "import sys, xml.etree.ElementTree as E\n"
                "ns = '{http://www.w3.org/2000/svg}'\n"
                "root = E.parse(sys.argv[1]).getroot()\n"
                "paths = [p for p in root.iter(ns + 'path') if p.get('class') == 'trace']\n"
                "legend = [g for g in root.iter(ns + 'g') if g.get('class') == 'legend'][0]\n"
                "texts = [t.text for t in legend.iter(ns + 'text')]\n"
                "others = len(list(root.iter(ns + 'path'))) - len(paths)\n"
                "print(len(paths) + 100 * others, '|'.join(texts),\n"
                "      root.find(ns + 'title').text)\n");
    std::string command = "/usr/bin/python3 '" + script + "' '" + file + "' 2>&1";
    std::string result;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            result += buf;
        pclose(p);
    }
    return result;
}

} // namespace

TEST_F(CliTest, PlotWritesAWellFormedSvgWithOnePathPerTrace)
{
    if (!testsupport::Exists("/usr/bin/python3"))
        GTEST_SKIP() << "python3 is needed to parse the document";
    // A name that needs escaping, with invalid samples inside.
    ASSERT_EQ(InExp({"import", "1002", "a&b<c>", "-"}, "0 1\n1 nan\n2 3\n3 -1\n").status, 0);
    const std::string file = testsupport::TestDir() + "/plot.svg";
    Result run = InExp({"plot", "1001", "probe", "1002\\probe", "1002\\a&b<c>", "-o", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(InspectSvg(file), "3 1001 probe|1002 probe|1002 a&b<c> Shots 1001, 1002\n");

    // One shot: the legend names the data alone; without -o the document goes to the pipe.
    Result piped = InExp({"plot", "1001", "probe", "--title", "Probe & co"});
    testsupport::WriteBytes(file, piped.out);
    EXPECT_EQ(InspectSvg(file), "1 probe Probe & co\n");
}

namespace {

/// The axis titles (x|y|y2, y2 empty without a second axis), the legend box's corner or
/// "none", and how many traces use the second axis.
std::string InspectAxes(const std::string& file)
{
    std::string script = testsupport::TestDir() + "/axes.py";
    testsupport::WriteBytes(
        script, "import sys, xml.etree.ElementTree as E\n"
                "ns = '{http://www.w3.org/2000/svg}'\n"
                "root = E.parse(sys.argv[1]).getroot()\n"
                "label = {t.get('id'): t.text for t in root.iter(ns + 'text') if t.get('id')}\n"
                "legend = [g for g in root.iter(ns + 'g') if g.get('class') == 'legend']\n"
                "box = legend[0].find(ns + 'rect') if legend else None\n"
                "corner = 'none' if box is None else box.get('x') + ',' + box.get('y')\n"
                "y2 = [p for p in root.iter(ns + 'path') if p.get('data-axis') == 'y2']\n"
                "print(label.get('xlabel'), label.get('ylabel'), label.get('y2label', ''),\n"
                "      corner, len(y2), sep='|')\n");
    std::string command = "/usr/bin/python3 '" + script + "' '" + file + "' 2>&1";
    std::string result;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            result += buf;
        pclose(p);
    }
    return result;
}

} // namespace

TEST_F(CliTest, PlotLabelsItsAxesWithTheTracesUnitsOrTheGivenTexts)
{
    if (!testsupport::Exists("/usr/bin/python3"))
        GTEST_SKIP() << "python3 is needed to parse the document";
    // A trace whose file carries its units, and one a thousand times larger in other units.
    Waveform volts(3), amps(3);
    for (int i = 0; i < 3; ++i) {
        volts[i] = float(i);
        amps[i] = float(1000 * i);
    }
    volts.description = "units of V";
    amps.description = "units of A";
    volts.Scale();
    amps.Scale();
    ASSERT_TRUE(volts.Write(AppendPathElts(Expt.ShotFolder, "volts")));
    ASSERT_TRUE(amps.Write(AppendPathElts(Expt.ShotFolder, "amps")));

    const std::string file = testsupport::TestDir() + "/axes.svg";
    Result plain = InExp({"plot", "1001", "volts", "-o", file});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(InspectAxes(file), "time|V||781.00,58.00|0\n");
    // Mixed units on one axis are each named; a trace without units adds none.
    EXPECT_EQ(InExp({"plot", "1001", "volts", "amps", "probe", "-o", file}).status, 0);
    EXPECT_EQ(InspectAxes(file).substr(0, 14), "time|V, A||781");

    Result labelled = InExp({"plot", "1001", "volts", "--y2", "amps", "--xlabel", "t (s)",
                             "--ylabel", "U & more", "--legend", "bottom-left", "-o", file});
    EXPECT_EQ(labelled.status, 0) << labelled.err;
    EXPECT_EQ(InspectAxes(file), "t (s)|U & more|A|98.00,428.00|1\n");
    EXPECT_EQ(InExp({"plot", "1001", "probe", "--legend", "none", "-o", file}).status, 0);
    EXPECT_EQ(InspectAxes(file), "time|value||none|0\n");
}

TEST_F(CliTest, PlotRefusesAnOutputThatIsNotSvgAndUnknownPlaces)
{
    const std::string dir = testsupport::TestDir();
    Result png = InExp({"plot", "1001", "probe", "-o", dir + "/plot.png"});
    EXPECT_EQ(png.status, 1);
    EXPECT_EQ(png.err, "talvex: output file '" + dir
                           + "/plot.png' must end in .svg: plot writes SVG documents\n");
    EXPECT_FALSE(testsupport::Exists(dir + "/plot.png"));
    EXPECT_EQ(InExp({"plot", "1001", "probe", "-o", dir + "/plot.SVG"}).status, 0);

    Result place = InExp({"plot", "1001", "probe", "--legend", "middle", "-o", dir + "/p.svg"});
    EXPECT_EQ(place.status, 1);
    EXPECT_EQ(place.err, "talvex: unknown legend place 'middle'; give top-right, top-left, "
                         "bottom-right, bottom-left or none\n");
}
