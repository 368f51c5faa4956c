// Fuzz target: text conversions and splitting. The first byte picks the operation (and the
// delimiter or count where one is needed); the rest is the text.
#include "FuzzSupport.h"
#include "DStringArray.h"

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
}

void Splits(const DString& s, int rule, int n)
{
    static const char* const Delims[] = {" ", ",", "\t", ", ", "::", "="};
    const char* delim = rule == 0 ? LDelim : Delims[(rule - 1) % 6];
    DStringArray fields;
    fields.Split(s, delim, n);
    FUZZ_CHECK(fields.Count() >= n);
    if (delim[0] == ' ' && delim[1] == '\0')
        for (int i = 0; i < fields.Count(); ++i)
            FUZZ_CHECK(fields[i].Find(' ') == int(npos));
    fields.Join(delim);
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
    if (op < 128)
        Conversions(s, int(op % 8) - 1);
    else
        Splits(s, int(op % 7), int(op / 7 % 5));
    return 0;
}
