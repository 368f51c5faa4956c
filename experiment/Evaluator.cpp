// The scalar expression evaluator: rewriting passes over the expression text, then sums,
// products, powers and operands.
#include "Experiment.h"
#include "Experiment_p.h"
#include "DFile.h"
#include "DNotify.h"
#include "DataConstants.h"
#include "ExpressionLanguage.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Paths.h"
#include "Waveform.h"

#include <cmath>
#include <cstring>

using expt::kNotFound;

namespace {

// Bytes the rewriting inserts around an evaluated index and around a negative base of '^'.
char const IndexOpen = '\xC9';
char const IndexClose = '\xCA';
char const NegativeOpen = '\xCB';
char const NegativeClose = '\xCC';

/// The stages' error value: DFMax * -2 in single precision, minus infinity.
float ErrorValue()
{
    return DFMax * -2.0f;
}

bool InSet(char c, char const* set)
{
    return c != '\0' && std::strchr(set, c) != nullptr;
}

bool IsOperator(char c)
{
    return InSet(c, " +-*/^(");
}

bool IsNumberChar(char c)
{
    return InSet(c, "1234567890.");
}

/// Position of the next c after k, or the end of the text when there is none.
int SkipTo(DString const& e, int k, char c)
{
    int const at = e.Find(c, k + 1);
    return at == kNotFound ? e.Len() : at;
}

/// The marker pair's partner to jump to from position k, or 0 when e[k] opens none.
char PairClose(char c)
{
    return c == IndexOpen ? IndexClose : c == NegativeOpen ? NegativeClose : '\0';
}

/// True when the opening bracket or parenthesis at i ends a parameter name `\XY`: what it
/// encloses is an index that stays part of the name.
bool OpensIndex(DString const& e, int i)
{
    return i >= 3 && e[i - 3] == '\\' && !IsOperator(e[i - 1]);
}

DString IndexText(float v)
{
    return IndexOpen + DString(v) + IndexClose;
}

/// The three characters before position i in lower case; empty when fewer than three.
DString FunctionBefore(DString const& e, int i)
{
    if (i < 3)
        return DString();
    DString fn = e.Mid(i - 3, 3);
    return fn.ToLower();
}

/// Applies a function of the parenthesis pass; false when fn names none. The language's table
/// decides which names are functions, so the checker and the help text know the same ones.
bool ApplyFunction(DString const& fn, float& v)
{
    if (!FindExpressionFunction(fn))
        return false;
    double const d = v;
    if (fn == "sin")
        v = float(std::sin(d));
    else if (fn == "cos")
        v = float(std::cos(d));
    else if (fn == "tan")
        v = float(std::tan(d));
    else if (fn == "log")
        v = float(std::log(d));
    else if (fn == "exp")
        v = float(std::exp(d));
    else if (fn == "atn")
        v = std::atan(v);
    else if (fn != "bol")
        return false;
    return true;
}

/// The whole text as one number.
bool ReadsAsNumber(DString const& e, float& v)
{
    return e.ToFloat(v);
}

/// Position of the first "::" at or after start, or npos.
int FindFallback(DString const& e, int start)
{
    for (int at = e.Find(':', start); at != kNotFound; at = e.Find(':', at + 1)) {
        if (at + 1 < e.Len() && e[at + 1] == ':')
            return at;
    }
    return kNotFound;
}

} // namespace

float Experiment::GetScalarData(DString expr, ScalarLookup lookup)
{
    DString const e = GetExpandedString(expr, true);
    fieldsRead = false; // the first field asked for reads the file again (FieldValue)
    float const v = ParseInput(e, lookup);
    return IsVF(v) ? v : -DFMax;
}

// GetShotData that reads the field file once per evaluation rather than once per field, as
// text: no settings object is bound, so a shot without the file gets none made. A lookup
// callback that moves to another shot is noticed by the file name; a field it writes makes
// the next field read the file again.
DString Experiment::FieldValue(DString const& name)
{
    if (!ShotFolder || !ShotName)
        return DString();
    if (name %= "Shot")
        return ShotName;
    if (PauseIO) {
        ScalarsIni.SetSection("Fields");
        int const split = name.Find("::");
        if (split == kNotFound)
            return ScalarsIni.GetKeyValue(name, "");
        DString const first = ScalarsIni.GetKeyValue(name.Left(split), "");
        return ~first ? first : ScalarsIni.GetKeyValue(name.Mid(split + 2), "");
    }
    if (!fieldsRead || fieldsFile != ScalarsFileName) {
        fieldsText = DFile::GetText(ScalarsFileName);
        fieldsFile = ScalarsFileName;
        fieldsRead = true;
    }
    DIni text;
    text.LoadText(fieldsText);
    return expt::FieldIn(text, "Fields", name);
}

