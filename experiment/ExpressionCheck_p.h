// ExpressionCheck_p: the checker's pieces shared with the shot conditions.
#ifndef TALVEX_EXPRESSIONCHECK_P_H
#define TALVEX_EXPRESSIONCHECK_P_H

#include "DString.h"
#include "DStringArray.h"
#include "ExpressionCheck.h"

#include <memory>

class Experiment;

namespace exprcheck {

/// The field and data-object names an experiment knows, gathered on first use: fields from the
/// current shot's Scalars.ini and every shot path's ScalarCache.ini, data objects from the
/// current shot's folder and, only for a name not found there, a bounded number of other shots.
class KnownNames {
public:
    explicit KnownNames(Experiment* experiment);
    ~KnownNames();
    KnownNames(KnownNames const&) = delete;
    KnownNames& operator=(KnownNames const&) = delete;

    /// True without an experiment (nothing can be said) or when some shot holds the field.
    bool HasField(DString const& name, DString& suggestion);
    /// As HasField for a data object; `shot` is the shot the name addresses (empty: any).
    bool HasData(DString const& name, DString const& shot, DString& suggestion);
    /// The DataParamKind bits of the data object as the shot it addresses (empty: the current
    /// one) holds it: waveform and paired codes for a .wvf file, and so on; 0 when that shot
    /// holds no file of the name (nothing is then said about its codes).
    unsigned DataKinds(DString const& name, DString const& shot);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

/// Checks the expression whole[from, to): positions and messages refer to the whole text.
/// `names` may be null (no look-ups). True when nothing was found.
bool CheckPart(DString const& whole, int from, int to, ExpressionIssue& issue, KnownNames* names);

/// WhyUndefined's reading.
DString WhyUndefined(DString const& expr, Experiment& experiment);

/// Fills issue with kind, position and text and a message "<what> '<text>' at column <n> of
/// '<whole>'"; always false.
bool Fail(ExpressionIssue& issue, ExpressionIssue::Kind kind, DString const& whole, int position,
          DString const& text, char const* what, DString const& suggestion = DString());

/// The candidate closest to name by edit distance (case ignored), when close enough to be a
/// likely typo; else empty.
DString Closest(DString const& name, DStringArray const& candidates);

} // namespace exprcheck

#endif
