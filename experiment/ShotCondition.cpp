// ShotCondition: parsing and three-valued evaluation of shot conditions.
#include "ShotCondition.h"

#include "DataConstants.h"
#include "Experiment.h"
#include "ExpressionCheck_p.h"
#include "Platform.h"

#include <cstring>
#include <string>

namespace {

enum class Op { None, Eq, Ne, Lt, Le, Gt, Ge, Match };

enum class Kind { And, Or, Not, Compare, Text, Bare };

ShotCondition::Truth Not(ShotCondition::Truth t)
{
    return t == ShotCondition::Unknown ? t
           : t == ShotCondition::True  ? ShotCondition::False
                                       : ShotCondition::True;
}

/// Numbers are equal when they print alike with the eight digits the evaluator keeps.
bool SameNumber(float a, float b)
{
    return a == b || DString(a) == DString(b);
}

bool Compare(Op op, float a, float b)
{
    bool const eq = SameNumber(a, b);
    switch (op) {
    case Op::Eq: return eq;
    case Op::Ne: return !eq;
    case Op::Lt: return !eq && a < b;
    case Op::Le: return eq || a < b;
    case Op::Gt: return !eq && a > b;
    case Op::Ge: return eq || a > b;
    default: return false;
    }
}

} // namespace

struct ShotCondition::Node {
    Kind kind = Kind::Bare;
    Op op = Op::None;
    DString left;  ///< expression, or the field of a text comparison
    DString right; ///< expression, or the quoted text
    std::shared_ptr<const Node> a, b;

    Truth Evaluate(Experiment& e) const
    {
        switch (kind) {
        case Kind::And: {
            Truth const x = a->Evaluate(e);
            if (x == False)
                return False;
            Truth const y = b->Evaluate(e);
            return y == False ? False : (x == Unknown || y == Unknown) ? Unknown : True;
        }
        case Kind::Or: {
            Truth const x = a->Evaluate(e);
            if (x == True)
                return True;
            Truth const y = b->Evaluate(e);
            return y == True ? True : (x == Unknown || y == Unknown) ? Unknown : False;
        }
        case Kind::Not: return Not(a->Evaluate(e));
        case Kind::Compare: {
            float const x = e.GetScalarData(left);
            if (x == -DFMax)
                return Unknown;
            float const y = e.GetScalarData(right);
            if (y == -DFMax)
                return Unknown;
            return Compare(op, x, y) ? True : False;
        }
        case Kind::Text: {
            DString const value = e.GetShotData(left);
            if (value.Len() == 0)
                return Unknown;
            bool const same = op == Op::Match
                                  ? platform::WildcardMatch(right.c_str(), value.c_str())
                                  : bool(value %= right);
            return (op == Op::Ne ? !same : same) ? True : False;
        }
        case Kind::Bare: {
            float const v = e.GetScalarData(left);
            return v == -DFMax ? Unknown : v > 0.0f ? True : False;
        }
        }
        return Unknown;
    }
};

namespace {

using NodePtr = std::shared_ptr<const ShotCondition::Node>;

// Recursive descent over the condition text: `||` binds loosest, then `&&`, then `!`. Each
// step returns null once a fault is recorded in issue.
class Parser {
public:
    Parser(DString const& text, ExpressionIssue& issue, exprcheck::KnownNames* names)
        : s(text), end(text.Len()), issue(issue), names(names)
    {
    }

    NodePtr Run()
    {
        NodePtr n = Or();
        if (!n)
            return n;
        Blanks();
        if (p < end)
            return Fault(p, DString(At(p)),
                         At(p) == ')' ? "unbalanced parenthesis" : "unexpected character");
        return n;
    }

private:
    char At(int k) const { return k < end ? s[k] : '\0'; }
    void Blanks()
    {
        while (At(p) == ' ' || At(p) == '\t')
            ++p;
    }
    bool Next(char const* token)
    {
        Blanks();
        int const n = int(std::strlen(token));
        if (s.Mid(p, n) != token)
            return false;
        p += n;
        return true;
    }

