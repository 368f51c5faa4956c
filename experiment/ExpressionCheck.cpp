// ExpressionCheck: finds the first fault of an expression by reading it as the evaluator does.
#include "ExpressionCheck.h"
#include "ExpressionCheck_p.h"

#include "DataConstants.h"
#include "Experiment.h"
#include "ExpressionLanguage.h"
#include "TraceParamTable.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace exprcheck {

namespace {

/// Words people write for a parameter code or a function the language spells otherwise.
struct Alias {
    char const* word;
    char const* meant;
};

Alias const kCodeAliases[] = {
    {"mean", "av"}, {"avg", "av"},      {"average", "av"}, {"max", "mx"},   {"maximum", "mx"},
    {"min", "mn"},  {"minimum", "mn"},  {"std", "sd"},     {"stdev", "sd"}, {"sigma", "sd"},
    {"int", "in"},  {"integral", "in"}, {"fwhm", "fh"},    {"rise", "19"},  {"start", "st"},
    {"end", "ft"},  {"step", "tp"},     {"offset", "bl"},  {"tmax", "tm"},  {"tmin", "tn"},
};

Alias const kFunctionAliases[] = {
    {"sqrt", "(x)^0.5"},         {"ln", "log"},   {"atan", "atn"},   {"arctan", "atn"},
    {"log10", "log(x)/log(10)"}, {"sine", "sin"}, {"cosine", "cos"}, {"bool", "bol"},
};

template <size_t N> DString AliasOf(Alias const (&table)[N], DString const& word)
{
    for (Alias const& a : table) {
        if (word %= a.word)
            return a.meant;
    }
    return DString();
}

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

int EditDistance(DString const& a, DString const& b)
{
    int const n = a.Len(), m = b.Len();
    std::vector<int> row(m + 1);
    for (int j = 0; j <= m; ++j)
        row[j] = j;
    for (int i = 1; i <= n; ++i) {
        int diag = row[0];
        row[0] = i;
        for (int j = 1; j <= m; ++j) {
            int const up = row[j];
            int const cost = Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1;
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + cost});
            diag = up;
        }
    }
    return row[m];
}

bool IsOperatorChar(char c)
{
    return c != '\0' && std::strchr("+-*/^", c) != nullptr;
}

/// Characters that end a name: operators, brackets, '?' and blanks.
bool EndsName(char c)
{
    return c == '\0' || std::strchr(" +-*/^()[]?", c) != nullptr;
}

/// Characters that have no place in a name (comparisons belong to conditions).
bool Foreign(char c)
{
    return c != '\0' && std::strchr("=<>!&|~'\",", c) != nullptr;
}

/// Names longer than this get no suggestion (the distance costs the product of the lengths).
int const kLongestSuggested = 64;

} // namespace

DString Closest(DString const& name, DStringArray const& candidates)
{
    // A typo is short; a long text from a caller is not compared with every known name.
    if (name.Len() > kLongestSuggested)
        return DString();
    int const limit = name.Len() <= 2 ? 1 : name.Len() <= 5 ? 2 : 3;
    int best = limit + 1;
    DString found;
    for (int i = 0; i < candidates.Count(); ++i) {
        int const d = EditDistance(name, candidates[i]);
        if (d > 0 && d < best) {
            best = d;
            found = candidates[i];
        }
    }
    return found;
}

bool Fail(ExpressionIssue& issue, ExpressionIssue::Kind kind, DString const& whole, int position,
          DString const& text, char const* what, DString const& suggestion)
{
    issue.kind = kind;
    issue.position = position;
    issue.text = text;
    issue.suggestion = suggestion;
    issue.message = DString(what) + " '" + text + "' at column " + DString(position + 1) + " of '"
                    + whole + "'";
    return false;
}

