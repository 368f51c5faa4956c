// Docs: the man page and the bash completion script, made from the commands' own help.
#ifndef TALVEX_CLI_DOCS_H
#define TALVEX_CLI_DOCS_H

#include <string>

namespace cli {

/// talvex(1) in roff (man macros): every command's help and the expression language.
std::string ManPage(const char* version);

/// A bash completion script for talvex: commands, their options, help topics, and shot names
/// (asked of talvex itself) where a command starts with SHOT.
std::string BashCompletion();

} // namespace cli

#endif
