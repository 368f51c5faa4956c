// The commands over sets of shots (shots, eval, list) and the backup of a shot.
#include "Commands.h"
#include "Console.h"
#include "DataConstants.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Paths.h"
#include "Session.h"
#include "ShotSets.h"
#include "Table.h"
#include "WriteCheck.h"

namespace cli {

namespace {

/// Brackets and parentheses must pair up: the evaluator reports a missing partner once for
/// every shot, and only as a message.
void CheckExpression(const std::string& expr)
{
    if (expr.empty())
        Fail("empty expression");
    int brackets = 0, parentheses = 0;
    for (unsigned char c : expr) {
        if (c < 0x20 || c == 0x7f || c >= 0xC9)
            Fail("expression " + Quoted(expr) + " holds a character that expressions do not use");
        brackets += c == '[' ? 1 : c == ']' ? -1 : 0;
        parentheses += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (brackets < 0 || parentheses < 0)
            break;
    }
    if (brackets != 0)
        Fail("unmatched bracket in expression " + Quoted(expr));
    if (parentheses != 0)
        Fail("unmatched parenthesis in expression " + Quoted(expr));
}

std::string Shots(size_t n)
{
    return std::to_string(n) + (n == 1 ? " shot" : " shots");
}

} // namespace

int RunShots(const CommandLine& cl)
{
    cl.ExpectArgs(0, 1, "shots [SPEC] [--list NAME] [--source PATH] [--data NAME] [--csv]");
    OpenExperiment(cl);
    std::vector<ShotRef> shots = SelectShots(cl, cl.Arg(0));
    Table table({"Shot", "Group", "Date", "Comment"});
    table.AlignRight(1);
    Progress progress(int(shots.size()), "reading shots");
    for (const ShotRef& s : shots) {
        DString date, comment;
        if (Expt.SetShot(s.name, s.group)) {
            date = CurrentField("Date");
            comment = CurrentField("Comment");
        }
        if (!date && s.date > 0)
            date = DString(static_cast<__int64>(s.date));
        table.Add({Str(s.name), std::to_string(s.group), Str(date), Str(comment)});
        progress.Step();
    }
    Out(table.Text(cl.Has("csv")));
    return 0;
}

int RunEval(const CommandLine& cl)
{
    cl.ExpectArgs(1, 2,
                  "eval EXPR [SPEC] [-x EXPR]... [--list NAME] [--source PATH] [--data NAME]");
    std::vector<std::string> exprs = {cl.Arg(0)};
    for (const std::string& e : cl.Values("expr"))
        exprs.push_back(e);
    for (const std::string& e : exprs)
        CheckExpression(e);
    OpenExperiment(cl);
    std::vector<ShotRef> shots = SelectShots(cl, cl.Arg(1));

    bool csv = cl.Has("csv");
    std::vector<std::string> headings = {"Shot"};
    headings.insert(headings.end(), exprs.begin(), exprs.end());
    Table table(headings);
    for (size_t c = 1; c < headings.size(); ++c)
        table.AlignRight(c);
    Progress progress(int(shots.size()), "evaluating shot");
    for (const ShotRef& s : shots) {
        std::vector<std::string> row = {Str(s.name)};
        bool selected = Expt.SetShot(s.name, s.group);
        for (const std::string& e : exprs) {
            float v = selected ? Expt.GetScalarData(DString(e.c_str())) : -DFMax;
            row.push_back(IsVF(v) ? Number(v) : csv ? "" : "(undefined)");
        }
        table.Add(row);
        progress.Step();
    }
    Out(table.Text(csv));
    return 0;
}

int RunList(const CommandLine& cl)
{
    const char* usage = "list save|merge NAME [SPEC] [--list OTHER] [--source PATH] [--data NAME]";
    cl.ExpectArgs(2, 3, usage);
    std::string action = cl.Arg(0);
    if (action != "save" && action != "merge")
        Fail("unknown list action " + Quoted(action) + "; usage: talvex " + usage);
    std::string name = ListName(cl.Arg(1));
    if (cl.Args().size() < 3 && !cl.Has("list"))
        Fail("give the shots to " + action + ": SPEC or --list OTHER");
    OpenExperiment(cl);
    std::vector<ShotRef> shots = SelectShots(cl, cl.Arg(2));
    if (shots.empty())
        Fail("no shots match; shot list " + Quoted(name) + " is left as it was");

    DStringArray names;
    DArray<int> groups;
    for (const ShotRef& s : shots) {
        names.Add(s.name);
        groups.Add(s.group);
    }
    CreateFolder(AppendPathElts(Expt.ExperimentFolder, "ShotLists"));
    DString file = ListFile(name);
    if (action == "save") {
        CheckedWrite("cannot write shot list " + Quoted(name), [&] {
            Expt.SaveShotList((name + ".txt").c_str(), names, groups);
            return true;
        });
        if (!FileExists(file))
            Fail("cannot write shot list " + Quoted(name));
        Out("saved " + Shots(shots.size()) + " as list " + name + "\n");
        return 0;
    }
    CheckedWrite("cannot write shot list " + Quoted(name), [&] {
        Expt.MergeShotList(name.c_str(), (name + ".txt").c_str(), names, groups);
        return true;
    });
    int added = 0;
    for (int i = 0; i < groups.Count(); ++i)
        added += groups[i] >= 0;
    if (added > 0 && !FileExists(file))
        Fail("cannot write shot list " + Quoted(name));
    Out("added " + std::to_string(added) + " of " + Shots(shots.size()) + " to list " + name
        + "\n");
    return 0;
}

int RunBackup(const CommandLine& cl)
{
    cl.ExpectArgs(1, 1, "backup SHOT");
    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));
    if (!Expt.GetBackupShotFolder())
        Fail("no backup folder for shot " + Quoted(shot.name));
    // The folder to print is the one this process claimed: another backup running at once
    // takes the next free name.
    CheckedWrite("could not back up shot " + Quoted(shot.name), [&] {
        Expt.BackupShot();
        return ~Expt.GetLastBackupFolder();
    });
    DString made = Expt.GetLastBackupFolder();
    if (!FolderExists(made))
        Fail("could not back up shot " + Quoted(shot.name) + " to "
             + Quoted(Expt.GetLastBackupFolder()));
    Out(Str(Expt.GetLastBackupFolder()) + "\n");
    return 0;
}

} // namespace cli
