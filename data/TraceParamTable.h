// TraceParamTable: every parameter code of the data objects, one table for the evaluator, the
// expression checker and the help text.
#ifndef TALVEX_TRACEPARAMTABLE_H
#define TALVEX_TRACEPARAMTABLE_H

#include "DString.h"
#include "TalvexApi.h"

/// The kinds of data object a parameter code applies to (bits of DataParamCode::kinds).
enum DataParamKind : unsigned {
    ParamWaveform = 1, ///< Waveform::GetTraceParam
    ParamXY = 2,       ///< Waveform::GetXYTraceParam (this waveform against another)
    ParamMatrix = 4,   ///< Matrix::GetMatrixParam
    ParamParticles = 8 ///< ParticleGroup::GetPGroupParam
};

/// One parameter code: `<data>\<code>` in an expression, `<code>[arg]` when it takes one.
struct TALVEX_API DataParamCode {
    /// Two characters, lower case (codes are matched ignoring case).
    char const* code;
    /// DataParamKind bits.
    unsigned kinds;
    /// What the value is, for a person.
    char const* meaning;
    /// What the bracketed argument is; empty when the code takes none.
    char const* argument;
};

/// Number of entries of the code table.
TALVEX_API int DataParamCodeCount();
/// Entry i of the code table (0 <= i < DataParamCodeCount()); the table is static.
TALVEX_API DataParamCode const& GetDataParamCode(int i);
/// The entry whose code is the first two characters of `code` (case ignored) and applies to
/// one of `kinds`; null when there is none (as for a code of fewer than two characters).
TALVEX_API DataParamCode const* FindDataParamCode(DString const& code,
                                                  unsigned kinds = ParamWaveform | ParamXY
                                                                   | ParamMatrix | ParamParticles);

#endif
