// Numbers and dates to and from string text: fixed formats, caller formats, parsing.
#include "DString.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

namespace {

std::string Text(DString const& s)
{
    return std::string(s.c_str(), static_cast<size_t>(s.Len()));
}

/// A fixed zone without daylight saving, three hours east of UTC.
void FixedZone()
{
    testsupport::SetEnv("TZ", "XST-3");
    tzset();
}

} // namespace

TEST(DStringConvert, NumbersPrintInTheirFixedFormats)
{
    EXPECT_EQ(Text(DString(-42)), "-42");
    EXPECT_EQ(Text(DString(4000000000u)), "4000000000");
    EXPECT_EQ(Text(DString(1.0f / 3.0f)), "0.33333334");
    EXPECT_EQ(Text(DString(1.0 / 3.0)), "0.3333333333333333");
    EXPECT_EQ(Text(DString(1e20)), "1e+20") << "the fixed formats keep the long exponent";
    EXPECT_EQ(Text(DString(-1.7976931348623157e308)), "-1.797693134862316e+308");
    EXPECT_EQ(Text(DString(true)), "True");
    EXPECT_EQ(Text(DString(false)), "False");
    int local = 0;
    EXPECT_GT(DString(static_cast<void*>(&local)).Len(), 0);

    DString s("n=");
    s << 7 << ',' << 2.5f << ',' << 3u;
    EXPECT_EQ(Text(s), "n=7,2.5,3");
}

TEST(DStringConvert, TimesPrintAsLocalTime)
{
    FixedZone();
    EXPECT_EQ(Text(DString(static_cast<__int64>(0))), "01/01/1970 03:00:00");
    EXPECT_EQ(Text(DString(static_cast<__int64>(1614852123))), "03/04/2021 13:02:03");
    DString s("at ");
    s << static_cast<__int64>(86399);
    EXPECT_EQ(Text(s), "at 01/02/1970 02:59:59");
    DString unrepresentable("x");
    unrepresentable << std::numeric_limits<__int64>::max();
    EXPECT_EQ(Text(unrepresentable), "x");
}

TEST(DStringConvert, AddFormattedPrintsShortExponents)
{
    EXPECT_EQ(Text(Format(1.5e7, "%g")), "1.5e7");
    EXPECT_EQ(Text(Format(2e-5, "%g")), "2e-5");
    EXPECT_EQ(Text(Format(3e12f, "%g")), "3e12");
    EXPECT_EQ(Text(Format(1.5e7, "%.1e V")), "1.5e7 V");
    EXPECT_EQ(Text(Format(99, "%.04i")), "0099");
    EXPECT_EQ(Text(Format(7, "[%-4d]")), "[7   ]");
    DString s("x=");
    EXPECT_EQ(Text(s.AddFormatted(12, "%03d").AddFormatted(0.5f, " %.2f")), "x=012 0.50");
}

TEST(DStringConvert, AddFormattedFallsBackToTheDefaultFormat)
{
    // Longer than 20 characters.
    EXPECT_EQ(Text(Format(5, "%030d")), "5");
    EXPECT_EQ(Text(Format(1.5e7, "%.25f")), "15000000");
    EXPECT_EQ(Text(Format(0.25f, "a longer label of %g")), "0.25");
    // A width or precision of millions: printf would make every digit before the cut.
    EXPECT_EQ(Text(Format(2.5, "e259499%449567.229427923f1")), "2.5");
    EXPECT_EQ(Text(Format(7, "%973087340d")), "7");
    EXPECT_EQ(Text(Format(1.0, "%.99g")), "1");
    DString s("keep:");
    s.AddFormatted(5, "%030d");
    EXPECT_EQ(Text(s), "keep:5");

    // Formats that would make printf read or write what it was not given.
    char const* const unsafe[] = {"%s", "%n", "%d %d", "%*d", "%ld", "%f", "%", "%lld", nullptr};
    for (char const* fmt : unsafe)
        EXPECT_EQ(Text(Format(42, fmt)), "42") << (fmt ? fmt : "null");
    EXPECT_EQ(Text(Format(2.5, "%d")), "2.5");
    EXPECT_EQ(Text(Format(2.5, "%Lf")), "2.5");
    EXPECT_EQ(Text(Format(7u, "%%%u%%")), "%7%");
    EXPECT_EQ(Text(Format(2.5, "%lf")), "2.500000");
}

