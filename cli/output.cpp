// Whole-or-nothing output: a reader of the destination never sees a half-written file, and an
// error leaves no stray file behind.
#include "output.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace parallo {
namespace cli {

namespace {

std::string Directory(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t NewFileMode(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

/// Writes all of `size` bytes at `data` to `fd`.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

/// Writes the file's content, then, unless `rest` is -1, the bytes of the open file `rest` from
/// its start to its end.
bool WriteContent(int fd, const OutputFile& file, int rest) {
    if (!WriteAll(fd, file.content.data(), file.content.size())) return false;
    if (rest < 0) return true;
    if (::lseek(rest, 0, SEEK_SET) != 0) return false;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        ssize_t n = ::read(rest, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAll(fd, chunk.data(), static_cast<std::size_t>(n))) return false;
    }
}

/// Writes the content to a new temporary file next to `path`; returns its name or sets `error`.
std::string WriteTemporary(const OutputFile& file, int rest, bool flush, std::string& error) {
    if (file.path.empty() || file.path.back() == '/') {
        error = "not a file name: \"" + file.path + "\"";
        return std::string();
    }
    std::string name = Directory(file.path) + "/." + BaseName(file.path) + ".tmp-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    int fd = ::mkstemp(buffer.data());
    if (fd < 0) {
        error = SystemError("cannot create a file in the directory of", file.path);
        return std::string();
    }
    name.assign(buffer.data());
    bool ok = WriteContent(fd, file, rest);
    if (ok && ::fchmod(fd, NewFileMode(file.path)) != 0) ok = false;
    if (ok && flush && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        error = SystemError("cannot write", file.path);
        ::unlink(name.c_str());
        return std::string();
    }
    return name;
}

/// Writes the content to an existing file that is not a regular one (a device such as
/// /dev/null or /dev/stdout, a pipe): those cannot be replaced, only written to.
std::string WriteDirect(const OutputFile& file, int rest) {
    int fd = ::open(file.path.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0) fd = ::open(file.path.c_str(), O_WRONLY);
    if (fd < 0) return SystemError("cannot open", file.path);
    if (!WriteContent(fd, file, rest)) {
        std::string error = SystemError("cannot write", file.path);
        ::close(fd);
        return error;
    }
    if (::close(fd) != 0) return SystemError("cannot write", file.path);
    return std::string();
}

/// WriteFilesAtomically with the bytes of the open file `rest` (unless -1) after each file's
/// content (it is given with one file).
std::string WriteAtomically(const std::vector<OutputFile>& files, int rest, bool flush) {
    // Regular files (and new ones) are replaced whole through a temporary file; a symbolic link
    // is followed so that the link stays and its target is replaced. Anything else that exists
    // (a device, a pipe) is written to directly: renaming over it would replace the device node.
    std::vector<OutputFile> replaced, direct;
    for (const OutputFile& file : files) {
        struct stat st {};
        if (::stat(file.path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            if (S_ISDIR(st.st_mode)) return "cannot write " + file.path + ": it is a directory";
            direct.push_back(file);
            continue;
        }
        OutputFile target{file.path, file.content};
        if (char* resolved = ::realpath(file.path.c_str(), nullptr)) {
            target.path = resolved;
            std::free(resolved);
        }
        replaced.push_back(std::move(target));
    }

    std::vector<std::string> temporaries;
    std::string error;
    for (const OutputFile& file : replaced) {
        std::string name = WriteTemporary(file, rest, flush, error);
        if (name.empty()) break;
        temporaries.push_back(name);
    }
    for (std::size_t i = 0; error.empty() && i < direct.size(); ++i) error = WriteDirect(direct[i], rest);
    if (!error.empty()) {
        for (const std::string& name : temporaries) ::unlink(name.c_str());
        return error;
    }
    for (std::size_t i = 0; i < replaced.size(); ++i) {
        if (::rename(temporaries[i].c_str(), replaced[i].path.c_str()) != 0) {
            error = SystemError("cannot replace", replaced[i].path);
            for (std::size_t j = i; j < temporaries.size(); ++j) ::unlink(temporaries[j].c_str());
            return error;
        }
    }
    return std::string();
}

} // namespace

std::string WriteFilesAtomically(const std::vector<OutputFile>& files) {
    return WriteFilesAtomically(files, true);
}

std::string SyncDirectory(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return SystemError("cannot open the directory", directory);
    const bool ok = ::syncfs(fd) == 0;
    std::string error = ok ? std::string() : SystemError("cannot flush the files of", directory);
    ::close(fd);
    return error;
}

std::string WriteFilesAtomically(const std::vector<OutputFile>& files, bool flush) {
    return WriteAtomically(files, -1, flush);
}

std::string WriteFileAtomically(const std::string& path, const std::string& head, int rest) {
    return WriteAtomically({OutputFile{path, head}}, rest, true);
}

} // namespace cli
} // namespace parallo