    NodePtr Fault(int at, DString const& text, char const* what)
    {
        exprcheck::Fail(issue, ExpressionIssue::Syntax, s, at, text, what);
        return NodePtr();
    }

    static NodePtr Join(Kind kind, NodePtr a, NodePtr b)
    {
        auto n = std::make_shared<ShotCondition::Node>();
        n->kind = kind;
        n->a = std::move(a);
        n->b = std::move(b);
        return n;
    }

    NodePtr Or()
    {
        NodePtr n = And();
        while (n && Next("||")) {
            NodePtr r = And();
            n = r ? Join(Kind::Or, n, r) : r;
        }
        return n;
    }

    NodePtr And()
    {
        NodePtr n = Unary();
        while (n && Next("&&")) {
            NodePtr r = Unary();
            n = r ? Join(Kind::And, n, r) : r;
        }
        return n;
    }

    NodePtr Unary()
    {
        // Text from callers is untrusted: nesting is bounded before the stack is.
        if (++depth > kMaxDepth)
            return Fault(p, DString(At(p)), "nesting too deep");
        NodePtr n = UnaryBody();
        --depth;
        return n;
    }

    NodePtr UnaryBody()
    {
        Blanks();
        if (At(p) == '!' && At(p + 1) != '=' && At(p + 1) != '[') {
            ++p;
            NodePtr n = Unary();
            return n ? Join(Kind::Not, n, nullptr) : n;
        }
        if (At(p) == '(' && GroupsCondition(p)) {
            int const open = p++;
            NodePtr n = Or();
            if (!n)
                return n;
            Blanks();
            if (At(p) != ')')
                return Fault(open, "(", "unbalanced parenthesis");
            ++p;
            return n;
        }
        return Comparison();
    }

    /// True when the parenthesis at `open` encloses a condition rather than the start of an
    /// expression: what follows its partner ends a condition.
    bool GroupsCondition(int open) const
    {
        int depth = 0;
        for (int k = open; k < end; ++k) {
            char const c = s[k];
            if (c == '\'' || c == '"') {
                int const close = s.Find(c, k + 1);
                if (close == int(npos))
                    return true; // the quote's own fault is found inside
                k = close;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                int q = k + 1;
                while (At(q) == ' ' || At(q) == '\t')
                    ++q;
                // Only an operator goes on with an expression; anything else after the
                // group is the condition's own fault.
                char const n = At(q);
                bool const joined = s.Mid(q, 2) == "&&" || s.Mid(q, 2) == "||";
                return joined || n == '\0' || !std::strchr("+-*/^?:<>=!~", n);
            }
        }
        return true;
    }

    /// One side of a comparison: a quoted text (quoted true) or an expression, trimmed.
    struct Side {
        int from = 0, to = 0;
        bool quoted = false;
        DString text;
    };

    bool ReadSide(Side& side)
    {
        Blanks();
        char const c = At(p);
        if (c == '\'' || c == '"') {
            int const close = s.Find(c, p + 1);
            if (close == int(npos)) {
                Fault(p, DString(c), "unclosed quote");
                return false;
            }
            side.quoted = true;
            side.from = p;
            side.text = s.Mid(p + 1, close - p - 1);
            p = close + 1;
            side.to = p;
            return true;
        }
        side.from = p;
        int depth = 0;
        while (p < end) {
            char const k = At(p);
            if (k == '(' || k == '[')
                ++depth;
            else if ((k == ')' || k == ']') && depth > 0)
                --depth;
            else if (depth == 0 && EndsExpression(p))
                break;
            ++p;
        }
        side.to = p;
        while (side.to > side.from && (s[side.to - 1] == ' ' || s[side.to - 1] == '\t'))
            --side.to;
        side.text = s.Mid(side.from, side.to - side.from);
        return true;
    }