TEST(DStringConvert, IntegerParsing)
{
    int i = -1;
    EXPECT_TRUE(DString("12abc").ToInt(i));
    EXPECT_EQ(i, 12);
    EXPECT_TRUE(DString("x=-7").ToInt(i, 2));
    EXPECT_EQ(i, -7);
    EXPECT_TRUE(DString("99999999999").ToInt(i));
    EXPECT_EQ(i, 2147483647) << "saturates as a 32-bit long does";
    EXPECT_FALSE(DString("abc").ToInt(i));
    i = 5;
    EXPECT_FALSE(DString().ToInt(i));
    EXPECT_EQ(i, 5);

    unsigned int u = 0;
    EXPECT_TRUE(DString(" 4294967295").ToUint(u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_TRUE(DString("4294967296").ToUint(u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_TRUE(DString("-1").ToUint(u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_TRUE(DString("-4294967295").ToUint(u));
    EXPECT_EQ(u, 1u);
}

TEST(DStringConvert, FloatingParsingNeedsTheWholeText)
{
    double d = -1;
    EXPECT_FALSE(DString("12abc").ToDouble(d));
    EXPECT_EQ(d, 12);
    EXPECT_TRUE(DString(" -1.5e3").ToDouble(d));
    EXPECT_EQ(d, -1500);
    EXPECT_FALSE(DString("1.5 ").ToDouble(d));
    d = 3;
    EXPECT_FALSE(DString().ToDouble(d));
    EXPECT_EQ(d, 3);
    EXPECT_TRUE(DString("v 2.5").ToDouble(d, 2));
    EXPECT_EQ(d, 2.5);

    float f = 0;
    EXPECT_TRUE(DString("0.1").ToFloat(f));
    EXPECT_EQ(f, 0.1f);
    EXPECT_TRUE(DString("1e300").ToFloat(f));
    EXPECT_TRUE(std::isinf(f));
    EXPECT_FALSE(DString("1e-3x").ToFloat(f));
    EXPECT_EQ(f, 0.001f);

    EXPECT_TRUE(DString("1e5").IsNumeric());
    EXPECT_TRUE(DString(" -inf").IsNumeric());
    EXPECT_FALSE(DString("1e5 ").IsNumeric());
    EXPECT_FALSE(DString().IsNumeric());
    EXPECT_TRUE(DString().IsSemiNumeric());
    EXPECT_TRUE(DString("1.#INF").IsSemiNumeric());
    EXPECT_TRUE(DString("-1.#ind").IsSemiNumeric());
    EXPECT_FALSE(DString("1.5x").IsSemiNumeric());
}

TEST(DStringConvert, EndNumberFindsTheTrailingNumber)
{
    int n = -1;
    EXPECT_EQ(DString("shot12").EndNumber(n), 4);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(DString("Run0099").EndNumber(n), 3);
    EXPECT_EQ(n, 99);
    EXPECT_EQ(DString("abc").EndNumber(n), npos);
    EXPECT_EQ(n, 0);
    n = 3;
    EXPECT_EQ(DString("12a").EndNumber(n), npos);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(DString().EndNumber(n), npos);
    // Leading white space and a sign belong to the number as strtoul reads it.
    EXPECT_EQ(DString("a -5").EndNumber(n), 1);
    EXPECT_EQ(n, -5);
}

TEST(DStringConvert, DatesReadAsLocalTime)
{
    FixedZone();
    __int64 t = 0;
    ASSERT_TRUE(DString("03/04/2021 01:02:03 PM").ToDate(t));
    EXPECT_EQ(t, 1614852123); // 13:02:03 at UTC+3
    ASSERT_TRUE(DString("03/04/2021 12:30:00 AM").ToDate(t));
    EXPECT_EQ(t, 1614850200) << "AM changes nothing";
    ASSERT_TRUE(DString("3-4-21 13:02:03").ToDate(t));
    // Years up to 1900 count from 1900; Windows represents no time before 1970.
    EXPECT_EQ(t, testsupport::kWindows ? -1 : -1540907877);
    ASSERT_TRUE(DString("03/04/2021").ToDate(t));
    EXPECT_EQ(t, 1614805200);
    ASSERT_TRUE(DString("03/04/2021  05").ToDate(t)) << "an empty hour, then the minutes";
    EXPECT_EQ(t, 1614805500);
    EXPECT_FALSE(DString("x").ToDate(t));
    EXPECT_FALSE(DString("AM").ToDate(t));
    ASSERT_TRUE(DString("99999999999/1/99999999999").ToDate(t));
}

TEST(DStringConvert, DateTextRoundTrips)
{
    testsupport::SetEnv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    __int64 const times[] = {0, 86399, 951782400, 1614852123, 1700000000, 4102444799};
    for (__int64 t : times) {
        __int64 back = -1;
        DString text(t);
        ASSERT_TRUE(text.ToDate(back)) << text.c_str();
        EXPECT_EQ(back, t) << text.c_str();
    }
}

TEST(DStringConvert, SmallHelpers)
{
    EXPECT_EQ(dStrlen(nullptr), 0);
    EXPECT_EQ(dStrlen("abc"), 3);
    EXPECT_TRUE(IsVF(9.8e34f));
    EXPECT_FALSE(IsVF(1e35f));
    EXPECT_FALSE(IsVF(-1e35f));
    EXPECT_FALSE(IsVF(-3.3e38f));
    EXPECT_FALSE(IsVF(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(IsVF(std::numeric_limits<float>::infinity()));
    EXPECT_EQ(npos, 2147483647u);
}
