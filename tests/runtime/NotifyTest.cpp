// Notification: forwarding to the sink, the standard-output fallbacks and the console sink.
#include "DNotify.h"

#include "Core.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using testsupport::CaptureStdout;

struct Recorder : DNotify {
    struct Call {
        int code, value;
        std::string text;
    };
    std::vector<Call> calls;
    void OnNotify(int code, int value, const DString& text) override
    {
        calls.push_back({code, value, text.c_str()});
    }
};

std::string LogText()
{
    return testsupport::ReadBytes(testsupport::UserFolder() + "/Log.txt");
}

} // namespace

TEST(Notify, WithoutASinkTextGoesToStandardOutput)
{
    CoreInit("");
    EXPECT_EQ(CaptureStdout([] { Message("abc"); }), "abc\n");
    EXPECT_EQ(CaptureStdout([] {
                  Display("d");
                  MsgBox("m");
                  Notify(31, -1, "n");
              }),
              "d\nm\nn\n");
    EXPECT_EQ(CaptureStdout([] {
                  NotifyC(2, 0, nullptr);
                  NotifyC(2, 0, "c");
              }),
              "\nc\n");
    EXPECT_EQ(CaptureStdout([] { MacroCallback("abc"); }), "");
}

TEST(Notify, TheSinkReceivesCodeValueAndText)
{
    CoreInit("");
    Recorder sink;
    SetNotify(&sink);
    const std::string out = CaptureStdout([] {
        Display("d");
        Message("m");
        MsgBox("b");
        MacroCallback("c");
        Notify(31, -1, "status");
        NotifyC(129, 0, "arg");
    });
    EXPECT_EQ(out, "");
    ASSERT_EQ(sink.calls.size(), 6u);
    const int codes[] = {1, 2, 7, 10, 31, 129};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sink.calls[size_t(i)].code, codes[i]);
    EXPECT_EQ(sink.calls[4].value, -1);
    EXPECT_EQ(sink.calls[5].text, "arg");

    SetNotify(nullptr);
    EXPECT_EQ(CaptureStdout([] { Message("back"); }), "back\n");
}

TEST(Notify, ConsoleSinkPrintsMessagesAndLogsCode5)
{
    CoreInit("");
    ASSERT_NE(CFNotify::ForC(), CFNotify::ForIDL());
    EXPECT_EQ(CFNotify::ForC(), CFNotify::ForC());
    SetNotify(CFNotify::ForC());
    EXPECT_EQ(CaptureStdout([] {
                  Message("one");
                  Message("two\n");
                  Message("");
              }),
              "one\ntwo\n");
    EXPECT_EQ(CaptureStdout([] {
                  Display("d");
                  MsgBox("m");
                  MacroCallback("c");
              }),
              "");
    const std::string out = CaptureStdout([] {
        Notify(5, 0, "to the log");
        Notify(5, 0, "");
    });
    EXPECT_EQ(out, "");
    const std::string log = LogText();
    EXPECT_EQ(log.find("to the log by "), 0u);
    EXPECT_EQ(log.find("\r\n"), log.size() - 2) << "exactly one log line";
}
