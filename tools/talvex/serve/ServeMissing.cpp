// ServeMissing: `talvex serve` in a build without the HTTP server (configured with
// TALVEX_SERVE off, as the Windows build is).
#include "ServeCommand.h"

#include "../Console.h"

namespace cli {

namespace {

int RunServe(const CommandLine&)
{
    Fail("this build of talvex has no web server (it was configured with TALVEX_SERVE=OFF)");
}

} // namespace

const CommandInfo kServeCommand = {"serve",
                                   "[--port N] [--bind ADDR] [--token T]",
                                   "Serve the experiment over HTTP (not in this build)",
                                   "This build of talvex was made without the web server.\n",
                                   {{"port", 'p', true}, {"bind", 0, true}, {"token", 0, true}},
                                   RunServe};

} // namespace cli