    /// True where an expression stops: a join, a comparison, a quote or an unmatched ')'.
    bool EndsExpression(int k) const
    {
        char const c = s[k];
        DString const two = s.Mid(k, 2);
        if (two == "&&" || two == "||" || two == "==" || two == "!=")
            return true;
        if (c == '~' || c == '=' || c == ')' || c == '\'' || c == '"')
            return true;
        if (c == '<' || c == '>')
            return !OffsetPrefix(k);
        return false;
    }

    /// `<\`, `>\`, `<2\` at the start of an operand name a shot by its offset.
    bool OffsetPrefix(int k) const
    {
        int q = k + 1;
        while (q < end && s[q] >= '0' && s[q] <= '9')
            ++q;
        if (At(q) != '\\')
            return false;
        char const before = k > 0 ? s[k - 1] : ' ';
        return std::strchr(" \t+-*/^([?:!=<>&|", before) != nullptr;
    }

    Op ReadOp()
    {
        Blanks();
        struct Spelling {
            char const* text;
            Op op;
        };
        static Spelling const ops[] = {{"==", Op::Eq},  {"!=", Op::Ne}, {"<=", Op::Le},
                                       {">=", Op::Ge},  {"<", Op::Lt},  {">", Op::Gt},
                                       {"~", Op::Match}};
        for (Spelling const& o : ops) {
            int const n = int(std::strlen(o.text));
            if (s.Mid(p, n) == o.text) {
                p += n;
                return o.op;
            }
        }
        return Op::None;
    }

    NodePtr Comparison()
    {
        Side left;
        if (!ReadSide(left))
            return NodePtr();
        if (left.to == left.from && !left.quoted)
            return Missing(left.from);
        Blanks();
        int const opAt = p;
        if (At(p) == '=' && At(p + 1) != '=')
            return Fault(p, "=", "single '=' (compare with '==')");
        Op const op = ReadOp();
        auto n = std::make_shared<ShotCondition::Node>();
        if (op == Op::None) {
            if (left.quoted)
                return Fault(left.from, s.Mid(left.from, left.to - left.from),
                             "quoted text without a comparison");
            if (!Expression(left))
                return NodePtr();
            n->kind = Kind::Bare;
            n->left = left.text;
            return n;
        }
        DString const opText = s.Mid(opAt, p - opAt);
        Side right;
        if (!ReadSide(right))
            return NodePtr();
        if (right.to == right.from && !right.quoted)
            return Missing(right.from);
        n->op = op;
        if (left.quoted || right.quoted || op == Op::Match)
            return TextComparison(n, left, right, opAt, opText);
        if (!Expression(left) || !Expression(right))
            return NodePtr();
        n->kind = Kind::Compare;
        n->left = left.text;
        n->right = right.text;
        return n;
    }

    NodePtr TextComparison(std::shared_ptr<ShotCondition::Node> n, Side const& left,
                           Side const& right, int opAt, DString const& opText)
    {
        if (left.quoted && right.quoted)
            return Fault(left.from, s.Mid(left.from, left.to - left.from),
                         "two quoted texts compared");
        if (n->op == Op::Match && !right.quoted)
            return Fault(opAt, opText, "'~' needs a quoted wildcard after it");
        if (n->op != Op::Eq && n->op != Op::Ne && n->op != Op::Match)
            return Fault(opAt, opText, "texts compare with ==, != or ~, not");
        Side const& field = left.quoted ? right : left;
        DString name = field.text;
        int at = field.from;
        if (name.Len() > 1 && name[0] == '[' && name[name.Len() - 1] == ']') {
            name = name.Mid(1, name.Len() - 2);
            ++at;
        }
        if (name.Len() == 0 || name.FindFirstOf("\\[]()+*/^?") != int(npos))
            return Fault(field.from, field.text, "a text compares with a field name, not");
        if (names) {
            DString suggestion;
            if (!(name %= "Shot") && !names->HasField(name, suggestion)) {
                exprcheck::Fail(issue, ExpressionIssue::UnknownField, s, at, name, "unknown field",
                                suggestion);
                return NodePtr();
            }
        }
        n->kind = Kind::Text;
        n->left = name;
        n->right = (left.quoted ? left : right).text;
        return n;
    }