namespace {

/// A name to look up once the syntax is known to be sound.
struct NameUse {
    int position;
    DString name;
    DString shot; ///< for data: the shot named before it, empty for the current or any shot
    bool data;
    DString code;    ///< for data: its parameter code
    int codeAt = -1; ///< for data: the code's position
};

/// An operand as the evaluator reads it: a field name, or `data\code` split at the last `\`.
struct OperandUse {
    DString field;
    DString data;
    DString code;
};

// A recursive reading of the evaluator's grammar over whole[from, to). Each step returns
// false once a fault is recorded in issue.
class Reader {
public:
    Reader(DString const& whole, int from, int to, ExpressionIssue& issue)
        : s(whole), p(from), begin(from), end(to), issue(issue)
    {
    }

    bool Run()
    {
        if (p >= end) {
            Syntax(p, "", "empty expression");
            issue.message = "empty expression";
            return false;
        }
        if (!Choice())
            return false;
        if (p < end)
            return Unexpected(p);
        return true;
    }

    std::vector<NameUse> names;
    std::vector<OperandUse> operands;

private:
    char At(int k) const { return k < end ? s[k] : '\0'; }

    bool Syntax(int at, DString const& text, char const* what)
    {
        return Fail(issue, ExpressionIssue::Syntax, s, at, text, what);
    }

    bool Unexpected(int at)
    {
        char const c = At(at);
        if (c == ')')
            return Syntax(at, ")", "unbalanced parenthesis");
        if (c == ']')
            return Syntax(at, "]", "unbalanced bracket");
        return Syntax(at, DString(c), "unexpected character");
    }

    /// `c?a?b`, chained.
    bool Choice()
    {
        if (!Fallback())
            return false;
        while (At(p) == '?') {
            ++p;
            if (!Fallback())
                return false;
        }
        return true;
    }

    /// `a::b`, chained.
    bool Fallback()
    {
        if (!Sum())
            return false;
        while (At(p) == ':' && At(p + 1) == ':') {
            p += 2;
            if (!Sum())
                return false;
        }
        return true;
    }

    bool Sum()
    {
        bool sign = false;
        if (At(p) == '-') {
            ++p;
            sign = At(p) == '-';
            p += sign;
        }
        if (!Product(sign))
            return false;
        while (At(p) == '+' || At(p) == '-') {
            ++p;
            sign = At(p) == '-';
            p += sign;
            if (!Product(sign))
                return false;
        }
        return true;
    }

    bool Product(bool sign)
    {
        if (!Power(sign))
            return false;
        while (At(p) == '*' || At(p) == '/') {
            ++p;
            if (!Power(SkipSign()))
                return false;
        }
        return true;
    }

    bool Power(bool sign)
    {
        if (!Operand(sign))
            return false;
        while (At(p) == '^') {
            ++p;
            if (!Operand(SkipSign()))
                return false;
        }
        return true;
    }

    /// After `*`, `/` and `^` the evaluator takes one '+' or '-' as the operand's sign.
    bool SkipSign()
    {
        if (At(p) == '+' || At(p) == '-') {
            ++p;
            return true;
        }
        return false;
    }

    /// The operator before position k (skipping nothing), for messages.
    bool Missing(int at)
    {
        int k = at - 1;
        while (k >= begin && s[k] == ' ')
            --k;
        if (k < begin)
            return Syntax(at, DString(At(at)), "missing operand before");
        DString const op = (s[k] == ':' && k > begin && s[k - 1] == ':') ? DString("::")
                                                                         : DString(s[k]);
        int const opAt = op.Len() == 2 ? k - 1 : k;
        if (at >= end)
            return Syntax(opAt, op, "dangling operator");
        return Syntax(opAt, op, "missing operand after");
    }

    bool Operand(bool sign)
    {
        char const c = At(p);
        if (c == ' ')
            return Blank(p);
        if (c == '(')
            return Group(p, ')', "unbalanced parenthesis");
        if (c == '[' || (c == '!' && At(p + 1) == '['))
            return Reference();
        if (EndsName(c) || (c == ':' && At(p + 1) == ':'))
            return Missing(p);
        return Word(sign);
    }

