// Expanded labels: shot fields and formatted values of expressions inside display labels.
#include "Experiment.h"
#include "Experiment_p.h"

using expt::kNotFound;

namespace {

/// Position of the ']' that closes the '[' just before `from`, counting nested brackets;
/// kNotFound when the label ends first.
int MatchingBracket(DString const& label, int from)
{
    int depth = 1;
    for (int i = from; i < label.Len(); ++i) {
        if (label[i] == '[')
            ++depth;
        else if (label[i] == ']' && --depth == 0)
            return i;
    }
    return kNotFound;
}

} // namespace

DString Experiment::GetExpandedLabel(DString const& label)
{
    DString result;
    int pos = 0;
    for (;;) {
        int const open = label.Find("![", pos);
        if (open == kNotFound)
            break;
        result << label.Mid(pos, open - pos);
        int const close = MatchingBracket(label, open + 2);
        if (close == kNotFound)
            return label;
        result << LabelValue(label.Mid(open + 2, close - open - 2));
        pos = close + 1;
    }
    return result << label.Mid(pos);
}

// One reference: a text field as it is, else the expression's value, formatted.
DString Experiment::LabelValue(DString inner)
{
    DString format;
    int const percent = inner.Find('%');
    if (percent != kNotFound) {
        format = inner.Mid(percent);
        inner = inner.Left(percent);
    }
    DString const text = GetShotData(inner);
    if ((~text && !text.IsNumeric()) || (inner %= "Shot"))
        return text;
    fieldsRead = false; // the evaluation reads the field file afresh
    float const v = ParseInput(inner, nullptr);
    if (!IsVF(v))
        return "(undefined)";
    DString out;
    return ~format ? out.AddFormatted(v, format.c_str()) : out << v;
}