float Experiment::ParseInput(DString e, ScalarLookup lookup)
{
    float v = 0.0f;
    if (!e)
        return ErrorValue();
    if (ReadsAsNumber(e, v))
        return v;
    if (!ReplaceBrackets(e, lookup, v))
        return v;
    if (!ReplaceParentheses(e, lookup))
        return ErrorValue();
    return ParseChoices(e, lookup);
}

// Brackets from the last '[' to the first: references become their values, indexes of
// parameter names are evaluated and kept inside marks. False with result set when the
// expression is decided here.
bool Experiment::ReplaceBrackets(DString& e, ScalarLookup lookup, float& result)
{
    for (int from = e.Len() - 1; from >= 0;) {
        int const i = e.RFind('[', from);
        if (i == kNotFound)
            break;
        int const j = e.Find(']', i + 1);
        if (j == kNotFound) {
            Message("Expression cannot be evaluated because of unmatched bracket");
            result = ErrorValue();
            return false;
        }
        DString const inner = e.Mid(i + 1, j - i - 1);
        if (i == 0 && j == e.Len() - 1) {
            result = ParseSingle(inner, lookup);
            return false;
        }
        bool const index = OpensIndex(e, i);
        float const v = index ? ParseInput(inner, lookup) : ParseSingle(inner, lookup);
        // An index without a value would turn into a parameter of -inf.
        if (!IsVF(v)) {
            result = ErrorValue();
            return false;
        }
        e = e.Left(i) + (index ? IndexText(v) : DString(v)) + e.Mid(j + 1);
        from = i - 1;
    }
    return true;
}

// Parentheses from the last '(' to the first: each group with its function becomes its value.
// Every '(' left of the one replaced stays where it was, so the search goes on from there.
bool Experiment::ReplaceParentheses(DString& e, ScalarLookup lookup)
{
    for (int from = e.Len() - 1; from >= 0;) {
        int const i = e.RFind('(', from);
        if (i == kNotFound)
            break;
        int const j = e.Find(')', i + 1);
        if (j == kNotFound) {
            Message("Expression cannot be evaluated because of unmatched parenthesis");
            return false;
        }
        DString const inner = e.Mid(i + 1, j - i - 1);
        DString const after = e.Mid(j + 1);
        from = i - 1;
        // `<data>\tv(0.5)` is the index form of `<data>\tv[0.5]`, not a product.
        if (OpensIndex(e, i)) {
            float const index = ParseInput(inner, lookup);
            if (!IsVF(index))
                return false;
            e = e.Left(i) + IndexText(index) + after;
            continue;
        }
        DString const fn = FunctionBefore(e, i);
        float v = ParseInput(inner, lookup);
        if (!IsVF(v)) {
            if (fn != "bol")
                return false;
            v = (FieldValue(inner) %= "True") ? 1.0f : 0.0f;
        }
        int cut = i;
        if (ApplyFunction(fn, v)) {
            cut = i - 3;
            from = cut - 1;
        }
        DString value(v);
        if (after.Len() > 0 && after[0] == '^' && v < 0.0f)
            value = NegativeOpen + value + NegativeClose;
        e = e.Left(cut) + value + after;
    }
    return true;
}

// Conditionals and fallbacks of a text without brackets or parentheses. Both chain to the
// right (`c?a?c2?a2?b`, `a::b::c`), so they are followed in a loop over the rest of the text
// rather than by recursion. A rest that holds '?' or "::" is never a number, so only the last
// piece is read as one: no search or conversion runs over the whole rest again and again.
float Experiment::ParseChoices(DString const& e, ScalarLookup lookup)
{
    int start = 0;
    for (;;) {
        if (start >= e.Len())
            return ErrorValue();
        int const q = e.Find('?', start);
        if (q == kNotFound)
            break;
        DString cond = e.Mid(start, q - start);
        int const q2 = e.Find('?', q + 1);
        if (FieldValue(cond) %= "True")
            cond = "1";
        float const c = ParseInput(cond, lookup);
        if (IsVF(c) && c > 0.0f)
            return ParseInput(q2 == kNotFound ? e.Mid(q + 1) : e.Mid(q + 1, q2 - q - 1), lookup);
        if (q2 == kNotFound)
            return ErrorValue();
        start = q2 + 1;
    }
    for (;;) {
        int const f = FindFallback(e, start);
        if (f == kNotFound)
            break;
        float const v = ParseInput(e.Mid(start, f - start), lookup);
        if (IsVF(v))
            return v;
        start = f + 2;
        if (start >= e.Len())
            return ErrorValue();
    }
    DString const rest = start == 0 ? e : e.Mid(start);
    float v = 0.0f;
    return ReadsAsNumber(rest, v) ? v : ParseAddend(rest, lookup);
}

