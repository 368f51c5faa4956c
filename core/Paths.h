// Path text: joining, splitting and testing paths, and the one path comparison of the system.
#ifndef TALVEX_PATHS_H
#define TALVEX_PATHS_H

#include "DString.h"
#include "TalvexApi.h"

// On Windows only '\' separates the elements of a path and every path is in Windows style.
// Elsewhere both '\' and '/' separate them; a path is in Windows style when it begins with two
// backslashes, has ':' as its second character, or holds '\' and no '/'; otherwise it is
// native. These functions only look at text: nothing here touches the disk.

/// a and b joined with one separator in a's style: on Windows a + '\' + b exactly; elsewhere a
/// Windows-style a gives '\' and turns the '/' of b into '\', a native a gives '/' and turns
/// the '\' of b into '/'. An empty part adds no separator and leaves the other as it is.
/// Nothing is collapsed: "C:\" and "b" give "C:\\b".
TALVEX_API DString AppendPathElts(DString const& a, DString const& b);
/// The two-part form applied left to right.
TALVEX_API DString AppendPathElts(DString const& a, DString const& b, DString const& c);
TALVEX_API DString AppendPathElts(DString const& a, DString const& b, DString const& c,
                                  DString const& d);
TALVEX_API DString AppendPathElts(DString const& a, DString const& b, DString const& c,
                                  DString const& d, DString const& e);

/// Splits at the last separator: name = the text after it (the whole path when there is
/// none), folder = the text before it (empty when there is none).
TALVEX_API void SplitPathElts(DString const& path, DString& folder, DString& name);

/// True for an absolute path: two leading backslashes, ':' as second character, or (not on
/// Windows) a leading '/'.
TALVEX_API bool IsFullQual(DString const& path);

/// The path with the native separator throughout: every '/' turned into '\' on Windows, every
/// '\' into '/' elsewhere.
TALVEX_API DString TranslateFileName(DString const& path);

/// True when the path is in Windows style (see above; always on Windows).
TALVEX_API bool IsWindowsStylePath(DString const& path);

// ---- Comparing paths ---------------------------------------------------------------------------
// Every comparison of two paths and every path-prefix test of the system goes through these
// three functions, so that they all agree:
//  - '\' and '/' are the same character, and ASCII letter case is ignored;
//  - a run of separators inside a path counts as one, trailing separators are ignored, and
//    the leading separators count as none, one, or two-or-more (so "\\srv\x" is a network path
//    and never equals "\srv\x");
//  - a prefix matches whole elements only: "D:\exp" is a prefix of "D:\exp\a" and of "D:\exp",
//    never of "D:\expfoo\a";
//  - "." and ".." are plain elements (no folding), and a Windows path never equals its native
//    counterpart ("D:\x" and "/mnt/d/x" are different texts);
//  - an empty path equals only an empty path and is a prefix of nothing.

/// True when a and b name the same path by the rules above.
TALVEX_API bool PathsEqual(DString const& a, DString const& b);

/// True when prefix is path itself or a folder above it, by the rules above.
TALVEX_API bool PathStartsWith(DString const& path, DString const& prefix);

/// PathStartsWith, also giving the rest of path below prefix: the path's own text after the
/// matched elements without the separators that follow them (empty when the paths are equal).
/// On false, rest is left unchanged.
TALVEX_API bool PathAfterPrefix(DString const& path, DString const& prefix, DString& rest);

#endif
