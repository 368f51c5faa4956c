// Console: the tool's failures, its sink for the core's messages, progress lines and output.
#include "Console.h"
#include "Clock.h"
#include "Log.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

namespace {

/// Loops shorter than this finish before a progress line would help.
const int kProgressFrom = 20;
/// Seconds between two redraws of the progress line.
const double kRedraw = 0.1;

} // namespace

void Fail(const std::string& what)
{
    throw Failure(what);
}

std::string Str(const DString& s)
{
    return std::string(s.c_str(), size_t(s.Len()));
}

std::string Quoted(const std::string& s)
{
    return "'" + s + "'";
}

std::string Quoted(const DString& s)
{
    return Quoted(Str(s));
}

void ErrorSink::OnNotify(int code, int, const DString& text)
{
    if (code == 5) {
        Log(text);
        return;
    }
    if ((code != 2 && code != 7) || !text)
        return;
    std::string line = Str(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    std::fflush(stdout);
    std::fprintf(stderr, "talvex: %s\n", line.c_str());
    ++shown;
}

ErrorSink& Sink()
{
    static ErrorSink sink;
    return sink;
}

Progress::Progress(int total, const char* what)
    : total(total), what(what), enabled(total >= kProgressFrom && isatty(STDERR_FILENO)),
      last(Timer())
{
}

Progress::~Progress()
{
    if (drawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

void Progress::Step()
{
    ++done;
    if (!enabled)
        return;
    double now = Timer();
    if (now - last < kRedraw)
        return;
    last = now;
    std::fprintf(stderr, "\r%s %d of %d", what, done, total);
    std::fflush(stderr);
    drawn = true;
}

void Out(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

bool OutputIsTerminal()
{
    return isatty(STDOUT_FILENO) != 0;
}

} // namespace cli
