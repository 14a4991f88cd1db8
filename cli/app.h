// The parallo command as a function, so that tests and fuzzers can run it in-process.
#ifndef PARALLO_CLI_APP_H
#define PARALLO_CLI_APP_H

#include <iosfwd>

namespace parallo {
namespace cli {

/// Exit statuses of the command.
enum ExitStatus : int {
    kExitSuccess = 0,         ///< also when a generation method reported failures, unless --strict
    kExitFailure = 1,         ///< an output could not be written, or an internal failure
    kExitBadUsage = 2,        ///< a bad command line or a bad configuration
    kExitReportedFailure = 3, ///< with --strict: a generation method reported a failure
};

/// Runs `parallo CONFIG.json [-o OUT.geojson] [--svg OUT.svg] [--time-limit S] [--strict]` with standard
/// streams `in`, `out` and `err`. Returns the exit status; never throws.
/// Runs `command` and returns its status; an exception it lets out is one line on `err`
/// ("parallo: internal failure: ...") and status kExitFailure, never a crash.
int ExitStatusOf(int (*command)(int, const char *const *, std::istream *, std::ostream &, std::ostream &),
                 int argc, const char *const *argv, std::istream *in, std::ostream &out,
                 std::ostream &err) noexcept;

int RunCommand(int argc, const char *const *argv, std::istream &in, std::ostream &out,
               std::ostream &err) noexcept;

} // namespace cli
} // namespace parallo

#endif
