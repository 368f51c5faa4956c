// ExpressionLanguage: the evaluator's functions and the help text generated from the tables.
#include "ExpressionLanguage.h"

#include "TraceParamTable.h"

#include <cstdio>

namespace {

ExpressionFunction const kFunctions[] = {
    {"sin", "sine (radians)"},
    {"cos", "cosine (radians)"},
    {"tan", "tangent (radians)"},
    {"log", "natural logarithm"},
    {"exp", "e to the power"},
    {"atn", "arc tangent (radians)"},
    {"bol", "the value; for a field holding True or False: 1 or 0"},
};

int const kFunctionCount = int(sizeof kFunctions / sizeof kFunctions[0]);

char const kLanguage[] =
    "EXPRESSIONS\n"
    "An expression gives one number for a shot, or is undefined for it.\n"
    "\n"
    "Operands\n"
    "  2.5  1e5  -3      numbers (a leading minus is a sign)\n"
    "  Gain  [Gain]      a numeric field of the shot (Scalars.ini); [Gain] may stand anywhere\n"
    "  vcap\\mx           parameter mx of data object vcap of the shot (codes below)\n"
    "  vcap\\tv[0.5]      a parameter with an argument; vcap\\tv(0.5) is the same\n"
    "  1002\\vcap\\mx      a data object of another shot\n"
    "  >\\vcap\\mx         of the next shot; <\\vcap\\mx of the previous one; >2\\ and <3\\\n"
    "                    count further\n"
    "  @fit\\mx           an object held in memory by a running module (@ names)\n"
    "\n"
    "Operators, from the loosest binding to the tightest\n"
    "  c?a?b             a when c is a field holding True or is greater than 0, else b;\n"
    "                    c?a alone is undefined when c does not hold\n"
    "  a::b              a, or b when a is undefined\n"
    "  a+b  a-b          sums, left to right\n"
    "  a*b  a/b          products, left to right (x/0 is undefined)\n"
    "  a^b               power, left to right: 2^3^2 is 64; -2^2 is -4\n"
    "  (a)  fn(a)        grouping and functions\n"
    "Blanks are not skipped: they belong to the name they stand in ('a + b' is one name).\n"
    "Values carry eight significant digits between steps.\n"
    "\n"
    "Functions (three letters, case ignored)\n";

char const kConditions[] =
    "\n"
    "SHOT CONDITIONS (--where)\n"
    "A condition selects the shots for which it is true.\n"
    "  A == B  A != B  A < B  A <= B  A > B  A >= B\n"
    "                    compare two expressions; == and != compare the values as printed\n"
    "                    with eight significant digits\n"
    "  Operator == 'A. Smith'\n"
    "                    a text field against a quoted text ('...' or \"...\"), case ignored\n"
    "  Comment ~ 'calib*'\n"
    "                    a text field matching a wildcard (* and ?), case ignored\n"
    "  vcap\\mx           an expression alone: true when defined and greater than 0\n"
    "  !C  C && D  C || D  (C)\n"
    "                    not, and, or (&& binds tighter than ||)\n"
    "A comparison with an operand undefined for a shot is unknown; !unknown is unknown;\n"
    "false && unknown is false, true || unknown is true. A shot is kept only when the whole\n"
    "condition is true. Example: '[Bt] == 2.5 && ip\\mx > 1e5'\n";

DString Line(char const* format, char const* a, char const* b)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return DString(buffer);
}

DString KindsText(unsigned kinds)
{
    DString s;
    if (kinds & ParamWaveform)
        s += "W";
    if (kinds & ParamXY)
        s += "X";
    if (kinds & ParamMatrix)
        s += "M";
    if (kinds & ParamParticles)
        s += "P";
    return s;
}

DString CodeLines()
{
    DString s =
        "\nParameter codes (data\\code; case ignored; W waveform, X also for a waveform paired\n"
        "with another, M matrix, P particle group; [argument] in the data's own units)\n";
    for (int i = 0; i < DataParamCodeCount(); ++i) {
        DataParamCode const& c = GetDataParamCode(i);
        DString code = c.code;
        if (*c.argument)
            code += DString("[") + c.argument + "]";
        s += Line("  %-14s", code.c_str(), "");
        s += Line("%-5s%s\n", KindsText(c.kinds).c_str(), c.meaning);
    }
    return s;
}

} // namespace

int ExpressionFunctionCount()
{
    return kFunctionCount;
}

ExpressionFunction const& GetExpressionFunction(int i)
{
    return kFunctions[i < 0 ? 0 : i >= kFunctionCount ? kFunctionCount - 1 : i];
}

ExpressionFunction const* FindExpressionFunction(DString const& name)
{
    for (ExpressionFunction const& f : kFunctions) {
        if (name %= f.name)
            return &f;
    }
    return nullptr;
}

DString ExpressionLanguageHelp()
{
    DString s = kLanguage;
    for (ExpressionFunction const& f : kFunctions)
        s += Line("  %s(x)            %s\n", f.name, f.meaning);
    s += CodeLines();
    s += kConditions;
    return s;
}