    /// `(expr)` or an index `[expr]`, from the opening character at `open`.
    bool Group(int open, char close, char const* what)
    {
        // Text from callers is untrusted: nesting is bounded before the stack is.
        if (++depth > kMaxDepth)
            return Syntax(open, DString(s[open]), "nesting too deep");
        bool const ok = GroupBody(open, close, what);
        --depth;
        return ok;
    }

    bool GroupBody(int open, char close, char const* what)
    {
        p = open + 1;
        if (At(p) == close)
            return Syntax(open, s.Mid(open, 2), "empty parentheses or brackets");
        if (!Choice())
            return false;
        if (At(p) == close) {
            ++p;
            return true;
        }
        if (p >= end)
            return Syntax(open, DString(s[open]), what);
        return Unexpected(p);
    }

    /// `[name]`: one operand, a field or `data\code`, blanks allowed inside. References nest
    /// (`[![Key]]`): the outer name is then made while evaluating and is not looked at.
    bool Reference()
    {
        if (++depth > kMaxDepth)
            return Syntax(p, "[", "nesting too deep");
        bool const ok = ReferenceBody();
        --depth;
        return ok;
    }

    bool ReferenceBody()
    {
        int const open = p;
        p += At(p) == '!' ? 2 : 1;
        int const start = p;
        bool made = false;
        while (p < end && At(p) != ']') {
            if (At(p) == '[' || (At(p) == '!' && At(p + 1) == '[')) {
                if (!Reference())
                    return false;
                made = true;
                continue;
            }
            ++p;
        }
        if (At(p) != ']')
            return Syntax(open, "[", "unbalanced bracket");
        DString const inner = s.Mid(start, p - start);
        ++p;
        if (inner.Trim().Len() == 0)
            return Syntax(open, s.Mid(open, p - open), "empty reference");
        float v = 0.0f;
        if (made || inner.ToFloat(v))
            return true;
        return Name(start, inner, true);
    }

    /// A blank where an operand or operator belongs: blanks are part of names.
    bool Blank(int at)
    {
        int q = at;
        while (At(q) == ' ')
            ++q;
        if (IsOperatorChar(At(q))) {
            int r = q + 1;
            while (At(r) == ' ')
                ++r;
            if (r >= end)
                return Syntax(q, DString(At(q)), "dangling operator");
        }
        if (q >= end)
            return Syntax(at, " ", "trailing blank");
        return Syntax(at, " ", "blank (blanks belong to names; leave them out around operators)");
    }

    /// A number, a field name, `data\code`, `data\code[index]` or `fn(expr)`.
    bool Word(bool sign)
    {
        int const start = p;
        while (p < end) {
            char const c = At(p);
            if (c == ':' && At(p + 1) == ':')
                break;
            if ((c == '+' || c == '-') && p > start && (s[p - 1] == 'e' || s[p - 1] == 'E')
                && p - 2 >= start && std::isdigit(static_cast<unsigned char>(s[p - 2]))) {
                ++p; // an exponent's sign
                continue;
            }
            if (c == ' ') {
                // A blank between two name characters belongs to a field name.
                int q = p;
                while (At(q) == ' ')
                    ++q;
                if (EndsName(At(q)) || s.Mid(start, p - start).Find('\\') != int(npos))
                    break;
                p = q;
                continue;
            }
            if (EndsName(c))
                break;
            ++p;
        }
        DString const word = s.Mid(start, p - start);
        if (At(p) == ' ')
            return Blank(p);
        float v = 0.0f;
        if (word.ToFloat(v))
            return At(p) == '(' || At(p) == '['
                       ? Syntax(p, DString(At(p)), "missing operator before")
                       : true;
        int const sep = word.RFind('\\');
        bool const index = sep != int(npos) && word.Len() - sep - 1 == 2;
        if ((At(p) == '(' || At(p) == '[') && index) {
            if (!Name(start, word, false))
                return false;
            return Group(p, At(p) == '(' ? ')' : ']',
                         At(p) == '(' ? "unbalanced parenthesis" : "unbalanced bracket");
        }
        if (At(p) == '(')
            return Function(start, word);
        if (At(p) == '[')
            return Syntax(p, "[", "missing operator before");
        if (sign)
            return Syntax(start - 1, DString(s[start - 1]),
                          "sign before a name (it works on numbers only; write (-name))");
        return Name(start, word, false);
    }

