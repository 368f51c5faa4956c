// C interface for expressions: checks with kind, position and message; shots selected by a set
// and a condition; the help text; capacities respected.
#include "ApiFixture.h"

#include <filesystem>
#include <vector>

namespace {

class ExpressionCalls : public ApiTest {
protected:
    void SetUp() override
    {
        ApiTest::SetUp();
        for (char const* shot : {"101", "102", "103"}) {
            ASSERT_EQ(CreateShotC(shot), 1);
            SetScalarDataC("Bt", shot[2] == '1' ? 1.5f : 2.5f);
        }
        SetStringDataC("Operator", "A. Smith");
        ASSERT_EQ(SetShotC("102"), 1);
    }

    struct Checked {
        int kind;
        int position;
        std::string message;
    };

    static Checked Check(char const* text, bool condition = false)
    {
        Checked c;
        char buf[256];
        int len = sizeof buf;
        c.position = -7;
        c.kind = condition ? CheckConditionC(text, &c.position, &len, buf)
                           : CheckExpressionC(text, &c.position, &len, buf);
        c.message.assign(buf, size_t(len));
        return c;
    }

    static std::string Select(char const* spec, char const* where, int* count)
    {
        char buf[256];
        int len = sizeof buf;
        *count = SelectShotsC(spec, where, &len, buf);
        return std::string(buf, size_t(len));
    }
};

} // namespace

TEST_F(ExpressionCalls, CheckExpressionGivesKindPositionAndMessage)
{
    Checked const ok = Check("Bt*2");
    EXPECT_EQ(ok.kind, 0);
    EXPECT_EQ(ok.position, -1);
    EXPECT_EQ(ok.message, "");

    Checked const code = Check("vcap\\mz");
    EXPECT_EQ(code.kind, 3);
    EXPECT_EQ(code.position, 5);
    EXPECT_EQ(code.message,
              "unknown trace-parameter code 'mz' at column 6 of 'vcap\\mz'; did you mean 'mx'?");
    EXPECT_EQ(Check("vcap\\mx +").kind, 1);
    EXPECT_EQ(Check("sqrt(2)").kind, 2);
    // The experiment is open: names are looked up.
    Checked const field = Check("Btt*2");
    EXPECT_EQ(field.kind, 4);
    EXPECT_EQ(field.message, "unknown field 'Btt' at column 1 of 'Btt*2'; did you mean 'Bt'?");
}

TEST_F(ExpressionCalls, CheckConditionAndNullPointers)
{
    EXPECT_EQ(Check("Bt > 2 && Operator == 'x'", true).kind, 0);
    Checked const c = Check("Bt > 2 &&", true);
    EXPECT_EQ(c.kind, 1);
    EXPECT_EQ(c.position, 7);
    EXPECT_EQ(CheckConditionC("Bt >", nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(CheckExpressionC(nullptr, nullptr, nullptr, nullptr), 1);
}

TEST_F(ExpressionCalls, SelectShotsBySetAndCondition)
{
    int n = 0;
    EXPECT_EQ(Select("*", "Bt > 2", &n), "102\n103\n");
    EXPECT_EQ(n, 2);
    EXPECT_EQ(Select("101:102", "", &n), "101\n102\n");
    EXPECT_EQ(n, 2);
    EXPECT_EQ(Select("10*", "Operator == 'a. smith'", &n), "103\n");
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Select("", "Missing > 0", &n), "");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(Str(1), "102"); // the current shot stays

    ClearLastFailureC();
    EXPECT_EQ(Select("*", "Bt >", &n), "");
    EXPECT_EQ(n, -1);
    char buf[200];
    int len = sizeof buf;
    EXPECT_NE(GetLastFailureC(&len, buf), 0);
    EXPECT_EQ(std::string(buf, size_t(len)), "dangling operator '>' at column 4 of 'Bt >'");
}

TEST_F(ExpressionCalls, SelectShotsOfAShotList)
{
    std::filesystem::create_directories(exp + "/ShotLists");
    testsupport::WriteBytes(testsupport::Native(exp + "/ShotLists/chosen.txt"),
                            "101;.\\Shots\n103;.\\Shots\n");
    int n = 0;
    EXPECT_EQ(Select("chosen", "", &n), "101\n103\n");
    EXPECT_EQ(Select("chosen", "Bt > 2", &n), "103\n");
    EXPECT_EQ(n, 1);
    // A wildcard is never a list name.
    EXPECT_EQ(Select("chose*", "", &n), "");
}

TEST_F(ExpressionCalls, TextOutIsCutToTheCapacity)
{
    char buf[8] = "xxxxxxx";
    int len = 4;
    EXPECT_EQ(SelectShotsC("*", "", &len, buf), 3);
    EXPECT_EQ(len, 4);
    EXPECT_EQ(std::string(buf, 5), "101\nx");

    len = 1 << 16;
    std::vector<char> help(static_cast<size_t>(len));
    GetExpressionHelpC(&len, help.data());
    std::string const text(help.data(), size_t(len));
    EXPECT_NE(text.find("sd"), std::string::npos);
    EXPECT_NE(text.find("standard deviation"), std::string::npos);
}
