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

/// WriteFilesAtomically, each file flushed to the disk before its rename when `flush` (as the
/// one-argument form always does). Without it a reader still never sees a half-written file, but
/// a crash of the machine may leave an empty one: a caller that writes many files flushes them
/// all at once afterwards (SyncDirectory) instead of waiting for the disk twice per file.
std::string WriteFilesAtomically(const std::vector<OutputFile>& files, bool flush);

/// WriteFilesAtomically (flushed) of one file whose content is `head` followed by the bytes of
/// the open file `rest` from its start to its end: a long file assembled piece by piece is
/// written without being held in memory.
std::string WriteFileAtomically(const std::string& path, const std::string& head, int rest);

/// Flushes every written file of the file system that holds `directory` to the disk. Returns ""
/// on success, else a message.
std::string SyncDirectory(const std::string& directory);

} // namespace cli
} // namespace parallo

#endif