float Experiment::ParseAddend(DString e, ScalarLookup lookup)
{
    float sum = 0.0f;
    bool negative = false;
    int start = 0;
    int const n = e.Len();
    // Adds the term that ends before k and starts the next one after it.
    auto take = [&](int k) {
        float const v = ParseFactor(e.Mid(start, k - start), lookup);
        if (!IsVF(v))
            return false;
        if (negative) {
            sum -= v;
            negative = false;
        } else {
            sum += v;
        }
        start = k + 1;
        return true;
    };
    for (int k = 0; k < n; ++k) {
        char const c = e[k];
        if (char const close = PairClose(c)) {
            k = SkipTo(e, k, close);
        } else if (c == ' ' || c == '*' || c == '/' || c == '^') {
            // What follows is the start of an operand, so a '+' or '-' there is its sign.
            if (k + 1 < n && !PairClose(e[k + 1]))
                ++k;
        } else if ((c == 'E' || c == 'e') && k > 0 && IsNumberChar(e[k - 1])) {
            ++k; // the exponent's sign
        } else if (c == '+') {
            if (!take(k))
                return ErrorValue();
        } else if (c == '-') {
            if (k == 0) {
                negative = true;
                start = 1;
            } else if (e[k - 1] != '+' && e[k - 1] != '-') {
                if (!take(k))
                    return ErrorValue();
                negative = true;
            }
        }
    }
    float const v = ParseFactor(start == 0 ? e : e.Mid(start), lookup);
    if (!IsVF(v))
        return ErrorValue();
    return negative ? sum - v : sum + v;
}

float Experiment::ParseFactor(DString e, ScalarLookup lookup)
{
    float product = 1.0f;
    bool divide = false;
    int start = 0;
    int const n = e.Len();
    for (int k = 0; k < n; ++k) {
        char const c = e[k];
        if (char const close = PairClose(c)) {
            k = SkipTo(e, k, close);
            continue;
        }
        if (c != '*' && c != '/')
            continue;
        float const v = ParsePower(e.Mid(start, k - start), lookup);
        if (!IsVF(v))
            return ErrorValue();
        if (divide)
            product /= v;
        else
            product *= v;
        divide = c == '/';
        start = k + 1;
    }
    float const v = ParsePower(start == 0 ? e : e.Mid(start), lookup);
    if (!IsVF(v))
        return ErrorValue();
    return divide ? product / v : v * product;
}

float Experiment::ParsePower(DString e, ScalarLookup lookup)
{
    if (e.Find('^') == kNotFound)
        return ParseSingle(e, lookup);
    float base = 0.0f;
    int start = 0;
    int const n = e.Len();
    for (int k = 0; k <= n; ++k) {
        if (k < n && e[k] == IndexOpen) {
            k = SkipTo(e, k, IndexClose);
            continue;
        }
        if (k < n && e[k] != '^')
            continue;
        float const x = ParseSingle(e.Mid(start, k - start), lookup);
        if (!IsVF(x))
            return ErrorValue();
        base = start == 0 ? x : float(std::pow(double(base), double(x)));
        if (!IsVF(base))
            return ErrorValue();
        start = k + 1;
    }
    return base;
}

float Experiment::ParseSingle(DString t, ScalarLookup lookup)
{
    if (t.Len() > 0 && t[0] == NegativeOpen)
        t = t.Len() > 1 ? t.Mid(1, t.Len() - 2) : DString();
    float v = 0.0f;
    if (ReadsAsNumber(t, v))
        return v;
    if (lookup && lookup(t, v))
        return IsVF(v) ? v : ErrorValue();
    if (!ShotFolder)
        return ErrorValue();
    int const sep = t.RFind('\\');
    if (sep == kNotFound) {
        DString const s = FieldValue(t);
        return ~s && ReadsAsNumber(s, v) ? v : ErrorValue();
    }
    DString param = t.Mid(sep + 1);
    int const last = param.Len() - 1;
    if (last > 2 && param[last] == IndexClose) {
        param.SetChar(2, '[');
        param.SetChar(last, ']');
    }
    return DataParam(CleanDataFileName(t.Left(sep)), param);
}

// A parameter of the data object `name`: a waveform (cached objects included), else a matrix,
// else a particle group.
float Experiment::DataParam(DString const& name, DString const& param)
{
    if (!name)
        return ErrorValue();
    int const held = DataPtrs.Count();
    if (void* p = GetDataPtr(name, DTWaveform)) {
        float const v = static_cast<Waveform*>(p)->GetTraceParam(param);
        // Only an object read for this evaluation is let go; an `@` object stays its owner's.
        if (DataPtrs.Count() > held)
            ReleaseDataPtr(DString(), DTWaveform, p);
        return v;
    }
    DString const file = GetDataFileName(name);
    if (!file)
        return ErrorValue();
    Matrix m(1, 1, 1);
    if (m.Read(file, -1, 0))
        return m.GetMatrixParam(param);
    // The group's parameters are all in its header: its particles need not be loaded.
    ParticleGroup g(0);
    if (g.Read(file, 0, 0))
        return g.GetPGroupParam(param);
    return ErrorValue();
}
