// ShotCondition: a condition over one shot's fields and data, for selecting shots.
#ifndef TALVEX_SHOTCONDITION_H
#define TALVEX_SHOTCONDITION_H

#include "DArray.h"
#include "DString.h"
#include "DStringArray.h"
#include "ExpressionCheck.h"
#include "TalvexApi.h"

#include <memory>

class Experiment;

/// A parsed condition: comparisons of evaluator expressions (`==` `!=` `<` `<=` `>` `>=`), text
/// fields compared with quoted text or matched with a wildcard (`~`), bare expressions (true
/// when valid and greater than 0), joined with `&&`, `||`, `!` and parentheses. Absent operands
/// make a comparison unknown (three-valued logic). Copies share the parsed form.
///
/// Two numbers are equal when they are the same float or print alike with "%.8g" (the digits
/// the evaluator keeps), and `<=`/`>=` hold for them too. Texts compare ignoring ASCII case; a
/// wildcard has `*` and `?`. An empty or missing text field, like an expression without a
/// value (a bare one too), makes its comparison Unknown. `!` binds looser than a comparison,
/// `&&` tighter than `||`. A `<` or `>` followed by digits and `\` at the start of an operand
/// is a shot offset, not a comparison.
class TALVEX_API ShotCondition {
public:
    enum Truth { False = 0, True = 1, Unknown = -1 };

    ShotCondition();
    ~ShotCondition();
    ShotCondition(ShotCondition const& other);
    ShotCondition& operator=(ShotCondition const& other);

    /// Parses `text`; false with the first fault in `issue` (the condition is then empty).
    bool Parse(DString const& text, ExpressionIssue& issue);
    /// Parse that also looks up the names of fields and data objects in `experiment` (when not
    /// null): a name no shot holds is a fault too.
    bool Parse(DString const& text, ExpressionIssue& issue, Experiment* experiment);
    /// True when no condition was parsed: every shot is kept.
    bool IsEmpty() const;
    /// The text that was parsed.
    DString Text() const;

    /// The condition's truth for the current shot of `experiment`.
    Truth Evaluate(Experiment& experiment) const;

    /// Keeps the shots of a set (parallel arrays as GetShotSet fills them) for which the
    /// condition is True; the experiment's current shot is the same afterwards.
    void Filter(Experiment& experiment, DStringArray& shots, DArray<int>& groups,
                DArray<long long>* dates = nullptr) const;

    struct Node;

private:
    std::shared_ptr<const Node> root;
    DString text;
};

#endif
