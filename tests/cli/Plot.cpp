// Plots: standalone SVG documents with one path per trace.
#include "CliFixture.h"

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