    bool Expression(Side const& side)
    {
        return exprcheck::CheckPart(s, side.from, side.to, issue, names);
    }

    NodePtr Missing(int at)
    {
        int k = at - 1;
        while (k >= 0 && (s[k] == ' ' || s[k] == '\t'))
            --k;
        if (k < 0)
            return Fault(at, DString(At(at)),
                         at >= end ? "empty condition" : "missing operand before");
        int from = k;
        while (from > 0 && std::strchr("=!<>~&|", s[from - 1]) && std::strchr("=!<>~&|", s[k]))
            --from;
        DString const op = s.Mid(from, k - from + 1);
        return Fault(from, op, at >= end ? "dangling operator" : "missing operand after");
    }

    static int const kMaxDepth = 200;
    int depth = 0;
    DString const& s;
    int p = 0;
    int const end;
    ExpressionIssue& issue;
    exprcheck::KnownNames* names;
};

} // namespace

ShotCondition::ShotCondition() = default;
ShotCondition::~ShotCondition() = default;
ShotCondition::ShotCondition(ShotCondition const& other) = default;
ShotCondition& ShotCondition::operator=(ShotCondition const& other) = default;

bool ShotCondition::Parse(DString const& source, ExpressionIssue& issue)
{
    return Parse(source, issue, nullptr);
}

bool ShotCondition::Parse(DString const& source, ExpressionIssue& issue, Experiment* experiment)
{
    root.reset();
    text = DString();
    issue = ExpressionIssue();
    std::unique_ptr<exprcheck::KnownNames> names;
    if (experiment)
        names.reset(new exprcheck::KnownNames(experiment));
    NodePtr n = Parser(source, issue, names.get()).Run();
    if (!n) {
        if (source.Trim().Len() == 0)
            issue.message = "empty condition";
        return false;
    }
    root = n;
    text = source;
    return true;
}

bool ShotCondition::IsEmpty() const
{
    return !root;
}

DString ShotCondition::Text() const
{
    return text;
}

ShotCondition::Truth ShotCondition::Evaluate(Experiment& experiment) const
{
    return root ? root->Evaluate(experiment) : True;
}

void ShotCondition::Filter(Experiment& experiment, DStringArray& shots, DArray<int>& groups,
                           DArray<long long>* dates) const
{
    if (!root)
        return;
    // SetShot only names files; what it changes is put back exactly, "no shot" included.
    DString const savedName = experiment.ShotName;
    int const savedGroup = experiment.CurrentGroup;
    DString const savedFolder = experiment.ShotFolder;
    DString const savedScalars = experiment.ScalarsFileName;
    DString const savedCache = experiment.ScalarCacheFileName;
    int kept = 0;
    for (int i = 0; i < shots.Count(); ++i) {
        int const g = i < groups.Count() ? groups[i] : -1;
        if (!experiment.SetShot(shots[i], g) || Evaluate(experiment) != True)
            continue;
        shots[kept] = shots[i];
        if (i < groups.Count())
            groups[kept] = groups[i];
        if (dates && i < dates->Count())
            (*dates)[kept] = (*dates)[i];
        ++kept;
    }
    shots.Remove(kept, shots.Count() - kept);
    if (groups.Count() > kept)
        groups.Remove(kept, groups.Count() - kept);
    if (dates && dates->Count() > kept)
        dates->Remove(kept, dates->Count() - kept);
    if (savedName.Len() > 0) {
        experiment.SetShot(savedName, savedGroup);
    } else {
        experiment.ShotName = savedName;
        experiment.CurrentGroup = savedGroup;
        experiment.ShotFolder = savedFolder;
        experiment.ScalarsFileName = savedScalars;
        experiment.ScalarCacheFileName = savedCache;
    }
}
