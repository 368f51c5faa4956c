// WriteCheck: runs one write of the library and tells whether it failed, and why.
#ifndef TALVEX_CLI_WRITECHECK_H
#define TALVEX_CLI_WRITECHECK_H

#include <functional>
#include <string>

namespace cli {

/// Runs write with the core's messages held back. Empty when write returned true and the
/// library recorded no failure (the held messages are then shown as usual); otherwise the
/// reason: the library's last failure, else its first message, else "the write failed".
std::string WriteFailure(const std::function<bool()>& write);

/// WriteFailure, then Fail with one line: what, followed by the reason.
void CheckedWrite(const std::string& what, const std::function<bool()>& write);

} // namespace cli

#endif
