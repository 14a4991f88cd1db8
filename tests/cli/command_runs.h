// Helpers of the tests that run the built parallo command as a user runs it: whole files, a
// scratch directory removed with everything in it, and a run with its streams read back.
#ifndef PARALLO_TESTS_CLI_COMMAND_RUNS_H
#define PARALLO_TESTS_CLI_COMMAND_RUNS_H

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace parallo_cli_test {

#ifdef PARALLO_CLI_COMMAND
inline const std::string kParallo = PARALLO_CLI_COMMAND;
#else
inline const std::string kParallo = PARALLO_BINARY_DIR "/cli/parallo";
#endif

inline std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// `s` as one word of the shell.
inline std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

/// A fresh directory, removed with everything in it at the end.
struct Scratch {
    Scratch() {
        char name[] = "/tmp/parallo-test-XXXXXX";
        path = ::mkdtemp(name) ? name : "/tmp/parallo-test-failed";
    }
    ~Scratch() { std::filesystem::remove_all(path); }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;

    /// The path of `name` in the directory, after writing `text` to it.
    std::string Write(const std::string &name, const std::string &text) const {
        std::ofstream(path + "/" + name, std::ios::binary) << text;
        return path + "/" + name;
    }
    /// Every name in the directory, sorted: anything left behind, temporary files included.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string path;
};

struct Outcome {
    int status = -1;
    std::string out, err;
};

/// The built command with `args` and `input` on standard input; its streams go through files of
/// `dir`, removed again.
inline Outcome RunParallo(const Scratch &dir, const std::vector<std::string> &args,
                          const std::string &input = "") {
    const std::string in = dir.Write(".stdin", input), out = dir.path + "/.stdout",
                      err = dir.path + "/.stderr";
    std::string command = Quote(kParallo);
    for (const std::string &a : args)
        command += " " + Quote(a);
    const int raw =
        std::system((command + " <" + Quote(in) + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
    Outcome o{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), ReadFile(out), ReadFile(err)};
    for (const std::string &p : {in, out, err})
        std::remove(p.c_str());
    return o;
}

} // namespace parallo_cli_test

#endif
