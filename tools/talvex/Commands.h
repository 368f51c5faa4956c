// Commands: the commands of the tool, each with its usage, help text and accepted options.
#ifndef TALVEX_CLI_COMMANDS_H
#define TALVEX_CLI_COMMANDS_H

#include "CommandLine.h"

#include <string>
#include <vector>

namespace cli {

struct CommandInfo {
    const char* name;
    /// Arguments and options after the name, for usage lines.
    const char* usage;
    /// One line for the list of commands.
    const char* summary;
    /// What `talvex NAME --help` adds below the usage line.
    const char* help;
    std::vector<OptionSpec> options;
    int (*run)(const CommandLine&);
};

/// Every command, in the order the general help lists them.
const std::vector<CommandInfo>& Commands();

/// What `talvex --help` prints: the commands with their usage and summary.
std::string GeneralHelp();
/// What `talvex NAME --help` prints.
std::string CommandHelp(const CommandInfo& c);

// The commands; each returns the exit status or throws Failure.
int RunShots(const CommandLine& cl);
int RunFields(const CommandLine& cl);
int RunSet(const CommandLine& cl);
int RunUnset(const CommandLine& cl);
int RunData(const CommandLine& cl);
int RunEval(const CommandLine& cl);
int RunDump(const CommandLine& cl);
int RunPlot(const CommandLine& cl);
int RunImport(const CommandLine& cl);
int RunCreate(const CommandLine& cl);
int RunRename(const CommandLine& cl);
int RunDelete(const CommandLine& cl);
int RunBackup(const CommandLine& cl);
int RunList(const CommandLine& cl);

} // namespace cli

#endif
