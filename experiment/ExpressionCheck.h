// ExpressionCheck: what makes an expression or a shot condition unusable, found before evaluation.
#ifndef TALVEX_EXPRESSIONCHECK_H
#define TALVEX_EXPRESSIONCHECK_H

#include "DString.h"
#include "TalvexApi.h"

class Experiment;

/// One fault found in an expression or condition.
struct TALVEX_API ExpressionIssue {
    enum Kind {
        None = 0,        ///< nothing wrong
        Syntax,          ///< malformed: a dangling operator, an unbalanced bracket, ...
        UnknownFunction, ///< a name followed by '(' that is no function
        UnknownCode,     ///< `data\code` with a code that is no trace parameter
        UnknownField,    ///< `[name]` that no shot of the experiment holds
        UnknownData      ///< a data object that no shot of the experiment holds
    };
    Kind kind = None;
    /// 0-based offset of the offending text in the checked text; -1 when none.
    int position = -1;
    /// The offending text.
    DString text;
    /// One line for a person: "unknown trace-parameter code 'zz' at column 6 of 'vcap\zz'".
    DString message;
    /// A close known name ("did you mean"), or empty.
    DString suggestion;

    /// True for the kinds that make the text unusable for every shot (Syntax, UnknownFunction,
    /// UnknownCode); an unknown field or data object may still exist for some shot.
    bool IsError() const
    {
        return kind == Syntax || kind == UnknownFunction || kind == UnknownCode;
    }

    /// The message with the suggestion, as a person reads it: "...; did you mean 'mx'?".
    /// Empty when nothing is wrong.
    DString FullMessage() const
    {
        if (kind == None)
            return DString();
        if (suggestion.Len() == 0)
            return message;
        return message + "; did you mean '" + suggestion + "'?";
    }
};

/// Checks an expression of the evaluator: malformed text, functions and parameter codes first;
/// then, with an experiment, its field and data-object names (a name counts as known when the
/// current shot or any shot's ScalarCache.ini section holds the field, or the current shot or
/// one of the first 50 shots holds the data object). True when nothing was found; else false
/// with the first fault. Everything the evaluator reads passes, except texts whose operators
/// or signs it would silently drop or read as part of a name (`vcap\mx +`, `2 + 3`, `2*-x`,
/// `vcap\mx2`, `xsin(0)`).
TALVEX_API bool CheckExpression(DString const& expr, ExpressionIssue& issue,
                                Experiment* experiment = nullptr);

/// For an expression without a value for the current shot of `experiment`, one line saying
/// why: its first fault, or the first operand that is missing there ("field 'Gain' is missing",
/// "data object 'vcap' is missing", "'vcap\19' has no value"). Empty when it has a value.
TALVEX_API DString WhyUndefined(DString const& expr, Experiment& experiment);

#endif
