// ExpressionHelp: the text of 'talvex help expressions'.
#ifndef TALVEX_CLI_EXPRESSIONHELP_H
#define TALVEX_CLI_EXPRESSIONHELP_H

#include <string>

namespace cli {

/// The expression language and every trace-parameter code. Taken from the library's own
/// description when the build found it (generated from the evaluator's tables), else the
/// tool's summary.
std::string ExpressionHelp();

} // namespace cli

#endif
