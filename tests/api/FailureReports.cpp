// C functions without a result to carry a failure leave it in GetLastFailureC.
#include "ApiFixture.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class FailureReportsTest : public ApiTest {
protected:
    static std::string LastFailure(int* code = nullptr)
    {
        char buf[1024];
        int len = sizeof buf;
        int const c = GetLastFailureC(&len, buf);
        if (code)
            *code = c;
        return std::string(buf, size_t(len));
    }
    std::string Cache() const { return testsupport::ReadBytes(exp + "/Shots/ScalarCache.ini"); }
};

} // namespace

TEST_F(FailureReportsTest, ForgedLinesInAFieldAreRefusedAndRecorded)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    ASSERT_EQ(CreateShotC("2"), 1);
    ASSERT_EQ(SetShotC("1"), 1);
    std::string const before = Cache();
    ClearLastFailureC();
    SetStringDataC("Comment", "hello\r\n[Shot2]\r\nOperator=Mallory");
    int code = 0;
    EXPECT_NE(LastFailure(&code), "");
    EXPECT_NE(code, 0);
    ClearLastFailureC();
    SetScalarDataC("[Shot2]", 1.0f);
    EXPECT_NE(LastFailure(), "");
    EXPECT_EQ(Cache(), before);
}

TEST_F(FailureReportsTest, ASecondCreatorOfAShotFailsWithAReason)
{
    ASSERT_EQ(CreateShotC("5"), 1);
    ClearLastFailureC();
    EXPECT_EQ(CreateShotC("5"), 0);
    EXPECT_NE(LastFailure().find("Error creating shot 5"), std::string::npos) << LastFailure();
    ClearLastFailureC();
    EXPECT_EQ(CreateShotC("a]b"), 0);
    EXPECT_NE(LastFailure().find("Invalid shot name"), std::string::npos) << LastFailure();
}

TEST_F(FailureReportsTest, AFieldOfAShotDeletedUnderneathIsNotWritten)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    fs::remove_all(exp + "/Shots/Shot1");
    std::string const before = Cache();
    ClearLastFailureC();
    SetScalarDataC("Peak", 2.0f);
    EXPECT_NE(LastFailure(), "");
    EXPECT_EQ(Cache(), before);
}
