// The C interface for expressions: checks, shot conditions, selection of shots and the help text.
#include "TalvexC.h"

#include "ApiSupport_p.h"
#include "Experiment.h"
#include "ExpressionCheck.h"
#include "ExpressionLanguage.h"
#include "LastFailure.h"
#include "FileSystem.h"
#include "Paths.h"
#include "ShotCondition.h"

using api::Guard;
using api::GuardVoid;
using api::Put;
using api::TextOut;

namespace {

/// The source of GetShotSet that stands for a shot list or a range.
char const kShotList[] = "(Shot list)";

/// The current experiment, for name look-ups; null when none is open.
Experiment* OpenExperiment()
{
    return Expt.ShotPaths.Count() > 0 ? &Expt : nullptr;
}

int Report(ExpressionIssue const& issue, int* position, int* len, char* out)
{
    Put(position, issue.kind == ExpressionIssue::None ? -1 : issue.position);
    TextOut(issue.FullMessage(), len, out);
    return int(issue.kind);
}

bool HasWildcard(DString const& s)
{
    return s.FindFirstOf("*?") != int(npos);
}

/// The shots `spec` names, as the command-line tool names a set.
void CollectSet(DString const& spec, DStringArray& shots, DArray<int>& groups)
{
    DString const pattern = spec.Len() > 0 ? spec : DString("*");
    if (pattern.Find(':') != int(npos)) {
        Expt.GetShotSet(kShotList, pattern, DString(), shots, groups);
        return;
    }
    DString list = AppendPathElts(Expt.ExperimentFolder, "ShotLists", pattern + ".txt");
    if (!HasWildcard(pattern) && FileExists(list)) {
        Expt.GetShotSet(kShotList, pattern, DString(), shots, groups);
        return;
    }
    for (int g = 0; g < Expt.ShotPaths.Count(); ++g) {
        bool repeated = false;
        for (int h = 0; h < g; ++h)
            repeated = repeated || PathsEqual(Expt.ShotPaths[h], Expt.ShotPaths[g]);
        if (repeated)
            continue;
        DStringArray names;
        DArray<int> numbers;
        Expt.GetShotSet(Expt.ShotPaths[g], pattern, DString(), names, numbers);
        for (int i = 0; i < names.Count(); ++i) {
            shots.Add(names[i]);
            groups.Add(numbers[i]);
        }
    }
}

} // namespace

int CheckExpressionC(const char* expr, int* position, int* len, char* out)
{
    return Guard("CheckExpressionC", int(ExpressionIssue::Syntax), [&] {
        ExpressionIssue issue;
        CheckExpression(DString(expr), issue, OpenExperiment());
        return Report(issue, position, len, out);
    });
}

int CheckConditionC(const char* condition, int* position, int* len, char* out)
{
    return Guard("CheckConditionC", int(ExpressionIssue::Syntax), [&] {
        ExpressionIssue issue;
        ShotCondition c;
        c.Parse(DString(condition), issue, OpenExperiment());
        return Report(issue, position, len, out);
    });
}

int SelectShotsC(const char* spec, const char* where, int* len, char* out)
{
    return Guard("SelectShotsC", -1, [&] {
        if (!OpenExperiment()) {
            SetLastFailure(1, "no experiment is open");
            TextOut(DString(), len, out);
            return -1;
        }
        ShotCondition condition;
        ExpressionIssue issue;
        DString const condText(where);
        if (condText.Len() > 0 && !condition.Parse(condText, issue)) {
            SetLastFailure(1, issue.FullMessage());
            TextOut(DString(), len, out);
            return -1;
        }
        DStringArray shots;
        DArray<int> groups;
        CollectSet(DString(spec), shots, groups);
        condition.Filter(Expt, shots, groups);
        DString text;
        for (int i = 0; i < shots.Count(); ++i)
            text += shots[i] + "\n";
        TextOut(text, len, out);
        return shots.Count();
    });
}

void GetExpressionHelpC(int* len, char* out)
{
    GuardVoid("GetExpressionHelpC", [&] { TextOut(ExpressionLanguageHelp(), len, out); });
}
