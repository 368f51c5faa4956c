// DString: buffers and their recycling, copy-on-write, searches, edits and number text.
#include "DString.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <type_traits>

#if defined(__SANITIZE_ADDRESS__)
#define TALVEX_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TALVEX_LSAN 1
#endif
#endif
#if defined(TALVEX_LSAN)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

/// The shared empty string: the three header integers, then its NUL.
struct EmptyBlock {
    std::int32_t refs;
    std::int32_t len;
    std::int32_t alloc;
    char nul;
};
constexpr std::size_t kHeaderSize = offsetof(EmptyBlock, nul);
static_assert(kHeaderSize == 12, "the characters follow the 12-byte header");

EmptyBlock const g_empty = {-1, 0, 0, '\0'};

/// Blocks of this size are recycled through g_freeList instead of the heap.
constexpr int kSmallBlock = 32;

/// Header of the first free 32-byte block; each links to the next from its character area.
void* g_freeList = nullptr;

/// The link of a free block lives in the first 8 bytes of its character area (offset 12).
void* PopSmallBlock()
{
    void* block = g_freeList;
    if (block)
        std::memcpy(&g_freeList, static_cast<char*>(block) + kHeaderSize, sizeof g_freeList);
    return block;
}

void PushSmallBlock(void* block)
{
    std::memcpy(static_cast<char*>(block) + kHeaderSize, &g_freeList, sizeof g_freeList);
    g_freeList = block;
}

char* EmptyChars()
{
    return const_cast<char*>(&g_empty.nul);
}

/// Smallest multiple of 32 greater than n + 25, so at least 13 bytes stay spare.
int BlockSize(int n)
{
    long long size = (static_cast<long long>(n) + 25) / 32 * 32 + 32;
    if (size > INT_MAX)
        throw std::bad_alloc();
    return static_cast<int>(size);
}

/// Length n plus m as a block length; beyond int the allocation cannot succeed.
int SumLength(int n, long long m)
{
    long long sum = n + m;
    if (sum > INT_MAX - 64)
        throw std::bad_alloc();
    return static_cast<int>(sum);
}

bool PointsInto(char const* p, char const* begin, char const* end)
{
    auto u = reinterpret_cast<std::uintptr_t>(p);
    return u >= reinterpret_cast<std::uintptr_t>(begin)
           && u <= reinterpret_cast<std::uintptr_t>(end);
}

char FoldLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}
char FoldUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

