// String comparisons, searches, pieces and edits.
#include "DString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(DString const& s)
{
    return std::string(s.c_str(), static_cast<size_t>(s.Len()));
}

} // namespace

TEST(DStringSearch, EqualityAndCaseInsensitiveForms)
{
    DString upper("ABC");
    DString lower("abc");
    EXPECT_FALSE(upper == lower);
    EXPECT_TRUE(upper %= lower);
    EXPECT_TRUE(upper %= "aBc");
    EXPECT_FALSE(DString("ab") /= DString("AB"));
    EXPECT_TRUE(DString("ab") /= "ABC");
    EXPECT_FALSE(upper == static_cast<char const*>(nullptr));

    // Equality of whole buffers sees past an embedded NUL.
    DString withNul("abcX");
    withNul.GetBuffer(4)[2] = '\0';
    DString other("abcY");
    other.GetBuffer(4)[2] = '\0';
    EXPECT_FALSE(withNul == other);

    EXPECT_TRUE(!DString());
    EXPECT_TRUE(~lower);
    EXPECT_TRUE(DString("B") < DString("a"));
    EXPECT_TRUE(DString("\xe9") > DString("z"));
    EXPECT_EQ(DString("abc").Compare("abd"), -1);
    EXPECT_EQ(DString("abd").Compare(DString("abc")), 1);
    EXPECT_EQ(DString("a").Compare(static_cast<char const*>(nullptr)), 1);
}

TEST(DStringSearch, PrefixAndSuffixTests)
{
    DString s("Shot0012.wvf");
    EXPECT_TRUE(s.StartsWith("shot"));
    EXPECT_TRUE(s.StartsWith(""));
    EXPECT_FALSE(DString("ab").StartsWith("abc"));
    EXPECT_TRUE(s.EndsWith(".WVF"));
    EXPECT_TRUE(s.EndsWith(DString(".Wvf")));
    EXPECT_TRUE(s.EndsWith(""));
    EXPECT_FALSE(s.EndsWith(DString()));
    EXPECT_FALSE(DString("vf").EndsWith(DString("wvf")));
}

TEST(DStringSearch, ForwardSearches)
{
    DString s("abcabc");
    EXPECT_EQ(s.Find('c'), 2);
    EXPECT_EQ(s.Find('c', 6), npos);
    EXPECT_EQ(s.Find('c', npos), npos);
    EXPECT_EQ(s.Find('a', -5), 0);
    EXPECT_EQ(s.Find("bc", 2), 4);
    EXPECT_EQ(DString("abc").Find(""), 0);
    EXPECT_EQ(DString("abc").Find("", 2), 2);
    EXPECT_EQ(DString("abc").Find("", 3), npos);
    EXPECT_EQ(DString().Find('a'), npos);
    EXPECT_EQ(s.FindI("BCA"), 1);
    EXPECT_EQ(s.FindI("abcabcx"), npos);

    EXPECT_EQ(s.FindFirstOf("xc"), 2);
    EXPECT_EQ(s.FindFirstOf("xyz"), npos);
    EXPECT_EQ(s.FindFirstOf("a", 6), npos);
    EXPECT_EQ(DString("  x ").FindFirstNotOf(" "), 2);
    EXPECT_EQ(DString("   ").FindFirstNotOf(DString(" ")), npos);
    EXPECT_EQ(s.FindFirstNotOf("", 1), 1);
}

TEST(DStringSearch, BackwardSearches)
{
    DString s("a.b.c");
    EXPECT_EQ(s.RFind('.'), 3);
    EXPECT_EQ(s.RFind('.', 100), 3);
    EXPECT_EQ(s.RFind('.', 0), npos);
    EXPECT_EQ(s.RFind('.', -1), npos);
    EXPECT_EQ(DString().RFind('a'), npos);
    EXPECT_EQ(DString("abab").RFind("ab"), 2);
    EXPECT_EQ(DString("abab").RFind("ab", 1), 0);
    EXPECT_EQ(DString("ab").RFind("abc"), npos);
}

