// EvalExplain: the operands of an expression, and why an expression has no value for a shot.
#include "EvalExplain.h"
#include "Console.h"
#include "DataConstants.h"
#include "Experiment.h"
#include "ExpressionCheck.h"
#include "FileSystem.h"
#include "Session.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace cli {

namespace {

/// The characters that end an operand (the evaluator's operator set, its `?` and `)`).
bool EndsOperand(char c)
{
    return std::string(" +-*/^()?").find(c) != std::string::npos;
}

bool IsNumber(const std::string& t)
{
    if (t.empty())
        return false;
    char* end = nullptr;
    std::strtod(t.c_str(), &end);
    return *end == '\0';
}

/// A number's mantissa so far ("1e", "2.5E"): a sign after it belongs to the exponent.
bool AwaitsExponent(const std::string& t)
{
    return t.size() >= 2 && (t.back() == 'e' || t.back() == 'E') && IsNumber(t.substr(0, 1))
           && IsNumber(t.substr(0, t.size() - 1));
}

/// The index after the partner of the bracket or parenthesis at i (the end when it has none).
size_t AfterGroup(const std::string& e, size_t i)
{
    char open = e[i], close = open == '(' ? ')' : ']';
    int depth = 0;
    for (size_t k = i; k < e.size(); ++k) {
        depth += e[k] == open ? 1 : e[k] == close ? -1 : 0;
        if (depth == 0)
            return k + 1;
    }
    return e.size();
}

bool IsFunction(const std::string& name)
{
    if (name.size() < 3)
        return false;
    std::string fn = name.substr(name.size() - 3);
    for (char& c : fn)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return fn == "sin" || fn == "cos" || fn == "tan" || fn == "log" || fn == "exp" || fn == "atn"
           || fn == "bol";
}

/// A data parameter's code is complete once two characters follow the last backslash; an
/// argument may then follow in parentheses or brackets.
bool TakesArgument(const std::string& token)
{
    size_t slash = token.rfind('\\');
    return slash != std::string::npos && token.size() - slash - 1 == 2;
}

void AddOnce(std::vector<std::string>& list, const std::string& item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

bool HasData(const std::string& data)
{
    DString file = Expt.GetDataFileName(Expt.CleanDataFileName(DString(data.c_str())));
    if (!file)
        return false;
    for (DataType kind : {DTWaveform, DTMatrix, DTParticleGroup, DTGeometry}) {
        DString probe = file + KindExtension(kind);
        if (FileExists(probe))
            return true;
    }
    return false;
}

std::string BareReason(const std::string& operand)
{
    size_t slash = operand.rfind('\\');
    if (operand[0] != '[' && slash != std::string::npos) {
        std::string data = operand.substr(0, slash);
        if (!HasData(data))
            return "no data object " + Quoted(data);
        return Quoted(operand) + " has no value";
    }
    std::string field = operand[0] == '[' ? operand.substr(1, operand.size() - 2) : operand;
    DString value = CurrentField(field.c_str());
    if (!value)
        return "no field " + Quoted(field);
    return "field " + Quoted(field) + " is not a number: " + Quoted(value);
}

/// Why an operand has no value, with the checker's suggestion where it is about that name.
std::string Reason(const std::string& operand, const Explanation& e)
{
    std::string reason = BareReason(operand);
    bool named = !e.unknown.empty()
                 && (operand == e.unknown || operand == "[" + e.unknown + "]"
                     || operand.rfind(e.unknown + "\\", 0) == 0);
    if (named && !e.suggestion.empty())
        reason += " (did you mean " + Quoted(e.suggestion) + "?)";
    return reason;
}

} // namespace

std::vector<std::string> ExpressionOperands(const std::string& e)
{
    std::vector<std::string> operands;
    size_t i = 0;
    while (i < e.size()) {
        if (e[i] == '[') {
            size_t end = AfterGroup(e, i);
            AddOnce(operands, e.substr(i, end - i));
            i = end;
            continue;
        }
        if (EndsOperand(e[i]) || e[i] == ':') {
            ++i;
            continue;
        }
        std::string token;
        while (i < e.size()) {
            char c = e[i];
            if ((c == '(' || c == '[') && TakesArgument(token)) {
                size_t end = AfterGroup(e, i);
                token += e.substr(i, end - i);
                i = end;
                break;
            }
            if ((c == '+' || c == '-') && AwaitsExponent(token)) {
                token += c;
                ++i;
                continue;
            }
            if (EndsOperand(c) || (c == ':' && i + 1 < e.size() && e[i + 1] == ':'))
                break;
            token += c;
            ++i;
        }
        bool function = i < e.size() && e[i] == '(' && IsFunction(token);
        if (!token.empty() && !IsNumber(token) && !function)
            AddOnce(operands, token);
        // bol(FIELD) has a value whether or not the field exists.
        if (function && token.size() >= 3
            && (DString(token.substr(token.size() - 3).c_str()) %= "bol"))
            i = AfterGroup(e, i);
        if (token.empty())
            ++i;
    }
    return operands;
}

Explanation PrepareExplanation(const std::string& expr)
{
    Explanation e;
    e.expr = expr;
    e.operands = ExpressionOperands(expr);
    ExpressionIssue issue;
    bool unknownName = !CheckExpression(DString(expr.c_str()), issue, &Expt)
                       && (issue.kind == ExpressionIssue::UnknownField
                           || issue.kind == ExpressionIssue::UnknownData);
    if (unknownName) {
        e.unknown = Str(issue.text);
        e.suggestion = Str(issue.suggestion);
    }
    return e;
}

void ExplainUndefined(const Explanation& e, bool shotSelected, std::vector<std::string>& reasons)
{
    if (!shotSelected) {
        AddOnce(reasons, "the shot cannot be selected");
        return;
    }
    bool found = false;
    for (const std::string& op : e.operands) {
        if (IsVF(Expt.GetScalarData(DString(op.c_str()))))
            continue;
        found = true;
        // A parameter's argument may be what has no value.
        size_t slash = op.rfind('\\');
        size_t open = op[0] == '[' || slash == std::string::npos ? std::string::npos
                                                                 : op.find_first_of("([", slash);
        if (open != std::string::npos && op.size() - open > 2) {
            Explanation argument = e;
            argument.expr = op.substr(open + 1, op.size() - open - 2);
            if (!IsVF(Expt.GetScalarData(DString(argument.expr.c_str())))) {
                argument.operands = ExpressionOperands(argument.expr);
                ExplainUndefined(argument, true, reasons);
                continue;
            }
        }
        AddOnce(reasons, Reason(op, e));
    }
    if (!found)
        AddOnce(reasons, Quoted(e.expr) + " has no value for these operands");
}

} // namespace cli