/// Case-insensitive comparison of at most n characters, stopping at a NUL (ASCII folding).
int FoldCompare(char const* a, char const* b, std::size_t n = SIZE_MAX)
{
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(FoldLower(a[i]));
        unsigned char cb = static_cast<unsigned char>(FoldLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

bool IsSpaceC(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

/// strtoul as a 32-bit unsigned long reads: overflow saturates at 4294967295 and a minus
/// sign negates modulo 2^32, whatever the width of the platform's long.
unsigned int Strtoul32(char const* p, char** end)
{
    char const* q = p;
    while (IsSpaceC(*q))
        ++q;
    bool negative = *q == '-';
    errno = 0;
    unsigned long long v = std::strtoull(p, end, 10);
    if (errno == ERANGE)
        return UINT_MAX;
    unsigned long long magnitude = negative ? 0 - v : v;
    if (magnitude > UINT_MAX)
        return UINT_MAX;
    return static_cast<unsigned int>(v);
}

/// strtol saturated to int, as a 32-bit long reads.
int Strtol32(char const* p, char** end)
{
    long long v = std::strtoll(p, end, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

/// True when fmt has at most one conversion and that one takes the value's type, with no '*'
/// and no %n: any other format would make printf read or write memory it was never given.
/// Width and precision take at most two digits: the text is cut at 20 characters anyway, and a
/// precision of millions would make printf produce every digit before the cut.
bool FormatSuits(char const* fmt, bool floating)
{
    if (!fmt)
        return false;
    int conversions = 0;
    for (char const* q = fmt; *q; ++q) {
        if (*q != '%')
            continue;
        if (*++q == '%')
            continue;
        q += std::strspn(q, "-+ #0'");
        size_t digits = std::strspn(q, "0123456789");
        q += digits;
        if (*q == '.') {
            ++q;
            const size_t precision = std::strspn(q, "0123456789");
            q += precision;
            digits = std::max(digits, precision);
        }
        if (digits > 2)
            return false;
        if (floating) {
            if (*q == 'l')
                ++q;
            if (!*q || !std::strchr("fFeEgGaA", *q))
                return false;
        } else {
            if (*q == 'h' && *++q == 'h')
                ++q;
            if (!*q || !std::strchr("diouxXc", *q))
                return false;
        }
        ++conversions;
    }
    return conversions <= 1;
}

bool LocalTime(__int64 t, std::tm& out)
{
    std::time_t tt = static_cast<std::time_t>(t);
    if (static_cast<__int64>(tt) != t)
        return false;
#if defined(_WIN32)
    return localtime_s(&out, &tt) == 0;
#else
    return localtime_r(&tt, &out) != nullptr;
#endif
}

} // namespace

char const* const DEmptyString = &g_empty.nul;
char const* const LDelim = "\r\n";

// ---- memory ----------------------------------------------------------------------------

DString::Header* DString::AllocBuffer(int size)
{
    static_assert(sizeof(Header) == kHeaderSize, "three 32-bit integers");
    assert(size >= kSmallBlock && size % kSmallBlock == 0 && "blocks follow the 32-byte rule");
    void* block = size == kSmallBlock ? PopSmallBlock() : nullptr;
    if (!block) {
        block = std::malloc(static_cast<std::size_t>(size));
        if (!block)
            throw std::bad_alloc();
#if defined(TALVEX_LSAN)
        // Recycled blocks are linked through unaligned words that the leak checker skips.
        if (size == kSmallBlock)
            __lsan_ignore_object(block);
#endif
    }
    return new (block) Header {1, 0, size};
}

void DString::Release()
{
    if (m_p != EmptyChars()) {
        Header* h = H();
        assert(h->refs > 0 && "a released buffer is still referenced");
        if (--h->refs == 0) {
            if (h->alloc == kSmallBlock)
                PushSmallBlock(h);
            else
                std::free(h);
        }
    }
    m_p = EmptyChars();
}

void DString::ReAlloc(int n)
{
    if (n < 0)
        n = 0;
    int size = BlockSize(n);
    Header* h = H();
    if (h->refs < 2 && h->alloc >= size) {
        h->len = n;
        m_p[n] = '\0';
        return;
    }
    if (h->refs == 1 && h->alloc > kSmallBlock) {
        // An unshared block that is too small: the heap may extend it where it lies.
        void* grown = std::realloc(h, static_cast<std::size_t>(size));
        if (!grown)
            throw std::bad_alloc();
        h = static_cast<Header*>(grown);
        h->alloc = size;
    } else {
        Header* fresh = AllocBuffer(size);
        std::memcpy(fresh + 1, m_p, static_cast<std::size_t>(n < h->len ? n : h->len));
        Release();
        h = fresh;
    }
    h->len = n;
    m_p = reinterpret_cast<char*>(h + 1);
    m_p[n] = '\0';
}

void DString::AllocCopy(int n, char const* p)
{
    if (n < 0 || !p)
        n = 0;
    int size = BlockSize(n);
    Header* h = H();
    if (h->refs < 2 && h->alloc >= size) {
        std::memmove(m_p, p, static_cast<std::size_t>(n)); // p may lie in this very text
        h->len = n;
        m_p[n] = '\0';
        return;
    }
    Header* fresh = AllocBuffer(size);
    char* chars = reinterpret_cast<char*>(fresh + 1);
    std::memcpy(chars, p, static_cast<std::size_t>(n)); // before the old text is released
    fresh->len = n;
    chars[n] = '\0';
    Release();
    m_p = chars;
}

void DString::ConcatSelf(int n, char const* p)
{
    if (n <= 0 || !p)
        return;
    int len = Len();
    // Appending from this string's own text: ReAlloc may move it, so keep an offset.
    bool own = PointsInto(p, m_p, m_p + len);
    std::ptrdiff_t offset = own ? p - m_p : 0;
    ReAlloc(SumLength(len, n));
    std::memmove(m_p + len, own ? m_p + offset : p, static_cast<std::size_t>(n));
}

int DString::GetRefs() const
{
    return H()->refs;
}

int DString::GetAllocLength() const
{
    return H()->alloc;
}

// ---- construction and assignment -------------------------------------------------------

DString::DString() : m_p(EmptyChars()) { }

DString::DString(DString const& s) : m_p(s.m_p)
{
    if (m_p != EmptyChars())
        ++H()->refs;
}

DString::DString(DString const& s, int start, int count) : m_p(EmptyChars())
{
    int len = s.Len();
    start = start < 0 ? 0 : (start > len ? len : start);
    count = count < 0 ? 0 : (count > len - start ? len - start : count);
    if (count > 0)
        AllocCopy(count, s.m_p + start);
}

DString::DString(char ch, int n) : m_p(EmptyChars())
{
    ReAlloc(n);
    std::memset(m_p, ch, static_cast<std::size_t>(Len()));
}

DString::DString(char const* p, int n) : m_p(EmptyChars())
{
    if (!p || n <= 0)
        return;
    void const* nul = std::memchr(p, '\0', static_cast<std::size_t>(n));
    int count = nul ? static_cast<int>(static_cast<char const*>(nul) - p) : n;
    if (count > 0)
        AllocCopy(count, p);
}

DString::DString(int v) : m_p(EmptyChars())
{
    *this << v;
}
DString::DString(unsigned int v) : m_p(EmptyChars())
{
    *this << v;
}
DString::DString(float v) : m_p(EmptyChars())
{
    *this << v;
}
DString::DString(double v) : m_p(EmptyChars())
{
    *this << v;
}
DString::DString(void* v) : m_p(EmptyChars())
{
    *this << v;
}
DString::DString(__int64 t) : m_p(EmptyChars())
{
    *this << t;
}
DString::DString(bool v) : m_p(EmptyChars())
{
    *this << v;
}

DString::~DString()
{
    Release();
}

DString& DString::operator=(DString const& s)
{
    if (m_p != s.m_p) {
        char* p = s.m_p;
        if (p != EmptyChars())
            ++reinterpret_cast<Header*>(p)[-1].refs;
        Release();
        m_p = p;
    }
    return *this;
}

DString& DString::operator=(char const* p)
{
    AllocCopy(dStrlen(p), p);
    return *this;
}

DString& DString::operator=(char c)
{
    AllocCopy(1, &c);
    return *this;
}

void DString::Copy(DString const& s)
{
    AllocCopy(s.Len(), s.m_p);
}

// ---- appending -------------------------------------------------------------------------

DString& DString::operator<<(DString const& s)
{
    ConcatSelf(s.Len(), s.m_p);
    return *this;
}

DString& DString::operator<<(char const* p)
{
    ConcatSelf(dStrlen(p), p);
    return *this;
}

DString& DString::operator<<(char c)
{
    ConcatSelf(1, &c);
    return *this;
}

/// Prints v with fmt into room characters reserved after the end, then fits the length.
template <class T> DString& DString::AppendPrinted(char const* fmt, T v, int room)
{
    int old = Len();
    ReAlloc(SumLength(old, room));
    int k = std::snprintf(m_p + old, static_cast<std::size_t>(room) + 1, fmt, v);
    if (k > room) {
        ReAlloc(SumLength(old, k));
        k = std::snprintf(m_p + old, static_cast<std::size_t>(k) + 1, fmt, v);
    }
    ReAlloc(k < 0 ? old : old + k);
    return *this;
}

DString& DString::operator<<(int v)
{
    return AppendPrinted("%i", v, 12);
}
DString& DString::operator<<(unsigned int v)
{
    return AppendPrinted("%u", v, 12);
}
DString& DString::operator<<(float v)
{
    return AppendPrinted("%.8g", static_cast<double>(v), 15);
}
DString& DString::operator<<(double v)
{
    return AppendPrinted("%.16g", v, 25);
}
DString& DString::operator<<(void* v)
{
    return AppendPrinted("%p", v, 25);
}

DString& DString::operator<<(__int64 t)
{
    std::tm tm {};
    if (!LocalTime(t, tm))
        return *this;
    int old = Len();
    ReAlloc(SumLength(old, 25));
    std::size_t k = std::strftime(m_p + old, 26, "%m/%d/%Y %H:%M:%S", &tm);
    ReAlloc(old + static_cast<int>(k));
    return *this;
}

DString& DString::operator<<(bool v)
{
    return *this << (v ? "True" : "False");
}

void DString::operator+=(DString const& s)
{
    *this << s;
}
void DString::operator+=(char const* p)
{
    *this << p;
}
void DString::operator+=(char c)
{
    *this << c;
}

template <class T> DString& DString::AddFormattedImpl(T v, char const* fmt)
{
    constexpr bool floating = std::is_floating_point<T>::value;
    int old = Len();
    ReAlloc(SumLength(old, 20));
    int k = -1;
    if (FormatSuits(fmt, floating)) {
        if constexpr (floating)
            k = std::snprintf(m_p + old, 21, fmt, static_cast<double>(v));
        else
            k = std::snprintf(m_p + old, 21, fmt, v);
    }
    if (k < 0 || k > 20) {
        ReAlloc(old);
        return *this << v;
    }
    ReAlloc(old + k);
    if constexpr (floating) {
        // Short exponent: 1.5e+07 becomes 1.5e7, 2e-05 becomes 2e-5.
        int e = old + k - 1;
        while (e >= old && m_p[e] != 'e')
            --e;
        if (e < old)
            return *this;
        int len = old + k;
        if (e + 2 < len && m_p[e + 2] == '0') {
            std::memmove(m_p + e + 2, m_p + e + 3, static_cast<std::size_t>(len - e - 2));
            --len;
        }
        if (e + 1 < len && m_p[e + 1] == '+') {
            std::memmove(m_p + e + 1, m_p + e + 2, static_cast<std::size_t>(len - e - 1));
            --len;
        }
        H()->len = len;
    }
    return *this;
}

DString& DString::AddFormatted(int v, char const* fmt)
{
    return AddFormattedImpl(v, fmt);
}
DString& DString::AddFormatted(unsigned int v, char const* fmt)
{
    return AddFormattedImpl(v, fmt);
}
DString& DString::AddFormatted(float v, char const* fmt)
{
    return AddFormattedImpl(v, fmt);
}
DString& DString::AddFormatted(double v, char const* fmt)
{
    return AddFormattedImpl(v, fmt);
}

// ---- access ----------------------------------------------------------------------------

char* DString::GetBuffer(int n)
{
    ReAlloc(n);
    return m_p;
}

void DString::SetChar(int i, char c)
{
    if (i < 0 || i >= Len())
        return;
    if (H()->refs > 1)
        ReAlloc(Len());
    m_p[i] = c;
}

// ---- comparisons -----------------------------------------------------------------------

bool DString::operator==(DString const& s) const
{
    return Len() == s.Len() && std::memcmp(m_p, s.m_p, static_cast<std::size_t>(Len())) == 0;
}

bool DString::operator==(char const* p) const
{
    return p && std::strcmp(m_p, p) == 0;
}
bool DString::operator!=(DString const& s) const
{
    return !(*this == s);
}
bool DString::operator!=(char const* p) const
{
    return !(*this == p);
}

bool DString::operator%=(DString const& s) const
{
    return Len() == s.Len() && FoldCompare(m_p, s.m_p) == 0;
}

bool DString::operator%=(char const* p) const
{
    return p && FoldCompare(m_p, p) == 0;
}
bool DString::operator/=(DString const& s) const
{
    return !(*this %= s);
}
bool DString::operator/=(char const* p) const
{
    return !(*this %= p);
}
bool DString::operator<(DString const& s) const
{
    return std::strcmp(m_p, s.m_p) < 0;
}
bool DString::operator>(DString const& s) const
{
    return std::strcmp(m_p, s.m_p) > 0;
}
int DString::Compare(DString const& s) const
{
    return Compare(s.m_p);
}

int DString::Compare(char const* p) const
{
    int c = std::strcmp(m_p, p ? p : "");
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool DString::StartsWith(DString const& s) const
{
    return s.Len() <= Len() && FoldCompare(m_p, s.m_p, static_cast<std::size_t>(s.Len())) == 0;
}

bool DString::StartsWith(char const* p) const
{
    int n = dStrlen(p);
    return n <= Len() && FoldCompare(m_p, p ? p : "", static_cast<std::size_t>(n)) == 0;
}

bool DString::EndsWith(DString const& s) const
{
    return s.Len() > 0 && s.Len() <= Len() && FoldCompare(m_p + Len() - s.Len(), s.m_p) == 0;
}

bool DString::EndsWith(char const* p) const
{
    int n = dStrlen(p);
    return n == 0 || (n <= Len() && FoldCompare(m_p + Len() - n, p) == 0);
}

// ---- searches --------------------------------------------------------------------------

int DString::Find(char c, int start) const
{
    if (start < 0)
        start = 0;
    if (start >= Len())
        return npos;
    void const* hit = std::memchr(m_p + start, c, static_cast<std::size_t>(Len() - start));
    return hit ? static_cast<int>(static_cast<char const*>(hit) - m_p) : npos;
}

int DString::Find(char const* s, int start) const
{
    if (start < 0)
        start = 0;
    if (start >= Len())
        return npos;
    if (!s || !*s)
        return start;
    char const* hit = std::strstr(m_p + start, s);
    return hit ? static_cast<int>(hit - m_p) : npos;
}

int DString::Find(DString const& s, int start) const
{
    return Find(s.m_p, start);
}

int DString::FindI(char const* s, int start) const
{
    if (start < 0)
        start = 0;
    if (start >= Len())
        return npos;
    int n = dStrlen(s);
    for (int i = start; i + n <= Len(); ++i)
        if (FoldCompare(m_p + i, s ? s : "", static_cast<std::size_t>(n)) == 0)
            return i;
    return npos;
}

int DString::FindI(DString const& s, int start) const
{
    return FindI(s.m_p, start);
}

int DString::RFind(char c, int start) const
{
    int i = start < Len() - 1 ? start : Len() - 1;
    for (; i >= 0; --i)
        if (m_p[i] == c)
            return i;
    return npos;
}

int DString::RFind(char const* s, int start) const
{
    int n = dStrlen(s);
    if (n > Len())
        return npos;
    if (!s)
        s = "";
    int i = start < Len() - n ? start : Len() - n;
    for (; i >= 0; --i)
        if (std::memcmp(m_p + i, s, static_cast<std::size_t>(n)) == 0)
            return i;
    return npos;
}

int DString::RFind(DString const& s, int start) const
{
    return RFind(s.m_p, start);
}

int DString::FindFirstOf(char const* set, int start) const
{
    if (start < 0)
        start = 0;
    for (int i = start; set && i < Len(); ++i)
        if (m_p[i] && std::strchr(set, m_p[i]))
            return i;
    return npos;
}

int DString::FindFirstOf(DString const& set, int start) const
{
    return FindFirstOf(set.m_p, start);
}

int DString::FindFirstNotOf(char const* set, int start) const
{
    if (start < 0)
        start = 0;
    for (int i = start; i < Len(); ++i)
        if (!m_p[i] || !set || !std::strchr(set, m_p[i]))
            return i;
    return npos;
}

int DString::FindFirstNotOf(DString const& set, int start) const
{
    return FindFirstNotOf(set.m_p, start);
}

// ---- pieces and edits ------------------------------------------------------------------

DString DString::Left(int n) const
{
    return DString(*this, 0, n);
}
DString DString::Mid(int start, int count) const
{
    return DString(*this, start, count);
}

DString DString::Right(int n) const
{
    if (n < 0)
        n = 0;
    return DString(*this, n < Len() ? Len() - n : 0, n);
}

DString DString::AfterFirst(char ch, bool whole) const
{
    int p = Find(ch);
    return p == npos ? (whole ? *this : DString()) : Mid(p + 1);
}

DString DString::AfterLast(char ch, bool whole) const
{
    int p = RFind(ch);
    return p == npos ? (whole ? *this : DString()) : Mid(p + 1);
}

DString DString::BeforeFirst(char ch, bool whole) const
{
    int p = Find(ch);
    return p == npos ? (whole ? *this : DString()) : Left(p);
}

DString DString::BeforeLast(char ch, bool whole) const
{
    int p = RFind(ch);
    return p == npos ? (whole ? *this : DString()) : Left(p);
}

DString DString::Trim() const
{
    int begin = 0;
    int end = Len();
    while (begin < end && m_p[begin] == ' ')
        ++begin;
    while (end > begin && m_p[end - 1] == ' ')
        --end;
    return DString(*this, begin, end - begin);
}

void DString::RTrim()
{
    int n = static_cast<int>(std::strlen(m_p));
    while (n > 1 && m_p[n - 1] == ' ')
        --n;
    if (n != Len())
        ReAlloc(n);
}

DString DString::Despace() const
{
    int spaces = 0;
    for (int i = 0; i < Len(); ++i)
        spaces += m_p[i] == ' ';
    if (spaces == 0)
        return *this;
    DString r;
    char* out = r.GetBuffer(Len() - spaces);
    for (int i = 0; i < Len(); ++i)
        if (m_p[i] != ' ')
            *out++ = m_p[i];
    return r;
}

DString DString::Replace(char const* find, char const* replacement, bool all) const
{
    if (Len() == 0)
        return DString();
    int findLen = dStrlen(find);
    int first = findLen > 0 ? Find(find) : npos;
    if (first == npos)
        return *this;
    // Count the occurrences first so that the result is allocated once.
    int repLen = dStrlen(replacement);
    if (!replacement)
        replacement = "";
    long long total = Len();
    for (int p = first; p != npos; p = all ? Find(find, p + findLen) : npos)
        total += repLen - findLen;
    DString r;
    char* out = r.GetBuffer(SumLength(0, total));
    int from = 0;
    for (int p = first; p != npos; p = all ? Find(find, from) : npos) {
        std::memcpy(out, m_p + from, static_cast<std::size_t>(p - from));
        out += p - from;
        std::memcpy(out, replacement, static_cast<std::size_t>(repLen));
        out += repLen;
        from = p + findLen;
    }
    std::memcpy(out, m_p + from, static_cast<std::size_t>(Len() - from));
    return r;
}

DString DString::Replace(DString const& find, DString const& replacement, bool all) const
{
    return Replace(find.m_p, replacement.m_p, all);
}

DString DString::Replace(char const* find, DString const& replacement, bool all) const
{
    return Replace(find, replacement.m_p, all);
}

DString DString::LFtoCRLF() const
{
    int bare = 0;
    for (int i = 0; i < Len(); ++i)
        bare += m_p[i] == '\n' && (i == 0 || m_p[i - 1] != '\r');
    if (bare == 0)
        return *this;
    DString r;
    char* out = r.GetBuffer(Len() + bare);
    for (int i = 0; i < Len(); ++i) {
        if (m_p[i] == '\n' && (i == 0 || m_p[i - 1] != '\r'))
            *out++ = '\r';
        *out++ = m_p[i];
    }
    return r;
}

void DString::RemoveExt()
{
    int p = RFind('.');
    if (p != npos && p > 0)
        Truncate(p);
}

int DString::EndNumber(int& n) const
{
    n = 0;
    int begin = npos;
    for (int i = Len() - 1; i >= 0; --i) {
        char* end = nullptr;
        unsigned int v = Strtoul32(m_p + i, &end);
        if (end == m_p + i)
            break;
        begin = i;
        n = static_cast<int>(v);
    }
    return begin;
}

DString& DString::ToLower()
{
    if (Len() > 0) {
        SetChar(0, m_p[0]); // unshares
        for (char* q = m_p; *q; ++q)
            *q = FoldLower(*q);
    }
    return *this;
}

DString& DString::ToUpper()
{
    if (Len() > 0) {
        SetChar(0, m_p[0]);
        for (char* q = m_p; *q; ++q)
            *q = FoldUpper(*q);
    }
    return *this;
}

void DString::Truncate(int n)
{
    if (n < 0)
        n = 0;
    if (n < Len())
        ReAlloc(n);
}

void DString::TruncateBy(int n)
{
    if (n > 0 && n <= Len())
        ReAlloc(Len() - n);
}

// ---- conversions -----------------------------------------------------------------------

bool DString::ToInt(int& out, int start) const
{
    if (m_p == EmptyChars() || start < 0 || start > Len())
        return false;
    char* end = nullptr;
    out = Strtol32(m_p + start, &end);
    return end != m_p + start;
}

bool DString::ToUint(unsigned int& out, int start) const
{
    if (m_p == EmptyChars() || start < 0 || start > Len())
        return false;
    char* end = nullptr;
    out = Strtoul32(m_p + start, &end);
    return end != m_p + start;
}

bool DString::ToDouble(double& out, int start) const
{
    if (m_p == EmptyChars() || start < 0 || start > Len())
        return false;
    char* end = nullptr;
    out = std::strtod(m_p + start, &end);
    return end != m_p + start && *end == '\0';
}

bool DString::ToFloat(float& out, int start) const
{
    double d = 0;
    if (m_p == EmptyChars() || start < 0 || start > Len())
        return false;
    bool ok = ToDouble(d, start);
    // Beyond the float range gives infinity rather than an undefined conversion.
    out = d > FLT_MAX ? HUGE_VALF : (d < -FLT_MAX ? -HUGE_VALF : static_cast<float>(d));
    return ok;
}

bool DString::IsNumeric() const
{
    double d = 0;
    return Len() > 0 && ToDouble(d, 0);
}

bool DString::IsSemiNumeric() const
{
    return Len() == 0 || IsNumeric() || FoldCompare(m_p, "1.#", 3) == 0
           || FoldCompare(m_p, "-1.#", 4) == 0;
}

bool DString::ToDate(__int64& t, int) const
{
    if (Len() < 2)
        return false;
    // A trailing AM/PM marker: its 'M' ends the text that is split into fields.
    int splitLen = Len();
    bool pm = false;
    int m = RFind('M');
    if (m == npos)
        m = RFind('m');
    if (m != npos) {
        if (m < 2)
            return false;
        splitLen = m - 1;
        pm = m_p[m - 1] == 'P' || m_p[m - 1] == 'p';
    }
    // Fields end at separators; a separator at position 0 belongs to the first field.
    int begin[6];
    int end[6];
    int count = 0;
    int from = 0;
    for (int i = 1; i < splitLen && count < 6; ++i) {
        if (m_p[i] == ' ' || m_p[i] == '-' || m_p[i] == '/' || m_p[i] == ':') {
            begin[count] = from;
            end[count++] = i;
            from = i + 1;
        }
    }
    if (count < 6 && from < splitLen) {
        begin[count] = from;
        end[count++] = Len();
    }
    static int const defaults[6] = {1, 1, 0, 0, 0, 0}; // month, day, year, hour, minute, second
    int v[6];
    for (int f = 0; f < 6; ++f) {
        v[f] = defaults[f];
        if (f >= count || begin[f] >= end[f])
            continue;
        char* stop = nullptr;
        int x = Strtol32(m_p + begin[f], &stop);
        if (stop > m_p + begin[f] && stop <= m_p + end[f])
            v[f] = x < -100000000 ? -100000000 : (x > 100000000 ? 100000000 : x);
    }
    if (pm && v[3] < 12)
        v[3] += 12;
    std::tm tm {};
    tm.tm_mon = v[0] - 1;
    tm.tm_mday = v[1];
    tm.tm_year = v[2] > 1900 ? v[2] - 1900 : v[2];
    tm.tm_hour = v[3];
    tm.tm_min = v[4];
    tm.tm_sec = v[5];
    tm.tm_isdst = -1;
    t = static_cast<__int64>(std::mktime(&tm));
    return true;
}

// ---- free functions --------------------------------------------------------------------

DString operator+(DString const& a, DString const& b)
{
    return DString(a) << b;
}
DString operator+(DString const& a, char const* b)
{
    return DString(a) << b;
}
DString operator+(DString const& a, char b)
{
    return DString(a) << b;
}
DString operator+(char a, DString const& b)
{
    return DString(a, 1) << b;
}
DString operator+(char const* a, DString const& b)
{
    return DString(a) << b;
}

DString Format(int v, char const* fmt)
{
    return DString().AddFormatted(v, fmt);
}
DString Format(unsigned int v, char const* fmt)
{
    return DString().AddFormatted(v, fmt);
}
DString Format(float v, char const* fmt)
{
    return DString().AddFormatted(v, fmt);
}
DString Format(double v, char const* fmt)
{
    return DString().AddFormatted(v, fmt);
}

int dStrlen(char const* p)
{
    if (!p)
        return 0;
    std::size_t n = std::strlen(p);
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

bool IsVF(float x)
{
    double d = x;
    return d > -9.9e34 && d < 9.9e34; // false for NaN
}
