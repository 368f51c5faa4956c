// String buffers: block sizes, sharing, recycling of small blocks, copy-on-write and aliasing.
#include "DString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

std::string Text(DString const& s)
{
    return std::string(s.c_str(), static_cast<size_t>(s.Len()));
}

} // namespace

TEST(DStringMemory, BlockSizeIsSmallestMultipleOf32AboveLengthPlus25)
{
    struct Case {
        int n;
        int block;
    };
    Case const cases[] = {{1, 32}, {6, 32}, {7, 64}, {38, 64}, {39, 96}, {70, 96}, {71, 128}};
    for (Case c : cases) {
        DString s('x', c.n);
        EXPECT_EQ(s.Len(), c.n);
        EXPECT_EQ(s.GetAllocLength(), c.block) << "n = " << c.n;
        EXPECT_EQ(s.GetRefs(), 1);
        EXPECT_EQ(s.c_str()[c.n], '\0');
    }
    // The block header is three 32-bit integers: references, length, block size.
    DString s("abcdefgh");
    auto const* header = reinterpret_cast<std::int32_t const*>(s.c_str()) - 3;
    EXPECT_EQ(header[0], 1);
    EXPECT_EQ(header[1], 8);
    EXPECT_EQ(header[2], 64);
}

TEST(DStringMemory, EmptyStringsShareOneStaticBuffer)
{
    DString a;
    DString b("");
    DString c(static_cast<char const*>(nullptr));
    DString d(DString("abc"), 3, 5);
    for (DString const* s : {&a, &b, &c, &d}) {
        EXPECT_EQ(s->c_str(), DEmptyString);
        EXPECT_EQ(s->GetRefs(), -1);
        EXPECT_EQ(s->GetAllocLength(), 0);
    }
    DString e = a; // copying the shared empty string leaves its count alone
    EXPECT_EQ(a.GetRefs(), -1);
    DString f('x', 0); // the one constructor that gives an empty string its own block
    EXPECT_NE(f.c_str(), DEmptyString);
    EXPECT_EQ(f.GetAllocLength(), 32);
    EXPECT_EQ(f.Len(), 0);
    EXPECT_EQ(LenLD, 2);
    EXPECT_STREQ(LDelim, "\r\n");
}

TEST(DStringMemory, CopiesShareUntilOneChanges)
{
    DString a("shared text");
    DString b(a);
    DString c;
    c = b;
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.c_str(), c.c_str());
    EXPECT_EQ(a.GetRefs(), 3);

    b.SetChar(0, 'X');
    EXPECT_EQ(Text(a), "shared text");
    EXPECT_EQ(Text(b), "Xhared text");
    EXPECT_NE(a.c_str(), b.c_str());
    EXPECT_EQ(a.GetRefs(), 2);
    EXPECT_EQ(b.GetRefs(), 1);

    c << "!";
    EXPECT_EQ(Text(a), "shared text");
    EXPECT_EQ(Text(c), "shared text!");
    EXPECT_EQ(a.GetRefs(), 1);

    DString d(a);
    d.ToUpper();
    EXPECT_EQ(Text(a), "shared text");
    DString e(a);
    e.GetBuffer(3)[0] = 'S';
    EXPECT_EQ(Text(a), "shared text");
    EXPECT_EQ(Text(e), "Sha");
    DString f(a);
    f.Copy(a);
    EXPECT_NE(f.c_str(), a.c_str());
    EXPECT_EQ(f, a);
}

TEST(DStringMemory, ReleasedSmallBlocksComeBackFromTheFreeList)
{
    char const* first;
    char const* second;
    {
        DString a("abc");
        DString b("defg");
        first = a.c_str();
        second = b.c_str();
    } // a is released last, so its block is on top of the list
    DString c("xy");
    DString d("z");
    EXPECT_EQ(c.c_str(), first);
    EXPECT_EQ(d.c_str(), second);
    EXPECT_EQ(c.GetRefs(), 1);
    EXPECT_EQ(c.GetAllocLength(), 32);
    EXPECT_EQ(Text(c), "xy");
    EXPECT_EQ(Text(d), "z");

    // Shrinking keeps a larger block, which is not recycled as a small one.
    DString big('b', 100);
    char const* bigText = big.c_str();
    big.Truncate(2);
    EXPECT_EQ(big.c_str(), bigText);
    EXPECT_EQ(big.GetAllocLength(), 128);
}