    bool Function(int start, DString const& word)
    {
        if (!FindExpressionFunction(word)) {
            DStringArray known;
            for (int i = 0; i < ExpressionFunctionCount(); ++i)
                known.Add(GetExpressionFunction(i).name);
            DString suggestion = AliasOf(kFunctionAliases, word);
            if (!suggestion)
                suggestion = Closest(word, known);
            return Fail(issue, ExpressionIssue::UnknownFunction, s, start, word, "unknown function",
                        suggestion);
        }
        return Group(p, ')', "unbalanced parenthesis");
    }

    /// A field name or `data\code` at `start`; blanks only inside references.
    bool Name(int start, DString const& name, bool reference)
    {
        for (int k = 0; k < name.Len(); ++k) {
            char const c = name[k];
            bool const offset = (c == '<' || c == '>') && OffsetAt(name, k);
            if (Foreign(c) && !offset)
                return Syntax(start + k, DString(c), "unexpected character");
        }
        int const twice = name.Find("\\\\");
        if (twice != int(npos))
            return Syntax(start + twice + 1, "\\", "empty name before");
        int const sep = name.RFind('\\');
        if (sep == int(npos)) {
            DString const field = reference ? name.Trim() : name;
            if (!(field %= "Shot"))
                names.push_back({start, field, DString(), false, DString(), -1});
            operands.push_back({field, DString(), DString()});
            return true;
        }
        DString const code = name.Mid(sep + 1);
        if (!code)
            return Syntax(start + sep, "\\", "missing trace-parameter code after");
        if (sep == 0)
            return Syntax(start, "\\", "missing data name before");
        if (code.Len() != 2 || !FindDataParamCode(code)) {
            DStringArray known;
            for (int i = 0; i < DataParamCodeCount(); ++i)
                known.Add(GetDataParamCode(i).code);
            DString suggestion = AliasOf(kCodeAliases, code);
            if (!suggestion && code.Len() <= 3)
                suggestion = Closest(code, known);
            return Fail(issue, ExpressionIssue::UnknownCode, s, start + sep + 1, code,
                        "unknown trace-parameter code", suggestion);
        }
        DataUse(start, name.Left(sep), code, start + sep + 1);
        operands.push_back({DString(), name.Left(sep), code});
        return true;
    }

    /// True when position k of a name starts a `>n\` or `<n\` shot offset (a count that is
    /// no number is let through: the evaluator then takes the bare data name).
    static bool OffsetAt(DString const& name, int k)
    {
        return k == 0 && name.Find('\\') != int(npos);
    }

    /// Notes the data object of a `data\code` operand for the look-up.
    void DataUse(int start, DString const& data, DString const& code, int codeAt)
    {
        int const last = data.RFind('\\');
        DString const object = last == int(npos) ? data : data.Mid(last + 1);
        DString const before = last == int(npos) ? DString() : data.Left(last);
        if (!object || object[0] == '@' || before.Find('\\') != int(npos)
            || (before.Len() > 0 && (before[0] == '.' || before[0] == '<' || before[0] == '>'))
            || before.Find(':') != int(npos))
            return; // cached objects, offsets and paths are not looked up
        names.push_back(
            {start + (last == int(npos) ? 0 : last + 1), object, before, true, code, codeAt});
    }

    static int const kMaxDepth = 200;
    int depth = 0;
    DString const& s;
    int p;
    int const begin;
    int const end;
    ExpressionIssue& issue;
};

} // namespace

