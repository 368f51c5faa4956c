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

/// Adds to reasons (without repeats) why expr has no value for the current shot: each operand
/// that has none ("no field 'Gain'", "no data object 'probe2'", "'probe\tv(9)' has no value"),
/// or, when every operand has one, that the expression's arithmetic has none.
void ExplainUndefined(const std::string& expr, const std::vector<std::string>& operands,
                      bool shotSelected, std::vector<std::string>& reasons);

} // namespace cli

#endif
