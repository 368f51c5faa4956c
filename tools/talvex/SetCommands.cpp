// The commands over sets of shots (shots, eval, list) and the backup of a shot.
#include "Commands.h"
#include "Console.h"
#include "DataConstants.h"
#include "EvalExplain.h"
#include "Experiment.h"
#include "ExpressionCheck.h"
#include "FileSystem.h"
#include "Paths.h"
#include "Session.h"
#include "ShotSets.h"
#include "Table.h"
#include "WriteCheck.h"

namespace cli {

namespace {

/// What the library's checker refuses, and what it lets through that the evaluator would only
/// report once for every shot (a missing bracket) or cannot take (its internal marker bytes).
void CheckExpressionText(const std::string& expr)
{
    ExpressionIssue issue;
    if (!::CheckExpression(DString(expr.c_str()), issue) && issue.IsError())
        FailIssue(issue.message);
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
    cl.ExpectArgs(0, 1, "shots [SPEC] [--list NAME] [--source PATH] [--data NAME] [--where COND]");
    Format format = TableFormat(cl);
    CheckWhere(cl);
    OpenExperiment(cl);
    // Dates and comments come from the cache files, read once; the file date is probed only
    // for a shot without a Date field.
    std::vector<ShotRef> shots = SelectShots(cl, cl.Arg(0), false);
    DStringArray names, wanted, values;
    DArray<int> groups;
    for (const ShotRef& s : shots) {
        names.Add(s.name);
        groups.Add(s.group);
    }
    wanted.Add("Date");
    wanted.Add("Comment");
    Expt.GetShotSetFields(names, groups, wanted, values);
    Table table({"Shot", "Group", "Date", "Comment"});
    table.AlignRight(1);
    for (size_t i = 0; i < shots.size(); ++i) {
        const ShotRef& s = shots[i];
        const DString& date = values[int(2 * i)];
        std::string shown = ~date ? IsoDate(date) : IsoDate(ShotDate(s));
        table.Add({Str(s.name), std::to_string(s.group), shown, Str(values[int(2 * i + 1)])});
    }
    Out(table.Text(format));
    return 0;
}

int RunEval(const CommandLine& cl)
{
    cl.ExpectArgs(1, 2,
                  "eval EXPR [SPEC] [-x EXPR]... [--list NAME] [--source PATH] [--data NAME]");
    Format format = TableFormat(cl);
    std::vector<std::string> exprs = {cl.Arg(0)};
    for (const std::string& e : cl.Values("expr"))
        exprs.push_back(e);
    for (const std::string& e : exprs)
        CheckExpressionText(e);
    CheckWhere(cl);
    OpenExperiment(cl);
    std::vector<ShotRef> shots = SelectShots(cl, cl.Arg(1));

    bool why = cl.Has("why");
    std::vector<std::string> headings = {"Shot"};
    headings.insert(headings.end(), exprs.begin(), exprs.end());
    if (why)
        headings.push_back("Why");
    Table table(headings);
    for (size_t c = 1; c <= exprs.size(); ++c)
        table.AlignRight(c);
    std::vector<Explanation> explanations;
    for (size_t i = 0; why && i < exprs.size(); ++i)
        explanations.push_back(PrepareExplanation(exprs[i]));
    Progress progress(int(shots.size()), "evaluating shot");
    for (const ShotRef& s : shots) {
        std::vector<std::string> row = {Str(s.name)};
        std::vector<std::string> reasons;
        bool selected = Expt.SetShot(s.name, s.group);
        for (size_t i = 0; i < exprs.size(); ++i) {
            float v = selected ? Expt.GetScalarData(DString(exprs[i].c_str())) : -DFMax;
            row.push_back(IsVF(v) ? Number(v) : format == Format::Aligned ? "(undefined)" : "");
            if (why && !IsVF(v))
                ExplainUndefined(explanations[i], selected, reasons);
        }
        if (why) {
            std::string cell;
            for (const std::string& r : reasons)
                cell += (cell.empty() ? "" : "; ") + r;
            row.push_back(cell);
        }
        table.Add(row);
        progress.Step();
    }
    Out(table.Text(format));
    return 0;
}

int RunList(const CommandLine& cl)
{
    const char* usage = "list save|merge NAME [SPEC|-]... [--list OTHER] [--source PATH] "
                        "[--data NAME] [--where COND]";
    cl.ExpectArgs(2, size_t(-1), usage);
    std::string action = cl.Arg(0);
    if (action != "save" && action != "merge")
        Fail("unknown list action " + Quoted(action) + "; usage: talvex " + usage);
    std::string name = ListName(cl.Arg(1));
    if (cl.Args().size() < 3 && !cl.Has("list"))
        Fail("give the shots to " + action + ": SPEC or --list OTHER");
    CheckWhere(cl);
    OpenExperiment(cl);
    std::vector<std::string> specs(cl.Args().begin() + 2, cl.Args().end());
    std::vector<ShotRef> shots = SelectShots(cl, specs);
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
