// CommandLine: the options and arguments of one command, checked against what it accepts.
#include "CommandLine.h"
#include "Console.h"

#include <cctype>

namespace cli {

const OptionSpec kCommonOptions[2] = {{"experiment", 'e', true}, {"help", 'h', false}};

bool LooksLikeOption(const std::string& arg)
{
    if (arg.size() < 2 || arg[0] != '-')
        return false;
    return !(std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.');
}

CommandLine::CommandLine(const std::string& command, const std::vector<std::string>& argv,
                         const std::vector<OptionSpec>& accepted)
    : command(command), options(accepted)
{
    options.insert(options.end(), std::begin(kCommonOptions), std::end(kCommonOptions));
    bool optionsEnded = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (optionsEnded || !LooksLikeOption(a)) {
            args.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool attached = false;
        const OptionSpec* spec = nullptr;
        if (a[1] == '-') {
            std::string name = a.substr(2);
            size_t eq = name.find('=');
            if (eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
                attached = true;
            }
            spec = Find(name, 0);
        } else {
            spec = Find(std::string(), a[1]);
            if (spec && a.size() > 2) {
                value = a.substr(2);
                attached = true;
            }
        }
        if (!spec)
            Fail("unknown option " + a + " for '" + command + "'; see 'talvex " + command
                 + " --help'");
        std::string shown = std::string("--") + spec->name;
        if (spec->takesValue && !attached) {
            if (i + 1 >= argv.size())
                Fail("option " + shown + " needs a value");
            value = argv[++i];
        } else if (!spec->takesValue && attached) {
            Fail("option " + shown + " takes no value");
        }
        given.push_back({spec->name, value});
    }
}

const OptionSpec* CommandLine::Find(const std::string& name, char letter) const
{
    for (const OptionSpec& o : options) {
        if (letter ? o.letter == letter : name == o.name)
            return &o;
    }
    return nullptr;
}

bool CommandLine::Has(const char* name) const
{
    for (const Given& g : given) {
        if (g.name == name)
            return true;
    }
    return false;
}

std::string CommandLine::Value(const char* name) const
{
    std::string value;
    for (const Given& g : given) {
        if (g.name == name)
            value = g.value;
    }
    return value;
}

std::vector<std::string> CommandLine::Values(const char* name) const
{
    std::vector<std::string> values;
    for (const Given& g : given) {
        if (g.name == name)
            values.push_back(g.value);
    }
    return values;
}

void CommandLine::ExpectArgs(size_t min, size_t max, const char* usage) const
{
    if (args.size() < min)
        Fail("too few arguments; usage: talvex " + std::string(usage));
    if (args.size() > max)
        Fail("unexpected argument " + Quoted(args[max]) + "; usage: talvex " + usage);
}

} // namespace cli