TEST(DStringMemory, GrowthFollowsTheBlockRuleOnly)
{
    DString s;
    int reallocations = 0;
    int block = 0;
    for (int i = 0; i < 1000; ++i) {
        s << 'x';
        if (s.GetAllocLength() != block) {
            ++reallocations;
            block = s.GetAllocLength();
            EXPECT_EQ(block, (s.Len() + 25) / 32 * 32 + 32);
            EXPECT_GE(block - 12 - 1 - s.Len(), 13) << "spare room after a fresh block";
        }
    }
    EXPECT_EQ(Text(s), std::string(1000, 'x'));
    EXPECT_EQ(reallocations, (1000 + 25) / 32 + 1);
}

TEST(DStringMemory, NumbersReserveTheirRoomBeforePrinting)
{
    DString s("abc");
    s << 5; // 3 + 12 reserved
    EXPECT_EQ(s.GetAllocLength(), 64);
    DString d;
    d << 1.5; // 25 reserved
    EXPECT_EQ(Text(d), "1.5");
    EXPECT_EQ(d.GetAllocLength(), 64);
}

TEST(DStringMemory, SelfReferencesGiveTheRightText)
{
    DString a("abcdef");
    DString& alias = a;
    a = alias;
    EXPECT_EQ(Text(a), "abcdef");
    a << a;
    EXPECT_EQ(Text(a), "abcdefabcdef");
    a += a;
    EXPECT_EQ(Text(a), std::string("abcdefabcdef") + "abcdefabcdef");

    DString b("abcdef");
    b = b.c_str() + 1; // same block reused, overlapping move
    EXPECT_EQ(Text(b), "bcdef");
    DString shared(b);
    b = b.c_str() + 2; // shared, so a fresh block is copied from the old one
    EXPECT_EQ(Text(b), "def");
    EXPECT_EQ(Text(shared), "bcdef");

    // Appending the string's own tail while the block has to grow.
    DString c('y', 6);
    c << c.c_str() + 3;
    EXPECT_EQ(Text(c), "yyyyyyyyy");
    EXPECT_EQ(c.GetAllocLength(), 64);
    DString d("0123456");
    for (int i = 0; i < 6; ++i)
        d << d.c_str();
    EXPECT_EQ(d.Len(), 7 * 64);
    EXPECT_EQ(std::string(d.c_str() + 7 * 63), "0123456");
    d.Copy(d);
    EXPECT_EQ(d.Len(), 7 * 64);
}

TEST(DStringMemory, BadIndicesAndCountsStayInsideTheBuffer)
{
    DString s("hello");
    s.SetChar(-1, 'X');
    s.SetChar(5, 'X');
    s.SetChar(1000, 'X');
    EXPECT_EQ(Text(s), "hello");
    s.Truncate(100);
    EXPECT_EQ(Text(s), "hello");
    s.TruncateBy(-3);
    s.TruncateBy(6);
    EXPECT_EQ(Text(s), "hello");
    s.TruncateBy(5);
    EXPECT_EQ(Text(s), "");

    DString t("hello");
    EXPECT_EQ(t.GetBuffer(-4)[0], '\0');
    EXPECT_EQ(t.Len(), 0);
    t = "hello";
    t.Truncate(-2);
    EXPECT_EQ(t.Len(), 0);

    DString h("hello");
    EXPECT_EQ(Text(h.Mid(-3, 2)), "he");
    EXPECT_EQ(Text(h.Mid(2, -1)), "");
    EXPECT_EQ(Text(h.Mid(9, 2)), "");
    EXPECT_EQ(Text(h.Mid(3, 1000)), "lo");
    EXPECT_EQ(Text(h.Left(-1)), "");
    EXPECT_EQ(Text(h.Left(99)), "hello");
    EXPECT_EQ(Text(h.Right(-1)), "");
    EXPECT_EQ(Text(DString(h, -5, npos)), "hello");
    EXPECT_EQ(Text(DString("abcdef", -1)), "");
    EXPECT_EQ(Text(DString("abcdef", 3)), "abc");
    char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(Text(DString(unterminated, 3)), "xyz");

    int n = 7;
    EXPECT_FALSE(h.ToInt(n, -1));
    EXPECT_FALSE(h.ToInt(n, 6));
    EXPECT_EQ(n, 7);
}

TEST(DStringMemory, GetBufferAndRTrimReadFixedWidthFields)
{
    DString s;
    char* p = s.GetBuffer(8);
    std::memcpy(p, "ab  \0zzz", 8);
    EXPECT_EQ(s.Len(), 8);
    s.RTrim();
    EXPECT_EQ(Text(s), "ab");
    DString spaces("   ");
    spaces.RTrim();
    EXPECT_EQ(Text(spaces), " ");
    DString empty;
    empty.RTrim();
    EXPECT_EQ(empty.c_str(), DEmptyString);
}
