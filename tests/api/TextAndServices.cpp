// Texts, scalars, fields, system strings and services through the C interface.
#include "ApiFixture.h"

#include "Core.h"
#include "DNotify.h"

#include <cstdlib>

using testsupport::Native;
using testsupport::ReadBytes;
using testsupport::TestDir;

namespace {

// Calls a text getter with a capacity; the bytes copied and the length it reports.
template <class F> std::string Text(int capacity, F get)
{
    std::string buf(size_t(capacity > 0 ? capacity : 0) + 8, '#');
    int len = capacity;
    get(&len, buf.data());
    EXPECT_GE(len, 0);
    EXPECT_LE(len, capacity > 0 ? capacity : 0);
    // Nothing past the bytes reported: no terminator, no overrun.
    EXPECT_EQ(buf.find_first_not_of('#', size_t(len)), std::string::npos);
    return buf.substr(0, size_t(len));
}

std::string Safe(const char* text, int capacity)
{
    return Text(capacity, [&](int* len, char* out) { GetScalarDataSafeC(text, len, out); });
}

std::string Selector(int which, int capacity)
{
    return Text(capacity, [&](int* len, char* out) { GetStringC(which, len, out); });
}

} // namespace

TEST_F(ApiTest, SystemStrings)
{
    ASSERT_EQ(CreateShotC("42"), 1);
    std::string const user = testsupport::UserFolder();
    EXPECT_EQ(Selector(0, 500), prog);
    EXPECT_EQ(Selector(1, 500), "42");
    EXPECT_EQ(Selector(2, 500), Native(exp + "/Shots/Shot42"));
    EXPECT_EQ(Selector(3, 500), exp);
    EXPECT_EQ(Selector(4, 500), user);
    EXPECT_EQ(Selector(5, 500), Native(user + "/MPIHosts.txt"));
    EXPECT_EQ(Selector(6, 500), "Exp1");
    EXPECT_EQ(Selector(99, 500), "Test string from Talvex");
    EXPECT_EQ(Selector(99, 4), "Test");
    EXPECT_EQ(Selector(7, 500), "");
    EXPECT_EQ(Selector(99, 0), "");
    EXPECT_EQ(Selector(99, -3), "");

    int len = 10;
    GetStringC(99, &len, nullptr);
    EXPECT_EQ(len, 0);
    GetStringC(99, nullptr, nullptr);
}

TEST_F(ApiTest, ScalarsAndFields)
{
    EXPECT_EQ(GetScalarDataC("Peak"), -3.3e38f); // no shot yet
    ASSERT_EQ(CreateShotC("1"), 1);
    SetScalarDataC("Peak", 3.25f);
    SetStringDataC("Comment", "first test");
    SetStringDataC("Gone", "x");
    SetStringDataC("Gone", "");
    SetStringDataC(nullptr, "ignored");
    EXPECT_EQ(GetScalarDataC("Peak*2"), 6.5f);
    EXPECT_EQ(GetScalarDataC(nullptr), -3.3e38f);
    EXPECT_EQ(Text(100, [](int* len, char* out) { GetStringDataC("Comment", len, out); }),
              "first test");
    EXPECT_EQ(Text(5, [](int* len, char* out) { GetStringDataC("Comment", len, out); }), "first");

    std::string const fields = ReadBytes(InShot("Scalars.ini"));
    EXPECT_NE(fields.find("Peak=3.25\r\n"), std::string::npos);
    EXPECT_NE(fields.find("Comment=first test"), std::string::npos);
    EXPECT_EQ(fields.find("Gone"), std::string::npos);
    std::string const cache = ReadBytes(Native(exp + "/Shots/ScalarCache.ini"));
    EXPECT_NE(cache.find("[Shot1]"), std::string::npos);
    EXPECT_NE(cache.find("Peak=3.25\r\n"), std::string::npos);

    // A time mark of a waveform is stored in its file, not as a field.
    float const v[2] = {0, 1};
    SetWaveformC("probe", 2, 0, 1, v);
    SetScalarDataC("probe\\t2", 1.5f);
    EXPECT_EQ(At<float>(ReadBytes(InShot("probe.wvf")), 66), 1.5f);
    EXPECT_EQ(ReadBytes(InShot("Scalars.ini")), fields);
}

TEST_F(ApiTest, ScalarTextAndTemplates)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    SetScalarDataC("a", 1.5f);
    SetScalarDataC("b", 2.0f);
    char const* const tmpl = "a is {a}, b*2 is {b*2}.";

    EXPECT_EQ(Safe("a", 59), "1.5");
    EXPECT_EQ(Safe("a", 2), "1.");
    EXPECT_EQ(Safe(tmpl, 59), "-3.3e+38"); // the whole text, braces and all, as one name
    EXPECT_EQ(Safe(tmpl, 60), "a is 1.5, b*2 is 4.");
    EXPECT_EQ(Safe("no braces", 60), "no braces");
    EXPECT_EQ(Safe("{a} then {b", 60), "1.5 then 2");
    EXPECT_EQ(Safe("{a} and {nope} and {b}", 80), "Error evaluating scalar expression nope");
    EXPECT_EQ(Safe(nullptr, 60), "");

    std::string const longText = "{a}" + std::string(70, 'x');
    EXPECT_EQ(Safe(longText.c_str(), 64), "1.5" + std::string(61, 'x'));
    int len = 80;
    GetScalarDataSafeC(tmpl, &len, nullptr);
    EXPECT_EQ(len, 0);
}

TEST_F(ApiTest, NodesSleepAndTestFunction)
{
    EXPECT_EQ(GetNodesC(7), 7);
    std::string const hosts = ReadBytes(Selector(5, 500));
    size_t lines = 1;
    for (char c : hosts)
        lines += c == '\n';
    EXPECT_EQ(lines, 7u);

    CSleep(-1000); // returns at once
    CSleep(0);
    EXPECT_EQ(TestFuncC(), 316);
}

TEST_F(ApiTest, MessageHookStandsInFrontOfTheSink)
{
    NotifyC(2, 0, "to the hook");
    NotifyC(1, 0, "not a message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "to the hook");

    SetMessageHookC(nullptr, nullptr);
    EXPECT_EQ(GetNotify(), CFNotify::ForC());
    NotifyC(2, 0, "to the console");
    EXPECT_EQ(messages.size(), 1u);
}
