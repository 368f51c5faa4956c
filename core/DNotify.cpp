// The notification sinks and the functions that forward messages to them.
#include "DNotify.h"

#include "Log.h"

#include <cstdio>

QNotify* QNot = nullptr;

namespace {
DNotify* NotifySink = nullptr;

// Without a sink the text goes to standard output as one line.
void PrintLine(const DString& text)
{
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}
} // namespace

bool DNotify::Query()
{
    return false;
}

DNotify::~DNotify() = default;

void QNotify::Reserved() { }

QNotify::~QNotify() = default;

void CFNotify::OnNotify(int code, int, const DString& text)
{
    if (!text)
        return;
    if (code == 2) {
        std::fputs(text.c_str(), stdout);
        if (text[text.Len() - 1] != '\n')
            std::fputc('\n', stdout);
        std::fflush(stdout);
    } else if (code == 5) {
        Log(text);
    }
}

// Allocated once and never destroyed, so that a message sent while the process exits still
// finds its sink.
CFNotify* CFNotify::ForC()
{
    static CFNotify* const sink = new CFNotify;
    return sink;
}

CFNotify* CFNotify::ForIDL()
{
    static CFNotify* const sink = new CFNotify;
    return sink;
}

void SetNotify(DNotify* sink)
{
    NotifySink = sink;
}

DNotify* GetNotify()
{
    return NotifySink;
}

void SetQNotify(QNotify* sink)
{
    QNot = sink;
}

void Notify(int code, int value, const DString& text)
{
    if (NotifySink)
        NotifySink->OnNotify(code, value, text);
    else
        PrintLine(text);
}

void Display(const DString& text)
{
    Notify(1, 0, text);
}

void Message(const DString& text)
{
    Notify(2, 0, text);
}

void MsgBox(const DString& text)
{
    Notify(7, 0, text);
}

void MacroCallback(const DString& text)
{
    if (NotifySink)
        NotifySink->OnNotify(10, 0, text);
}

void NotifyC(int code, int value, const char* text)
{
    Notify(code, value, DString(text, npos));
}
