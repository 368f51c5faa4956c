// ShotSets: sets of shots named by a pattern, a range or a shot list, and shot-list names.
#ifndef TALVEX_CLI_SHOTSETS_H
#define TALVEX_CLI_SHOTSETS_H

#include "CommandLine.h"
#include "Session.h"
#include "ShotCondition.h"

#include <string>
#include <vector>

namespace cli {

/// The options that name a set besides SPEC: --list NAME, --source PATH, --data NAME,
/// --where COND.
extern const std::vector<OptionSpec> kSetOptions;
/// What the help of a command over sets says about them.
extern const char kSetHelp[];

/// The shots named by spec (a shot name, a wildcard over shot names or a range A:B; empty:
/// every shot) and the set options, in the order the experiment lists them, with their
/// groups. Fails on a malformed pattern or range, an unknown shot list or shot path, and a
/// plain shot name that names no shot.
/// --where COND then keeps the shots for which the condition is true. With dates false the
/// shots' dates are left for ShotDate to read (one file probe a shot saved).
std::vector<ShotRef> SelectShots(const CommandLine& cl, const std::string& spec, bool dates = true);

/// As SelectShots for each of several specs ("-" reads shot names from standard input, one a
/// line), the sets joined without repeats in the order given; an empty list means every shot.
std::vector<ShotRef> SelectShots(const CommandLine& cl, const std::vector<std::string>& specs);

/// Keeps the shots for which the condition is true (the current shot stays current).
void KeepWhere(const ShotCondition& condition, std::vector<ShotRef>& shots);

/// Fails, before anything is read, when --where holds a condition that cannot be parsed.
void CheckWhere(const CommandLine& cl);

/// The failure for an expression or condition the library's checker refused.
[[noreturn]] void FailIssue(const DString& message);

/// A shot list's name without ".txt"; fails unless it can be one file name of the experiment's
/// ShotLists folder.
std::string ListName(const std::string& given);

/// The file of shot list name (ShotLists\<name>.txt in the experiment).
DString ListFile(const std::string& name);

} // namespace cli

#endif
