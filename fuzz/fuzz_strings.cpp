// Fuzz target: text conversions, printing and splitting. The first byte picks the operation
// (and the delimiter or count where one is needed); the rest is the text.
#include "FuzzSupport.h"
#include "DStringArray.h"

#include <climits>
#include <cmath>

using namespace fuzzsupport;

namespace {

void Conversions(const DString& s, int start)
{
    int i = 0;
    unsigned int u = 0;
    double d = 0;
    float f = 0;
    __int64 t = 0;
    s.ToInt(i, start);
    s.ToUint(u, start);
    s.ToDouble(d, start);
    s.ToFloat(f, start);
    s.IsNumeric();
    s.IsSemiNumeric();
    s.ToDate(t);
    int n = 0;
    const int at = s.EndNumber(n);
    FUZZ_CHECK(at == int(npos) || (at >= 0 && at < s.Len()));
    FUZZ_CHECK(at != int(npos) || n == 0);
    // A finite number that was read prints as text that reads as a number again.
    if (s.ToDouble(d) && std::isfinite(d))
        FUZZ_CHECK(DString(d).ToDouble(d));
    if (s.ToFloat(f) && std::isfinite(f))
        FUZZ_CHECK(DString(f).ToFloat(f));
}

// The text is a printf format from a caller: one that does not suit the value falls back to
// the default form, never to undefined printing.
void Formats(const DString& fmt)
{
    const char* p = fmt.c_str();
    DString s = Format(-12, p) + Format(7u, p) + Format(2.5f, p) + Format(-1e300, p);
    s.AddFormatted(std::nan(""), p).AddFormatted(INT_MIN, p).AddFormatted(UINT_MAX, p);
}

void Splits(const DString& s, int rule, int n)
{
    // Each rule: the space runs, the line rule (the LDelim pointer itself), one character,
    // several characters, CR LF as an ordinary text, and no delimiter at all.
    static const char crlf[] = "\r\n";
    static const char* const Delims[] = {" ", LDelim, ",", "\t", ", ", "::", crlf, "", nullptr};
    const char* delim = Delims[rule % 9];
    DStringArray fields;
    fields.Split(s, delim, n);
    FUZZ_CHECK(fields.Count() >= n);
    if (delim && delim[0] == ' ' && delim[1] == '\0')
        for (int i = 0; i < fields.Count(); ++i)
            FUZZ_CHECK(fields[i].Find(' ') == int(npos));
    fields.Join(delim ? delim : "");
    DStringArray table;
    table.Split2D(s, delim, n - 1);
    DArray<DStringArray, true> rows;
    fields.MakeTable(rows, ",", n);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const unsigned op = Take<uint8_t>(data, size);
    const DString s = Text(data, size);
    if (op < 96)
        Conversions(s, int(op % 8) - 1);
    else if (op < 128)
        Formats(s);
    else
        Splits(s, int(op % 9), int(op / 9 % 5));
    return 0;
}
