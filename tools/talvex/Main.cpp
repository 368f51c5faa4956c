// talvex: look at and change the shots of an experiment from a shell.
#include "Commands.h"
#include "Console.h"
#include "Docs.h"
#include "ExpressionHelp.h"
#include "ShotSets.h"
#include "Table.h"
#include "serve/ServeCommand.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace cli {

namespace {

const char kGeneralHelp[] = "talvex: look at and change the shots of an experiment\n"
                            "\n"
                            "Usage: talvex [-e DIR] COMMAND [ARGUMENTS] [OPTIONS]\n"
                            "\n"
                            "Commands:\n";

const char kGeneralFooter[] =
    "\n"
    "The experiment is the folder given with -e DIR, else the folder named by the environment\n"
    "variable TALVEX_EXPERIMENT, else the current folder; it must exist and hold its settings\n"
    "file (NAME.ini) or a Shots folder. Tables are aligned for reading; --csv gives CSV and\n"
    "--json a JSON array of objects. Dates are shown as 2026-12-08 14:03:11.\n"
    "Errors are one line on standard error, with exit status 1; a command that fails changes\n"
    "nothing. Run 'talvex COMMAND --help' for the arguments and options of a command,\n"
    "'talvex help expressions' for expressions and conditions, and 'talvex --version' for\n"
    "the version of the library.\n";

const OptionSpec kCsv = kCsvOption;
const OptionSpec kJson = kJsonOption;

/// The options that may stand before the command, besides the common ones.
const std::vector<OptionSpec> kLeadingOptions = {
    {"version", 0, false}, {"man", 0, false}, {"completion", 0, true}};

std::vector<OptionSpec> SetOptionsAnd(std::vector<OptionSpec> more)
{
    more.insert(more.end(), kSetOptions.begin(), kSetOptions.end());
    return more;
}

} // namespace

std::string CommandHelp(const CommandInfo& c)
{
    std::string text = std::string("Usage: talvex ") + c.name + " " + c.usage + "\n\n" + c.summary
                       + ".\n\n" + c.help;
    text += "\nEvery command also takes -e DIR (--experiment DIR), the experiment folder, and "
            "-h (--help).\n";
    return text;
}

std::string GeneralHelp()
{
    std::string text = kGeneralHelp;
    for (const CommandInfo& c : Commands()) {
        std::string line = std::string("  ") + c.name + " " + c.usage;
        text += line + "\n      " + c.summary + "\n";
    }
    return text + kGeneralFooter;
}

namespace {

const CommandInfo* FindCommand(const std::string& name)
{
    for (const CommandInfo& c : Commands()) {
        if (name == c.name)
            return &c;
    }
    return nullptr;
}

/// What the options before any command ask for: help, the version, the man page or the
/// completion script.
int RunLeading(const std::vector<std::string>& rest)
{
    CommandLine leading("talvex", rest, kLeadingOptions);
    if (leading.Has("help")) {
        Out(GeneralHelp());
        return 0;
    }
    if (leading.Has("version")) {
        Out(std::string("talvex ") + TALVEX_VERSION + " (TalvexCore " + TALVEX_VERSION + ")\n");
        return 0;
    }
    if (leading.Has("man")) {
        Out(ManPage(TALVEX_VERSION));
        return 0;
    }
    if (leading.Has("completion")) {
        if (leading.Value("completion") != "bash")
            Fail("no completion for shell " + Quoted(leading.Value("completion"))
                 + "; 'bash' is known");
        Out(BashCompletion());
        return 0;
    }
    Fail("no command given; run 'talvex --help'");
}

int RunHelp(const std::string& topic)
{
    if (topic == "expressions" || topic == "expression" || topic == "conditions") {
        Out(ExpressionHelp());
        return 0;
    }
    const CommandInfo* c = topic.empty() ? nullptr : FindCommand(topic);
    if (!topic.empty() && !c)
        Fail("unknown command " + Quoted(topic) + "; run 'talvex --help'");
    Out(c ? CommandHelp(*c) : GeneralHelp());
    return 0;
}

int Run(const std::vector<std::string>& argv)
{
    // Options may come before the command: the first argument that is neither an option nor
    // the value of one names it.
    size_t at = 0;
    while (at < argv.size() && LooksLikeOption(argv[at]) && argv[at] != "--") {
        const std::string& a = argv[at];
        at += (a == "-e" || a == "--experiment" || a == "--completion") ? 2 : 1;
    }
    std::vector<std::string> rest(argv.begin(), argv.begin() + std::min(at, argv.size()));
    if (at >= argv.size())
        return RunLeading(rest);
    std::string name = argv[at];
    if (name == "help")
        return RunHelp(at + 1 < argv.size() ? argv[at + 1] : std::string());
    rest.insert(rest.end(), argv.begin() + at + 1, argv.end());
    const CommandInfo* command = FindCommand(name);
    if (!command)
        Fail("unknown command " + Quoted(name) + "; run 'talvex --help'");
    CommandLine cl(name, rest, command->options);
    if (cl.Has("help")) {
        Out(CommandHelp(*command));
        return 0;
    }
    return command->run(cl);
}

} // namespace

