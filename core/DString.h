// DString: the reference-counted, copy-on-write 8-bit string, with its constants and helpers.
#ifndef TALVEX_DSTRING_H
#define TALVEX_DSTRING_H

#include "TalvexApi.h"

#include <cstdint>

/// "Not found" for searches and "up to the end" for counts.
unsigned int const npos = 2147483647;

/// The line delimiter "\r\n". Its address is significant: splitting applies the line rule
/// only when handed this very pointer.
extern TALVEX_API char const* const LDelim;

/// Length of LDelim.
int const LenLD = 2;

/// The character of the shared empty string (never written, never freed).
extern TALVEX_API char const* const DEmptyString;

/// An 8-bit, NUL-terminated string holding one pointer to a reference-counted buffer.
/// Copies share the buffer; any change first gives this string its own copy. Not thread-safe.
class TALVEX_API DString {
public:
    DString();
    DString(DString const& s);
    /// Characters [start, start + count) of s; both are clamped to s, so npos runs to the end.
    DString(DString const& s, int start, int count = npos);
    /// n copies of ch; n < 1 gives an empty string in a block of its own.
    explicit DString(char ch, int n = 1);
    /// The first min(n, strlen(p)) characters of p; a null p gives the empty string.
    DString(char const* p, int n = npos);
    explicit DString(int v);
    explicit DString(unsigned int v);
    explicit DString(float v);
    explicit DString(double v);
    explicit DString(void* v);
    /// Seconds since 1970-01-01 UTC, shown in local time as "%m/%d/%Y %H:%M:%S".
    explicit DString(__int64 t);
    explicit DString(bool v);
    ~DString();

    DString& operator=(DString const& s);
    /// Copies strlen(p) characters (p may point into this string); null gives the empty string.
    DString& operator=(char const* p);
    DString& operator=(char c);
    /// Makes this string hold its own copy of s's characters (no sharing).
    void Copy(DString const& s);

    // Appending; operator<< returns this string for chaining.
    DString& operator<<(DString const& s);
    /// A null p appends nothing.
    DString& operator<<(char const* p);
    DString& operator<<(char c);
    DString& operator<<(int v);          ///< "%i"
    DString& operator<<(unsigned int v); ///< "%u"
    DString& operator<<(float v);        ///< "%.8g" of the value widened to double
    DString& operator<<(double v);       ///< "%.16g"
    DString& operator<<(void* v);        ///< "%p"
    /// Seconds since 1970-01-01 UTC as local time "%m/%d/%Y %H:%M:%S"; nothing when the
    /// system cannot represent the time.
    DString& operator<<(__int64 t);
    DString& operator<<(bool v); ///< "True" or "False"
    void operator+=(DString const& s);
    void operator+=(char const* p);
    void operator+=(char c);

    /// Appends v printed with the printf format fmt (at most 20 characters, one conversion
    /// suited to the type); otherwise appends v in the default format of operator<<. Floating
    /// values get a short exponent (1.5e+07 becomes 1.5e7).
    DString& AddFormatted(int v, char const* fmt);
    DString& AddFormatted(unsigned int v, char const* fmt);
    DString& AddFormatted(float v, char const* fmt);
    DString& AddFormatted(double v, char const* fmt);

    // Access and size.
    int Len() const { return reinterpret_cast<Header const*>(m_p)[-1].len; }
    char const* c_str() const { return m_p; }
    /// No bounds check.
    char operator[](int i) const { return m_p[i]; }
    /// Makes the buffer unshared and exactly n characters long (negative n gives 0) and returns
    /// it for writing; characters past the old length are unspecified until written.
    char* GetBuffer(int n);
    /// Sets character i when 0 <= i < Len(); otherwise nothing.
    void SetChar(int i, char c);

    // Tests and comparisons; == is case-sensitive, %= and /= ignore ASCII case.
    bool operator!() const { return Len() == 0; }
    bool operator~() const { return Len() > 0; }
    bool operator==(DString const& s) const;
    /// False for a null p.
    bool operator==(char const* p) const;
    bool operator!=(DString const& s) const;
    bool operator!=(char const* p) const;
    bool operator%=(DString const& s) const;
    bool operator%=(char const* p) const;
    bool operator/=(DString const& s) const;
    bool operator/=(char const* p) const;
    /// Byte-wise ordering as unsigned characters.
    bool operator<(DString const& s) const;
    bool operator>(DString const& s) const;
    /// -1, 0 or 1 in byte-wise order; a null p counts as empty.
    int Compare(DString const& s) const;
    int Compare(char const* p) const;
    /// Case-insensitive prefix test; an empty prefix gives true.
    bool StartsWith(DString const& s) const;
    bool StartsWith(char const* p) const;
    /// Case-insensitive suffix test; an empty suffix gives false.
    bool EndsWith(DString const& s) const;
    /// Case-insensitive suffix test; an empty (or null) suffix gives true.
    bool EndsWith(char const* p) const;

