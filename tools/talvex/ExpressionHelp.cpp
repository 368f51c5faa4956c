// ExpressionHelp: the text of 'talvex help expressions'.
//
// MERGE ADAPTER: the library describes its expression language with ExpressionLanguageHelp().
// tools/talvex/CMakeLists.txt looks for the header that declares it and passes its name as
// TALVEX_EXPRESSION_HELP_HEADER; without it the tool's own summary below is shown.
#include "ExpressionHelp.h"
#include "Console.h"

#ifdef TALVEX_EXPRESSION_HELP_HEADER
#include TALVEX_EXPRESSION_HELP_HEADER
#endif

namespace cli {

namespace {

#ifdef TALVEX_EXPRESSION_HELP_HEADER
std::string AsText(const DString& s)
{
    return Str(s);
}
[[maybe_unused]] std::string AsText(const std::string& s)
{
    return s;
}
[[maybe_unused]] std::string AsText(const char* s)
{
    return s ? s : "";
}
#else
const char kSummary[] =
    "Expressions\n"
    "\n"
    "An expression gives one number for a shot (single precision, eight digits). Blanks are\n"
    "not skipped: they belong to the operand they stand in, so write 'a+b', not 'a + b'.\n"
    "\n"
    "Operands\n"
    "  3.5, 1e-3         numbers\n"
    "  Peak, [V(out)]    the shot's field of that name (brackets allow any characters)\n"
    "  DATA\\CODE         a parameter of data object DATA of the shot: 'probe\\mx'\n"
    "  DATA\\CODE(ARG)    a parameter with an argument: 'probe\\tv(0.5)', 'probe\\tv([Level]/2)'\n"
    "  1002\\probe\\mx     the data object of another shot\n"
    "  >\\probe\\mx        that of the next shot by number; <\\probe\\mx the previous one\n"
    "  @name\\mx          an object held in the data cache\n"
    "  .\\Query\\x\\mx      a data object beside the shots\n"
    "\n"
    "Operators, from lowest to highest binding\n"
    "  C?A?B     A when C is greater than 0 (or a field holding True), else B\n"
    "  A::B      A, or B when A has no value\n"
    "  A+B A-B   sum and difference, left to right; a leading - negates\n"
    "  A*B A/B   product and quotient, left to right\n"
    "  A^B       power, left to right: 2^3^2 is 64\n"
    "  (A)       grouping\n"
    "\n"
    "Functions: sin cos tan log (natural) exp atn, and bol(FIELD): 1 when the field holds\n"
    "True, else 0.\n"
    "\n"
    "Waveform parameter codes (DATA\\CODE; codes ignore letter case)\n"
    "  t1 t2 t3 t4 t5  the time marks\n"
    "  st      start time            ft  end time\n"
    "  it      start without shift   ts  time shift              is  start base\n"
    "  pt      scope shift           su  scale unit              tp  time step\n"
    "  mx      maximum               mn  minimum                 tm  time of the maximum\n"
    "  tn      time of the minimum   cl  calibration             at  attenuation\n"
    "  bl      offset (baseline)     sv  scope value             av  mean\n"
    "  sd      standard deviation    in  integral                pi  peak of running integral\n"
    "  ri      radial integral       wa  weighted mean time      fh  full width at half max.\n"
    "  19      10-90 % rise time     28  20-80 % rise time\n"
    "  With an argument a:\n"
    "  vt(a)   value at time a       tv(a)  first time at value a\n"
    "  t%(a)   first time at a % of the maximum\n"
    "  bv(a)   last time at value a  b%(a)  last time at a % of the maximum\n"
    "  la(a)   mean from the start to time a\n"
    "  ta(a)   mean from time a to the end\n"
    "  lt(a)   the sample time at or before a\n"
    "Matrices and particle groups have parameters of their own.\n"
    "\n"
    "An operand that is absent for a shot leaves the expression without a value there:\n"
    "'talvex eval' shows (undefined), and --why names the operand.\n";
#endif

/// The tool's part: how --where uses conditions.
const char kConditions[] =
    "\n"
    "Conditions (--where) compare expressions with == != < <= > >=, compare a text field with\n"
    "quoted text (Operator == 'A. Smith') or match it with a wildcard (Comment ~ 'calib*'),\n"
    "and join them with && || ! and parentheses. A bare expression is true when greater than\n"
    "0. A shot where an operand is absent is left out.\n";

} // namespace

std::string ExpressionHelp()
{
#ifdef TALVEX_EXPRESSION_HELP_HEADER
    std::string text = AsText(ExpressionLanguageHelp());
#else
    std::string text = kSummary;
#endif
    // The library's text may describe conditions itself.
    if (text.find("&&") == std::string::npos)
        text += kConditions;
    return text;
}

} // namespace cli
