// The lists of compute nodes, servers and paths kept in the program settings file.
#ifndef TALVEX_NODES_H
#define TALVEX_NODES_H

#include "DStringArray.h"
#include "TalvexApi.h"

/// The names of section Nodes of Talvex.ini (this computer alone when the section has no
/// lines), repeated in order until there are `n` of them (n < 1: as listed; a shorter `n`
/// never cuts the list). Also writes them, one per line, to MPIHosts.txt in the per-user
/// folder, for an MPI launcher; a host file that cannot be written is ignored.
TALVEX_API void GetNodes(DStringArray& nodes, int n);

/// The names of section Servers of Talvex.ini, this computer excepted.
TALVEX_API void GetServers(DStringArray& servers);

/// The names of section Paths of Talvex.ini, blank ones included.
TALVEX_API void GetPaths(DStringArray& paths);

#endif
