// ExpressionLanguage: the functions of the scalar expression language and its help text.
#ifndef TALVEX_EXPRESSIONLANGUAGE_H
#define TALVEX_EXPRESSIONLANGUAGE_H

#include "DString.h"
#include "TalvexApi.h"

/// One function of the evaluator: `name(expr)`.
struct TALVEX_API ExpressionFunction {
    /// Three letters, lower case (matched ignoring case).
    char const* name;
    /// What it gives, for a person.
    char const* meaning;
};

/// Number of functions of the evaluator.
TALVEX_API int ExpressionFunctionCount();
/// Function i (0 <= i < ExpressionFunctionCount()); the table is static.
TALVEX_API ExpressionFunction const& GetExpressionFunction(int i);
/// The function named `name` (case ignored); null when there is none.
TALVEX_API ExpressionFunction const* FindExpressionFunction(DString const& name);

/// The whole language for a person, as plain text lines: operands, operators and their
/// binding, functions, `?`, `::`, `[field]`, `data\code`, `>\` and `<\`, `@` objects, every
/// parameter code with its meaning and argument, and the shot conditions built on it.
TALVEX_API DString ExpressionLanguageHelp();

#endif
