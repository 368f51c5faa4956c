// EvalExplain: the operands of an expression, and why an expression has no value for a shot.
#ifndef TALVEX_CLI_EVALEXPLAIN_H
#define TALVEX_CLI_EVALEXPLAIN_H

#include <string>
#include <vector>

namespace cli {

/// The operands of an evaluator expression that name something of a shot, in order and
/// without repeats: fields ('Peak', '[V(out)]') and data parameters ('probe\mx',
/// 'probe\tv([Level]/2)', '>\probe\19'). Numbers and function names are left out.
std::vector<std::string> ExpressionOperands(const std::string& expr);

/// What explaining an expression's missing value needs: its operands, and a close name the
/// library's checker suggests for a field or data object that no shot holds.
struct Explanation {
    std::string expr;
    std::vector<std::string> operands;
    std::string unknown;    ///< the name the checker did not find, or empty
    std::string suggestion; ///< its suggestion for that name, or empty
};

/// The operands of expr, and the checker's suggestion against the current experiment.
Explanation PrepareExplanation(const std::string& expr);

/// Adds to reasons (without repeats) why the expression has no value for the current shot:
/// each operand that has none ("no field 'Gain'", "no data object 'probe2' (did you mean
/// 'probe'?)", "'probe\tv(9)' has no value"), or, when every operand has one, that the
/// expression's arithmetic has none.
void ExplainUndefined(const Explanation& e, bool shotSelected, std::vector<std::string>& reasons);

} // namespace cli

#endif
