// The node, server and path lists of the program settings file and the MPI host file.
#include "TestSupport.h"

#include "Core.h"
#include "FileSystem.h"
#include "Nodes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class NodesTest : public ::testing::Test {
protected:
    void SetUp() override { CoreInit(testsupport::TestDir().c_str()); }

    static void Section(const char* name, std::vector<const char*> lines)
    {
        DStringArray a;
        for (const char* line : lines)
            a.Add(line);
        StIni.SetFullSection(name, a);
    }

    static std::vector<std::string> Names(const DStringArray& a)
    {
        std::vector<std::string> v;
        for (int i = 0; i < a.Count(); ++i)
            v.push_back(a[i].c_str());
        return v;
    }

    static std::string HostFile()
    {
        return testsupport::ReadBytes(std::string(GetUserPath().c_str()) + "/MPIHosts.txt");
    }

    typedef std::vector<std::string> Strings;
};

} // namespace

TEST_F(NodesTest, WithoutANodesSectionThisComputerIsTheOnlyNode)
{
    DStringArray nodes;
    nodes.Add("stale");
    GetNodes(nodes, 0);
    EXPECT_EQ(Names(nodes), Strings {GetComputerNameD().c_str()});
    EXPECT_EQ(HostFile(), GetComputerNameD().c_str());

    GetNodes(nodes, 3);
    std::string name = GetComputerNameD().c_str();
    EXPECT_EQ(HostFile(), name + "\r\n" + name + "\r\n" + name);
}

TEST_F(NodesTest, NamesRepeatInOrderUpToTheCountAndAreNeverCut)
{
    Section("Nodes", {"A=8 cores", "B", "=orphan", "  ", " C "});
    DStringArray nodes;
    GetNodes(nodes, 7);
    EXPECT_EQ(Names(nodes), (Strings {"A", "B", " C ", "A", "B", " C ", "A"}));
    EXPECT_EQ(HostFile(), "A\r\nB\r\n C \r\nA\r\nB\r\n C \r\nA");

    GetNodes(nodes, 2);
    EXPECT_EQ(Names(nodes), (Strings {"A", "B", " C "}));
    GetNodes(nodes, -1);
    EXPECT_EQ(Names(nodes), (Strings {"A", "B", " C "}));

    // Only blank names: no nodes at all, however many are asked for.
    Section("Nodes", {"=x", " = y"});
    GetNodes(nodes, 4);
    EXPECT_EQ(nodes.Count(), 0);
    EXPECT_EQ(HostFile(), "");
}

TEST_F(NodesTest, ServersLeaveOutThisComputerInAnyCase)
{
    DString here = GetComputerNameD();
    DString upper = here;
    upper.ToUpper();
    DString lower = here;
    lower.ToLower();
    Section("Servers", {"db1=primary", upper.c_str(), ("  " + lower + " =x").c_str(), "=y", "db2"});
    DStringArray servers;
    servers.Add("stale");
    GetServers(servers);
    EXPECT_EQ(Names(servers), (Strings {"db1", "db2"}));
}

TEST_F(NodesTest, PathsKeepEveryLineIncludingBlankNames)
{
    Section("Paths", {"D:\\data=main", "=unnamed", "/srv/archive"});
    DStringArray paths;
    GetPaths(paths);
    EXPECT_EQ(Names(paths), (Strings {"D:\\data", "", "/srv/archive"}));

    StIni.DeleteSection("Paths");
    GetPaths(paths);
    EXPECT_EQ(paths.Count(), 0);
}