const std::vector<CommandInfo>& Commands()
{
    static const std::string shotsHelp =
        std::string("Prints one row per shot: its name, its group (the index of its shot path),\n"
                    "its Date field (or, when it has none, the date of its files) and its\n"
                    "Comment.\n\n")
        + kSetHelp;
    static const std::string evalHelp =
        std::string("Evaluates EXPR, and every further expression given with -x, for each shot\n"
                    "of the set: one row per shot, one column per expression. Operands are\n"
                    "numbers, shot fields ('Peak', '[Peak]'), and parameters of data objects\n"
                    "('probe\\mx' the maximum of waveform probe, 'probe\\19' its rise time,\n"
                    "'>\\probe\\mx' that of the next shot). A malformed expression, an unknown\n"
                    "function or an unknown trace-parameter code is an error. A shot without a\n"
                    "value shows '(undefined)' (in CSV an empty cell, in JSON null); --why adds\n"
                    "a column saying which operand had no value. The whole language and every\n"
                    "trace-parameter code: 'talvex help expressions'.\n\n")
        + kSetHelp;
    static const std::string listHelp =
        std::string("save writes the shots of the set as shot list NAME (ShotLists/NAME.txt,\n"
                    "replaced whole); merge adds those not yet in it. Either way the list is\n"
                    "left as it was when no shot matches. Several SPECs join their sets; '-'\n"
                    "reads shot names from standard input, one a line.\n\n")
        + kSetHelp;
    static const std::vector<CommandInfo> commands = {
        {"shots",
         "[SPEC] [--list NAME] [--source PATH] [--data NAME] [--where COND] [--csv|--json]",
         "List the shots of a set with their group, date and comment", shotsHelp.c_str(),
         SetOptionsAnd({kCsv, kJson}), RunShots},
        {"fields",
         "SHOT [--csv|--json]",
         "Show the fields of a shot",
         "Prints one row per field of the shot's Scalars.ini, in file order. SHOT is a shot name\n"
         "in any letter case; the shot is looked for in every shot path.\n",
         {kCsv, kJson},
         RunFields},
        {"set",
         "SHOT NAME VALUE",
         "Set a field of a shot",
         "Writes NAME=VALUE (blanks around VALUE removed) into the shot's Scalars.ini and into "
         "the\n"
         "cache of its shot path. The field Shot is the shot's name and cannot be set, and a\n"
         "shot's Comment cannot be its own name.\n",
         {},
         RunSet},
        {"unset",
         "SHOT NAME",
         "Remove a field of a shot",
         "Removes the field from the shot's Scalars.ini and from the cache of its shot path.\n",
         {},
         RunUnset},
        {"data",
         "SHOT [PATTERN] [--csv|--json]",
         "List the data objects of a shot",
         "Prints one row per data object (waveform .wvf, matrix .dmt, particles .dpt, geometry\n"
         ".dgm) whose name matches PATTERN (default *; an extension picks the kind): its kind, "
         "its\n"
         "size (points, rows x columns [x layers], particles or objects), and for waveforms the\n"
         "start time, the time step and the extremes of the valid samples, for matrices the\n"
         "extremes. An object that cannot be read shows 'unreadable'.\n",
         {kCsv, kJson},
         RunData},
        {"eval",
         "EXPR [SPEC] [-x EXPR]... [--list NAME] [--source PATH] [--data NAME] [--where COND] "
         "[--why] [--csv|--json]",
         "Evaluate expressions for each shot of a set", evalHelp.c_str(),
         SetOptionsAnd({kCsv, kJson, {"expr", 'x', true}, {"why", 0, false}}), RunEval},
        {"dump",
         "SHOT DATA [--csv|--json]",
         "Print the values of a data object",
         "DATA is a data name of the shot: 'probe', 'probe.dmt' (an extension picks the kind),\n"
         "'1002\\probe' (another shot), '>\\probe' (the next shot by number) or '.\\Query\\x'\n"
         "(beside the shots). Without an extension the first kind found is taken: waveform,\n"
         "matrix, particles, geometry. The plain form starts with '# key: value' header lines\n"
         "and separates columns with tabs; --csv gives the column names and the values only,\n"
         "--json an array of objects keyed by the column names.\n"
         "A waveform gives time and value columns; a matrix one line per row (axis 1) headed by\n"
         "the column coordinates (axis 2), with the row coordinate first and, for three axes,\n"
         "the layer coordinate before it; a particle group its 8 columns; a geometry set one line\n"
         "per object.\n",
         {kCsv, kJson},
         RunDump},
        {"plot",
         "SHOT DATA... [--y2 DATA]... [-o FILE.svg] [--title TEXT] [--xlabel TEXT] "
         "[--ylabel TEXT] [--y2label TEXT] [--legend PLACE]",
         "Draw waveforms as an SVG file",
         "Draws every DATA (data names as for dump; '1002\\probe' draws another shot's trace) on\n"
         "shared time and value axes, with a legend of the trace names and the shots in the\n"
         "title, or TEXT, in which ![field] and ![expression%format] take the shot's values.\n"
         "Each --y2 DATA is drawn against a second value axis on the right, for traces of a\n"
         "very different size. --xlabel and --ylabel (--y2label) name the axes; by default the\n"
         "value axes carry the traces' units where their files have them. --legend puts the\n"
         "legend top-right (default), top-left, bottom-right or bottom-left, or leaves it out\n"
         "(none). The SVG document goes to FILE, whose name must end in .svg (replaced whole),\n"
         "or, when the output is not a terminal, to standard output.\n",
         {{"output", 'o', true},
          {"title", 0, true},
          {"xlabel", 0, true},
          {"ylabel", 0, true},
          {"y2label", 0, true},
          {"y2", 0, true},
          {"legend", 0, true}},
         RunPlot},
        {"import",
         "SHOT DATA FILE [--step DT] [--start T0] [--force]",
         "Write a waveform from columns of text",
         "Reads FILE ('-': standard input): lines of one value, or of a time and a value, the\n"
         "fields separated by commas, semicolons, tabs or blanks. Lines starting with '#' and a\n"
         "first line of column names are skipped, so the output of dump reads back. Times must be\n"
         "evenly spaced; for one column, DT (default 1) and T0 (default 0) give them. A value\n"
         "that is not a valid sample is stored as invalid (-3.3e38). The shot's waveform DATA\n"
         "must not exist yet unless --force is given.\n",
         {{"step", 0, true}, {"start", 0, true}, {"force", 0, false}},
         RunImport},
        {"create",
         "SHOT [--comment TEXT]",
         "Create a new shot",
         "Creates the shot's folder in the shot path that the experiment's [ShotCreation] rules\n"
         "choose, and sets its Date field (and its Comment). A shot of that name must not exist.\n"
         "A folder named with -e or TALVEX_EXPERIMENT that is not an experiment yet becomes one;\n"
         "a new folder is made there when the folder holding it exists.\n",
         {{"comment", 0, true}},
         RunCreate},
        {"rename",
         "SHOT NEW",
         "Rename a shot",
         "Renames the shot's folder and its cache section; NEW must not name another shot.\n",
         {},
         RunRename},
        {"delete",
         "SHOT --yes",
         "Delete a shot and all its data",
         "Deletes the shot's folder with everything in it, and its cache section. Nothing is\n"
         "deleted without --yes.\n",
         {{"yes", 0, false}},
         RunDelete},
        {"backup",
         "SHOT",
         "Copy a shot into the experiment's backup folder",
         "Copies the shot's folder below the backup folder ([Backup] Path of the experiment's\n"
         "settings file, default ..\\Backup, or where its BackupLocation.ini points), mirroring\n"
         "its path; an earlier backup is never replaced: a new one gets _1, _2, ... added.\n"
         "Prints the folder of the new backup.\n",
         {},
         RunBackup},
        {"list",
         "save|merge NAME [SPEC|-]... [--list OTHER] [--source PATH] [--data NAME] [--where COND]",
         "Save a set as a shot list, or add it to one", listHelp.c_str(), SetOptionsAnd({}),
         RunList},
        kServeCommand,
    };
    return commands;
}

} // namespace cli

int main(int argc, char** argv)
{
#ifndef _WIN32
    // Without TZ the C library looks at the zone file again for every date it converts, a
    // file probe for each shot listed; naming the same default file lets it keep the zone.
    if (!std::getenv("TZ"))
        setenv("TZ", ":/etc/localtime", 0);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = 1;
    try {
        status = cli::Run(args);
    } catch (const cli::Failure& f) {
        std::fflush(stdout);
        std::fprintf(stderr, "talvex: %s\n", f.what());
        status = 1;
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fputs("talvex: out of memory\n", stderr);
        status = 1;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("talvex: cannot write the output\n", stderr);
        status = 1;
    }
    return status;
}
