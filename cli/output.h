// Writing output files whole or not at all.
#ifndef PARALLO_CLI_OUTPUT_H
#define PARALLO_CLI_OUTPUT_H

#include <string>
#include <vector>

namespace parallo {
namespace cli {

/// A file's destination and content.
struct OutputFile {
    std::string path;
    std::string content;
};

/// Writes every file to a temporary file in its destination's directory and, once all are
/// written, renames each over its destination (over a symbolic link's target, keeping the link).
/// A destination that exists but is no regular file (/dev/null, /dev/stdout, a pipe) is written
/// to directly. On failure removes every temporary file, leaves the destinations as they were
/// (unless the failure struck between two renames) and returns a message; returns "" on success.
std::string WriteFilesAtomically(const std::vector<OutputFile>& files);

} // namespace cli
} // namespace parallo

#endif
