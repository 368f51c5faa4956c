// CommandLine: the options and arguments of one command, checked against what it accepts.
#ifndef TALVEX_CLI_COMMANDLINE_H
#define TALVEX_CLI_COMMANDLINE_H

#include <string>
#include <vector>

namespace cli {

/// One option a command accepts: `--name` and, when letter is not 0, `-letter`.
struct OptionSpec {
    const char* name;
    char letter;
    bool takesValue;
};

/// The options every command accepts: -e/--experiment DIR and -h/--help.
extern const OptionSpec kCommonOptions[2];

/// True when an argument is an option: it starts with '-' and is neither "-" nor a negative
/// number (so values such as -5 stay arguments).
bool LooksLikeOption(const std::string& arg);

/// The parsed arguments of one command. `--` ends the options; `--name=value`, `--name value`,
/// `-lvalue` and `-l value` give a value. Unknown options, missing values and values given to
/// flags fail.
class CommandLine {
public:
    CommandLine(const std::string& command, const std::vector<std::string>& args,
                const std::vector<OptionSpec>& options);

    const std::string& Command() const { return command; }
    bool Has(const char* name) const;
    /// The last value given for the option; empty when it was not given.
    std::string Value(const char* name) const;
    /// Every value given for the option, in order.
    std::vector<std::string> Values(const char* name) const;
    const std::vector<std::string>& Args() const { return args; }
    /// The argument at i, or empty when there are fewer.
    std::string Arg(size_t i) const { return i < args.size() ? args[i] : std::string(); }
    /// Fails unless there are between min and max arguments; usage is shown in the message.
    void ExpectArgs(size_t min, size_t max, const char* usage) const;

private:
    struct Given {
        std::string name;
        std::string value;
    };

    const OptionSpec* Find(const std::string& name, char letter) const;

    std::string command;
    std::vector<OptionSpec> options;
    std::vector<Given> given;
    std::vector<std::string> args;
};

} // namespace cli

#endif
