// TraceParamTable: the parameter codes of waveforms, matrices and particle groups.
#include "TraceParamTable.h"

#include <cctype>

namespace {

constexpr unsigned W = ParamWaveform;
constexpr unsigned XY = ParamXY;
constexpr unsigned M = ParamMatrix;
constexpr unsigned P = ParamParticles;

// Order: as a person reads the help text (header fields, extremes, timing, sums, look-ups,
// then the matrix axes).
DataParamCode const kCodes[] = {
    {"t1", W | M | P, "time mark 1", ""},
    {"t2", W | M | P, "time mark 2", ""},
    {"t3", W | M | P, "time mark 3", ""},
    {"t4", W | M | P, "time mark 4", ""},
    {"t5", W | M | P, "time mark 5", ""},
    {"st", W | XY, "start time (paired: the first X value)", ""},
    {"ft", W | XY, "time of the last sample (paired: the last X value)", ""},
    {"it", W, "start without time shift: scope shifts plus start base", ""},
    {"ts", W, "time shift", ""},
    {"is", W, "start base", ""},
    {"pt", W, "scope shift", ""},
    {"tp", W, "time step between samples", ""},
    {"su", W | M, "scale unit", ""},
    {"cl", W, "calibration", ""},
    {"at", W, "attenuation", ""},
    {"bl", W, "offset (base line)", ""},
    {"sv", W, "scope value", ""},
    {"mx", W | M, "largest value", ""},
    {"mn", W | M, "smallest value", ""},
    {"tm", W | XY, "time of the largest value (paired: X there)", ""},
    {"tn", W | XY, "time of the smallest value (paired: X there)", ""},
    {"19", W | XY, "10%-90% rise time", ""},
    {"28", W | XY, "20%-80% rise time", ""},
    {"av", W, "mean of all samples but the last", ""},
    {"in", W, "integral: step times the sum of the samples after the first", ""},
    {"ri", W, "radial integral (time read as radius)", ""},
    {"pi", W, "peak of the running integral (not below 0)", ""},
    {"sd", W, "standard deviation of the samples", ""},
    {"wa", W, "mean time weighted by the samples", ""},
    {"fh", W, "full width at half maximum", ""},
    {"vt", W | XY, "value at a time (paired: Y where X first reaches the argument)", "time"},
    {"tv", W | XY, "time where the value is first reached (paired: X there)", "value"},
    {"t%", W | XY, "time where a percentage of the maximum is first reached", "percent"},
    {"bv", W | XY, "time where the value is last reached (paired: X there)", "value"},
    {"b%", W | XY, "time where a percentage of the maximum is last reached", "percent"},
    {"la", W | XY, "mean from the start up to a time (paired: up to where X reaches it)", "time"},
    {"ta", W | XY, "mean from a time to the end (paired: from where X reaches it)", "time"},
    {"lt", W, "sample time at or before a time", "time"},
    {"np", P, "number of particles", ""},
    {"rc", M, "number of rows", ""},
    {"rs", M, "row step", ""},
    {"rb", M, "first row coordinate", ""},
    {"r1", M, "spacing of the first two row coordinates", ""},
    {"re", M, "last row coordinate", ""},
    {"cc", M, "number of columns", ""},
    {"cs", M, "column step", ""},
    {"cb", M, "first column coordinate", ""},
    {"c1", M, "spacing of the first two column coordinates", ""},
    {"ce", M, "last column coordinate", ""},
    {"lc", M, "number of layers", ""},
    {"ls", M, "layer step", ""},
    {"lb", M, "first layer coordinate", ""},
    {"l1", M, "spacing of the first two layer coordinates", ""},
    {"le", M, "last layer coordinate", ""},
};

int const kCount = int(sizeof kCodes / sizeof kCodes[0]);

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

} // namespace

int DataParamCodeCount()
{
    return kCount;
}

DataParamCode const& GetDataParamCode(int i)
{
    return kCodes[i < 0 ? 0 : i >= kCount ? kCount - 1 : i];
}

DataParamCode const* FindDataParamCode(DString const& code, unsigned kinds)
{
    if (code.Len() < 2)
        return nullptr;
    char const a = Lower(code[0]);
    char const b = Lower(code[1]);
    for (DataParamCode const& c : kCodes) {
        if (c.code[0] == a && c.code[1] == b)
            return (c.kinds & kinds) ? &c : nullptr;
    }
    return nullptr;
}