TEST(DStringSearch, PiecesAroundACharacter)
{
    DString abc("abc");
    EXPECT_EQ(Text(abc.AfterFirst('=')), "");
    EXPECT_EQ(Text(abc.AfterFirst('=', true)), "abc");
    EXPECT_EQ(Text(abc.BeforeFirst('=', true)), "abc");
    DString dotted("a.b.c");
    EXPECT_EQ(Text(dotted.BeforeLast('.')), "a.b");
    EXPECT_EQ(Text(dotted.AfterLast('.')), "c");
    EXPECT_EQ(Text(dotted.AfterFirst('.')), "b.c");
    EXPECT_EQ(Text(DString("key=").AfterFirst('=')), "");
    EXPECT_EQ(Text(abc.Right(10)), "abc");
    EXPECT_EQ(Text(abc.Right(2)), "bc");
    EXPECT_EQ(Text(abc.Mid(1, npos)), "bc");
}

TEST(DStringSearch, TrimmingAndSpaces)
{
    EXPECT_EQ(Text(DString("  a b \t ").Trim()), "a b \t");
    EXPECT_EQ(Text(DString("   ").Trim()), "");
    EXPECT_EQ(Text(DString(" a b  c ").Despace()), "abc");
}

TEST(DStringSearch, ReplaceIsLeftToRightAndNonOverlapping)
{
    DString s("aaa-aaa");
    EXPECT_EQ(Text(s.Replace("aa", "b")), "ba-ba");
    EXPECT_EQ(Text(s.Replace("aa", "b", false)), "ba-aaa");
    EXPECT_EQ(Text(s.Replace("a", DString())), "-");
    EXPECT_EQ(Text(s.Replace("a", static_cast<char const*>(nullptr))), "-");
    EXPECT_EQ(Text(DString().Replace("x", "y")), "");

    DString unchanged = s.Replace("zz", "y");
    EXPECT_EQ(unchanged.c_str(), s.c_str()) << "no occurrence shares the text";
    EXPECT_EQ(Text(s.Replace("", "y")), "aaa-aaa") << "an empty find changes nothing";
    EXPECT_EQ(Text(s.Replace(static_cast<char const*>(nullptr), "y")), "aaa-aaa");
}

TEST(DStringSearch, LineEndsExtensionsAndCase)
{
    DString text("\na\r\nb\nc");
    EXPECT_EQ(Text(text.LFtoCRLF()), "\r\na\r\nb\r\nc");
    EXPECT_EQ(Text(text), "\na\r\nb\nc");

    struct Case {
        char const* in;
        char const* out;
    };
    Case const cases[] = {{"file.txt", "file"},
                          {".ini", ".ini"},
                          {"noext", "noext"},
                          {"a.b\\c", "a"},
                          {"x.y.z", "x.y"}};
    for (Case c : cases) {
        DString s(c.in);
        s.RemoveExt();
        EXPECT_EQ(Text(s), c.out) << c.in;
    }

    DString mixed("MiXed 1!");
    DString copy(mixed);
    EXPECT_EQ(Text(mixed.ToLower()), "mixed 1!");
    EXPECT_EQ(Text(copy), "MiXed 1!");
    EXPECT_EQ(Text(mixed.ToUpper()), "MIXED 1!");
}

TEST(DStringSearch, ConcatenationOperators)
{
    DString a("ab");
    EXPECT_EQ(Text(a + "cd"), "abcd");
    EXPECT_EQ(Text('c' + a), "cab");
    EXPECT_EQ(Text("cd" + a), "cdab");
    EXPECT_EQ(Text(a), "ab");
    DString b;
    b << "x" << static_cast<char const*>(nullptr) << 'y' << DString("z");
    b += '2';
    b += DString("3");
    EXPECT_EQ(Text(b), "xyz23");
}
