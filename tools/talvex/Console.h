// Console: the tool's failures, its sink for the core's messages, progress lines and output.
#ifndef TALVEX_CLI_CONSOLE_H
#define TALVEX_CLI_CONSOLE_H

#include "DNotify.h"
#include "DString.h"

#include <stdexcept>
#include <string>

namespace cli {

/// A command that cannot go on: what() is the one line shown after "talvex: ". Thrown before
/// anything is changed wherever the failure can be foreseen.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& what);

std::string Str(const DString& s);
/// A text of the user's inside a message: 'text'.
std::string Quoted(const std::string& s);
std::string Quoted(const DString& s);

/// Shows the core's messages for the user (codes 2 and 7) on standard error and writes code 5
/// to the log; status texts and macro callbacks are not for a console.
class ErrorSink : public DNotify {
public:
    void OnNotify(int code, int value, const DString& text) override;
    /// Messages shown so far.
    int Shown() const { return shown; }

private:
    int shown = 0;
};

/// The sink installed by OpenExperiment.
ErrorSink& Sink();

/// "what i of n" on standard error while a loop over many items runs, shown only when standard
/// error is a terminal; the line is cleared when the loop ends.
class Progress {
public:
    Progress(int total, const char* what);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void Step();

private:
    int total;
    int done = 0;
    const char* what;
    bool enabled;
    bool drawn = false;
    double last = 0;
};

/// Writes text to standard output as it is.
void Out(const std::string& text);

/// True when standard output is a terminal.
bool OutputIsTerminal();

} // namespace cli

#endif
