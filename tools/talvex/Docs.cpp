// Docs: the man page and the bash completion script, made from the commands' own help.
#include "Docs.h"
#include "Commands.h"
#include "ExpressionHelp.h"

#include <cstring>
#include <set>

namespace cli {

namespace {

/// Text as roff shows it literally: backslashes and dashes escaped, no line taken for a
/// request.
std::string Roff(const std::string& text)
{
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\''))
            out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

/// Lines kept as they are (no filling), for help texts laid out by hand.
std::string Verbatim(const std::string& text)
{
    return ".nf\n" + Roff(text) + (text.empty() || text.back() == '\n' ? "" : "\n") + ".fi\n";
}

std::string GeneralFooter()
{
    std::string help = GeneralHelp();
    size_t end = help.find("\n\nThe experiment");
    return end == std::string::npos ? std::string() : help.substr(end + 2);
}

std::string OptionWords(const CommandInfo& c)
{
    std::string words = "--experiment -e --help -h";
    for (const OptionSpec& o : c.options) {
        words += std::string(" --") + o.name;
        if (o.letter)
            words += std::string(" -") + o.letter;
    }
    return words;
}

} // namespace

std::string ManPage(const char* version)
{
    std::string page = std::string(".TH TALVEX 1 \"\" \"TalvexCore ") + version
                       + "\" \"User Commands\"\n"
                         ".SH NAME\n"
                         "talvex \\- look at and change the shots of an experiment\n"
                         ".SH SYNOPSIS\n"
                         ".B talvex\n"
                         "[\\fB\\-e\\fR \\fIDIR\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR] "
                         "[\\fIOPTIONS\\fR]\n.br\n"
                         ".B talvex\n"
                         "\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR | \\fBhelp\\fR "
                         "[\\fICOMMAND\\fR | \\fBexpressions\\fR]\n"
                         ".SH DESCRIPTION\n"
                       + Verbatim(GeneralFooter()) + ".SH COMMANDS\n";
    for (const CommandInfo& c : Commands()) {
        std::string usage = c.usage;
        for (char& ch : usage)
            ch = ch == '\n' ? ' ' : ch;
        page += ".SS " + Roff(std::string(c.name) + " " + usage) + "\n";
        page += Verbatim(std::string(c.summary) + ".\n\n" + c.help);
    }
    page += ".SH EXPRESSIONS\n" + Verbatim(ExpressionHelp());
    page += ".SH ENVIRONMENT\n.TP\n.B TALVEX_EXPERIMENT\n"
            "The experiment folder when \\fB\\-e\\fR is not given.\n"
            ".SH EXIT STATUS\n0 on success; 1 after an error, reported as one line on standard "
            "error.\n";
    return page;
}

std::string BashCompletion()
{
    std::string commands;
    std::string cases;
    std::string shotFirst;
    std::string valued = "--completion";
    std::set<std::string> seen;
    for (const CommandInfo& c : Commands()) {
        for (const OptionSpec& o : c.options) {
            std::string words = std::string("--") + o.name;
            if (o.letter)
                words += std::string("|-") + o.letter;
            if (o.takesValue && seen.insert(words).second)
                valued += "|" + words;
        }
        commands += (commands.empty() ? "" : " ") + std::string(c.name);
        cases += std::string("    ") + c.name + ") opts='" + OptionWords(c) + "' ;;\n";
        if (std::strncmp(c.usage, "SHOT", 4) == 0)
            shotFirst += (shotFirst.empty() ? "" : "|") + std::string(c.name);
    }
    return "# bash completion for talvex, made by 'talvex --completion bash'.\n"
           "_talvex() {\n"
           "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "  local cmd='' exp=() i args=0\n"
           "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "    case ${COMP_WORDS[i]} in\n"
           "      -e|--experiment) exp=(-e \"${COMP_WORDS[i+1]}\"); ((i++)) ;;\n"
           "      "
           + valued
           + ") ((i++)) ;;\n"
             "      -*) ;;\n"
             "      *) if [[ -z $cmd ]]; then cmd=${COMP_WORDS[i]}; else ((args++)); fi ;;\n"
             "    esac\n"
             "  done\n"
             "  case $prev in\n"
             "    -e|--experiment|--source) COMPREPLY=($(compgen -d -- \"$cur\")); return ;;\n"
             "    -o|--output) COMPREPLY=($(compgen -f -X '!*.svg' -- \"$cur\") "
             "$(compgen -d -- \"$cur\")); return ;;\n"
             "    --legend) COMPREPLY=($(compgen -W 'top-right top-left bottom-right bottom-left "
             "none' -- \"$cur\")); return ;;\n"
             "  esac\n"
             "  local opts='--experiment -e --help -h --version'\n"
             "  case $cmd in\n"
             "    '') [[ $cur == -* ]] || opts='"
           + commands
           + " help'\n"
             "        COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\")); return ;;\n"
             "    help) COMPREPLY=($(compgen -W '"
           + commands + " expressions' -- \"$cur\")); return ;;\n" + cases
           + "  esac\n"
             "  if [[ $cur == -* ]]; then\n"
             "    COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))\n"
             "  elif [[ $cmd == list && $args == 0 ]]; then\n"
             "    COMPREPLY=($(compgen -W 'save merge' -- \"$cur\"))\n"
           + (shotFirst.empty()
                  ? std::string()
                  : "  elif [[ $args == 0 && $cmd == @(" + shotFirst
                        + ") ]]; then\n"
                          "    COMPREPLY=($(compgen -W \"$(talvex \"${exp[@]}\" shots "
                          "--csv 2>/dev/null | tail -n +2 | cut -d, -f1)\" -- "
                          "\"$cur\"))\n")
           + "  else\n"
             "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
             "  fi\n"
             "}\n"
             "complete -F _talvex talvex\n";
}

} // namespace cli
