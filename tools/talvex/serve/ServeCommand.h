// ServeCommand: `talvex serve`, the experiment over HTTP and in a browser page.
#ifndef TALVEX_SERVE_SERVECOMMAND_H
#define TALVEX_SERVE_SERVECOMMAND_H

#include "../Commands.h"

namespace cli {

/// The entry of `serve` in the command table.
extern const CommandInfo kServeCommand;

} // namespace cli

#endif
