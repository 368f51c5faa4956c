// The node, server and path lists of the program settings file, and the MPI host file.
#include "Nodes.h"

#include "Core.h"
#include "DFile.h"
#include "FileSystem.h"
#include "Paths.h"

namespace {

/// The text of a section line before its first '=' (the whole line when it has none);
/// surrounding blanks are kept.
DString NamePart(const DString& line)
{
    return line.BeforeFirst('=', true);
}

bool IsBlank(const DString& name)
{
    return !name.Trim();
}

} // namespace

void GetNodes(DStringArray& nodes, int n)
{
    nodes.Clear();
    DStringArray lines = StIni.GetFullSection("Nodes");
    if (lines.Count() == 0)
        lines.Add(GetComputerNameD() + "=Node");
    for (int i = 0; i < lines.Count(); ++i) {
        DString name = NamePart(lines[i]);
        if (!IsBlank(name))
            nodes.Add(name);
    }

    // Repeat the names in their order up to the requested count.
    const int listed = nodes.Count();
    const int target = n >= 1 ? n : listed;
    for (int i = 0; listed > 0 && nodes.Count() < target; ++i) {
        DString name = nodes[i % listed];
        nodes.Add(name);
    }

    // Before start-up there is no per-user folder, and the file would land anywhere.
    if (~GetUserPath())
        DFile::WriteLines(AppendPathElts(GetUserPath(), "MPIHosts.txt"), nodes);
}

void GetServers(DStringArray& servers)
{
    servers.Clear();
    const DString here = GetComputerNameD();
    DStringArray lines = StIni.GetFullSection("Servers");
    for (int i = 0; i < lines.Count(); ++i) {
        DString name = NamePart(lines[i]);
        if (!IsBlank(name) && !(name.Trim() %= here))
            servers.Add(name);
    }
}

void GetPaths(DStringArray& paths)
{
    paths.Clear();
    DStringArray lines = StIni.GetFullSection("Paths");
    for (int i = 0; i < lines.Count(); ++i)
        paths.Add(NamePart(lines[i]));
}