    // Searches: an index, or npos. A negative start counts as 0 for forward searches.
    int Find(char c, int start = 0) const;
    /// An empty needle is found at start (when start < Len()).
    int Find(char const* s, int start = 0) const;
    int Find(DString const& s, int start = 0) const;
    /// As Find, ignoring ASCII case.
    int FindI(char const* s, int start = 0) const;
    int FindI(DString const& s, int start = 0) const;
    /// The last occurrence at or before start.
    int RFind(char c, int start = npos) const;
    int RFind(char const* s, int start = npos) const;
    int RFind(DString const& s, int start = npos) const;
    int FindFirstOf(char const* set, int start = 0) const;
    int FindFirstOf(DString const& set, int start = 0) const;
    int FindFirstNotOf(char const* set, int start = 0) const;
    int FindFirstNotOf(DString const& set, int start = 0) const;

    // Pieces: out-of-range positions and counts are clamped to the string.
    DString Left(int n) const;
    DString Mid(int start, int count = npos) const;
    /// The last n characters; n >= Len() gives the whole string.
    DString Right(int n) const;
    /// Text after the first ch; when ch is absent, the whole string if whole, else empty.
    DString AfterFirst(char ch, bool whole = false) const;
    DString AfterLast(char ch, bool whole = false) const;
    DString BeforeFirst(char ch, bool whole = false) const;
    DString BeforeLast(char ch, bool whole = false) const;
    /// A copy without leading and trailing ' ' (tabs are kept).
    DString Trim() const;
    /// Cuts at the first NUL, then drops trailing ' ' but never the first character.
    void RTrim();
    /// A copy with every ' ' removed.
    DString Despace() const;
    /// Case-sensitive, non-overlapping replacement of find (which must not be empty), left to
    /// right; only the first occurrence unless all. A null replacement counts as empty.
    DString Replace(char const* find, char const* replacement, bool all = true) const;
    DString Replace(DString const& find, DString const& replacement, bool all = true) const;
    DString Replace(char const* find, DString const& replacement, bool all = true) const;
    /// A copy in which every LF not preceded by CR becomes CR LF.
    DString LFtoCRLF() const;
    /// Cuts at the last '.', unless it is at position 0 or absent (path separators ignored).
    void RemoveExt();
    /// Index where the trailing decimal number begins (n = its value), or npos (n = 0).
    int EndNumber(int& n) const;
    DString& ToLower();
    DString& ToUpper();
    /// Shortens to n characters; n beyond the length changes nothing, negative n gives 0.
    void Truncate(int n);
    /// Removes the last n characters; nothing when n > Len() or n < 0.
    void TruncateBy(int n);

    // Conversions starting at character start (0 <= start <= Len(), else false and out kept).
    /// Leading integer (base 10, saturated to int); trailing text is allowed.
    bool ToInt(int& out, int start = 0) const;
    bool ToUint(unsigned int& out, int start = 0) const;
    /// The whole text from start must be one number; out is written even when false.
    bool ToDouble(double& out, int start = 0) const;
    bool ToFloat(float& out, int start = 0) const;
    /// True when the whole string is one number as strtod reads it.
    bool IsNumeric() const;
    /// True for an empty or numeric string, or one starting with "1.#" or "-1.#".
    bool IsSemiNumeric() const;
    /// Reads "month/day/year hour:minute:second [AM|PM]" (separators ' ', '-', '/', ':') as
    /// local time into t (-1 when the system cannot represent it); false for under 2 chars.
    bool ToDate(__int64& t, int = 0) const;

    /// Number of strings sharing the buffer (-1 for the shared empty string).
    int GetRefs() const;
    /// Size in bytes of the buffer's block, header included (0 for the shared empty string).
    int GetAllocLength() const;

private:
    /// The three 32-bit integers in front of the characters.
    struct Header {
        std::int32_t refs;
        std::int32_t len;
        std::int32_t alloc;
    };

    static Header* AllocBuffer(int size);
    void AllocCopy(int n, char const* p);
    void ConcatSelf(int n, char const* p);
    void ReAlloc(int n);
    void Release();
    Header* H() const { return reinterpret_cast<Header*>(m_p) - 1; }
    template <class T> DString& AddFormattedImpl(T v, char const* fmt);
    template <class T> DString& AppendPrinted(char const* fmt, T v, int room);

    char* m_p; ///< First character of the buffer, never null between operations.
};

TALVEX_API DString operator+(DString const& a, DString const& b);
TALVEX_API DString operator+(DString const& a, char const* b);
TALVEX_API DString operator+(DString const& a, char b);
TALVEX_API DString operator+(char a, DString const& b);
TALVEX_API DString operator+(char const* a, DString const& b);

/// A new string holding v printed as AddFormatted prints it.
TALVEX_API DString Format(int v, char const* fmt);
TALVEX_API DString Format(unsigned int v, char const* fmt);
TALVEX_API DString Format(float v, char const* fmt);
TALVEX_API DString Format(double v, char const* fmt);

/// strlen as int; 0 for null.
TALVEX_API int dStrlen(char const* p);

/// True when x is not NaN and -9.9e34 < x < 9.9e34.
TALVEX_API bool IsVF(float x);

#endif