namespace {

/// A code of a data object whose kind is known must be one of that kind's codes.
bool CodeFits(NameUse const& use, KnownNames& known, DString const& whole, ExpressionIssue& issue)
{
    unsigned const kinds = known.DataKinds(use.name, use.shot);
    if (kinds == 0 || FindDataParamCode(use.code, kinds))
        return true;
    char const* what = (kinds & ParamWaveform) ? "unknown waveform code"
                       : (kinds & ParamMatrix) ? "unknown matrix code"
                                               : "unknown particle-group code";
    DStringArray fitting;
    for (int i = 0; i < DataParamCodeCount(); ++i) {
        if (GetDataParamCode(i).kinds & kinds)
            fitting.Add(GetDataParamCode(i).code);
    }
    return Fail(issue, ExpressionIssue::UnknownCode, whole, use.codeAt, use.code, what,
                Closest(use.code, fitting));
}

} // namespace

bool CheckPart(DString const& whole, int from, int to, ExpressionIssue& issue, KnownNames* known)
{
    issue = ExpressionIssue();
    DString const part = whole.Mid(from, to - from);
    float v = 0.0f;
    if (part.Len() > 0 && part.ToFloat(v))
        return true;
    Reader reader(whole, from, to, issue);
    if (!reader.Run())
        return false;
    if (!known)
        return true;
    for (NameUse const& use : reader.names) {
        DString suggestion;
        bool const found = use.data ? known->HasData(use.name, use.shot, suggestion)
                                    : known->HasField(use.name, suggestion);
        if (!found)
            return Fail(issue,
                        use.data ? ExpressionIssue::UnknownData : ExpressionIssue::UnknownField,
                        whole, use.position, use.name,
                        use.data ? "unknown data object" : "unknown field", suggestion);
        if (use.data && !CodeFits(use, *known, whole, issue))
            return false;
    }
    return true;
}

namespace {

/// Why operand o has no value for the current shot; empty when it has one.
DString OperandFault(OperandUse const& o, Experiment& e)
{
    if (o.field.Len() > 0) {
        DString const value = e.GetShotData(o.field);
        float v = 0.0f;
        if (value.Len() == 0)
            return DString("field '") + o.field + "' is missing";
        if (!value.ToFloat(v))
            return DString("field '") + o.field + "' is not a number: '" + value + "'";
        return DString();
    }
    // Every kind of data object has a time mark t1, so it tells whether the object is there.
    if (e.GetScalarData(o.data + "\\t1") == -DFMax)
        return DString("data object '") + o.data + "' is missing";
    if (e.GetScalarData(o.data + "\\" + o.code) == -DFMax)
        return DString("'") + o.data + "\\" + o.code + "' has no value";
    return DString();
}

} // namespace

DString WhyUndefined(DString const& expr, Experiment& experiment)
{
    if (experiment.GetScalarData(expr) != -DFMax)
        return DString();
    ExpressionIssue issue;
    Reader reader(expr, 0, expr.Len(), issue);
    if (!reader.Run())
        return issue.message;
    if (!experiment.ShotName)
        return "no shot is current";
    for (OperandUse const& o : reader.operands) {
        DString const why = OperandFault(o, experiment);
        if (why.Len() > 0)
            return why;
    }
    return "no value: a division by zero, a function outside its domain or a result out of range";
}

} // namespace exprcheck

DString WhyUndefined(DString const& expr, Experiment& experiment)
{
    return exprcheck::WhyUndefined(expr, experiment);
}

bool CheckExpression(DString const& expr, ExpressionIssue& issue, Experiment* experiment)
{
    if (!experiment)
        return exprcheck::CheckPart(expr, 0, expr.Len(), issue, nullptr);
    exprcheck::KnownNames names(experiment);
    return exprcheck::CheckPart(expr, 0, expr.Len(), issue, &names);
}
