// ExpressionCheck: finds the first fault of an expression.
#include "ExpressionCheck.h"

#include "Experiment.h"

bool CheckExpression(DString const& expr, ExpressionIssue& issue, Experiment* experiment)
{
    (void)experiment;
    issue = ExpressionIssue();
    if (expr.Len() == 0) {
        issue.kind = ExpressionIssue::Syntax;
        issue.position = 0;
        issue.message = "empty expression";
        return false;
    }
    return true;
}
