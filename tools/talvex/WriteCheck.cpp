// WriteCheck: a write's failure becomes one line, whether the library returned it, recorded it
// or only sent it as a message.
#include "WriteCheck.h"
#include "Console.h"
#include "DNotify.h"
#include "LastFailure.h"
#include "Log.h"

#include <vector>

namespace cli {

namespace {

/// Keeps the messages of one write, so that a failure is shown once, as one line.
class HeldMessages : public DNotify {
public:
    HeldMessages() : previous(GetNotify()) { SetNotify(this); }
    ~HeldMessages() override { SetNotify(previous); }
    HeldMessages(const HeldMessages&) = delete;
    HeldMessages& operator=(const HeldMessages&) = delete;

    void OnNotify(int code, int value, const DString& text) override
    {
        if (code == 5)
            Log(text);
        else if ((code == 2 || code == 7) && ~text)
            held.push_back({code, value, Str(text)});
    }

    std::string First() const { return held.empty() ? std::string() : held.front().text; }

    /// Shows the held messages through the sink that was installed before.
    void Pass() const
    {
        for (const Held& h : held) {
            if (previous)
                previous->OnNotify(h.code, h.value, DString(h.text.c_str()));
        }
    }

private:
    struct Held {
        int code;
        int value;
        std::string text;
    };
    DNotify* previous;
    std::vector<Held> held;
};

std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

std::string WriteFailure(const std::function<bool()>& write)
{
    ClearLastFailure();
    HeldMessages messages;
    bool const ok = write();
    DString recorded;
    if (ok && GetLastFailure(&recorded) == 0) {
        messages.Pass();
        return std::string();
    }
    if (~recorded)
        return OneLine(Str(recorded));
    std::string first = messages.First();
    return first.empty() ? std::string("the write failed") : OneLine(first);
}

void CheckedWrite(const std::string& what, const std::function<bool()>& write)
{
    std::string why = WriteFailure(write);
    if (!why.empty())
        Fail(what + ": " + why);
}

} // namespace cli
