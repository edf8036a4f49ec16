#pragma once
// Runs the built tool as its users do: a fresh process in a fresh temporary
// folder, arguments as bytes, each standard stream captured or set up as a
// test needs it, and the status (or the signal) it ends with.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vevizovuvazavad::testing {

enum class StreamSetup {
    captured,     // stdout and stderr: a pipe read to the end; stdin: /dev/null
    closed,       // the descriptor is not open in the tool
    closed_pipe,  // a pipe whose reader has already gone away
    full_device,  // /dev/full: every write fails with ENOSPC
};

struct RunOptions {
    StreamSetup in = StreamSetup::captured;
    StreamSetup out = StreamSetup::captured;
    StreamSetup err = StreamSetup::captured;
    // Opened read-write as stdout in place of `out`, such as a terminal.
    std::optional<std::filesystem::path> out_path;
    // The whole environment as NAME=value; when absent, the test's own.
    std::optional<std::vector<std::string>> environment;
    // A file-size limit in bytes. The tool starts with SIGXFSZ at its default
    // action, as a shell starts it: a write past the limit fails with EFBIG
    // only because the tool ignores the signal itself.
    std::optional<std::uint64_t> file_size_limit;
    // argv[0]; the tool's path when absent.
    std::optional<std::string> program;
    // A tool still running after this long is killed (status -1, SIGKILL),
    // so that a command that never ends fails its test instead of hanging it;
    // a short one kills the tool in the middle of its work.
    std::chrono::microseconds time_limit = std::chrono::seconds(120);
    // Runs the tool where /proc is absent (see why_proc_cannot_be_hidden),
    // with its own path as argv[0] whatever `program` says.
    bool without_proc = false;
};

struct RunResult {
    std::string out;
    std::string err;
    int status = -1;  // the exit status, or -1 when a signal ended the tool
    int signal = 0;   // the signal that ended it, or 0
};

// The test's environment without the variables that choose colour, plus
// `extra` (NAME=value each).
std::vector<std::string> environment_with(const std::vector<std::string>& extra);

// Options that load `library` into the tool (LD_PRELOAD) ahead of all else.
RunOptions preloaded(const std::string& library);

// Options that change names, kill the tool or make a call fail, at steps of
// its write, as `rules` say (tests/meddler/meddler.c), such as "fsync 1: kill"
// or "tmpfile *: fail EOPNOTSUPP".
RunOptions meddled(const std::string& rules);

// Why a run `without_proc` cannot be made here, if it cannot: it needs a
// mount namespace of its own, which root can make unless a sandbox forbids
// it, and a tool without the sanitizers, whose runtime reads /proc.
std::optional<std::string> why_proc_cannot_be_hidden();

// Whether the file system of `folder` makes files without a name
// (O_TMPFILE): only there does a write killed halfway leave nothing at all.
bool makes_unnamed_files(const std::filesystem::path& folder);

// Whether the file system of `folder` swaps two names in one step
// (RENAME_EXCHANGE), which FUSE, NFS and SMB mounts refuse.
bool swaps_names(const std::filesystem::path& folder);

// Whether `name` is one the tool gives its temporary files,
// ".{name}.{12 hex digits}.tmp", which a process killed may leave behind.
bool is_temporary_name(std::string_view name);

// A fresh temporary folder, removed with everything in it at the end of the
// test, in which the tool runs.
class ToolFolder {
public:
    ToolFolder();
    ~ToolFolder();
    ToolFolder(const ToolFolder&) = delete;
    ToolFolder& operator=(const ToolFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    void write(std::string_view name, std::string_view content) const;
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const;
    // The names of the entries of the folder, sorted, without those a FUSE
    // mount gives to removed files still open.
    std::vector<std::string> entries() const;

    RunResult run(const std::vector<std::string>& args, const RunOptions& options = {}) const;

private:
    std::filesystem::path path_;
};

}  // namespace vevizovuvazavad::testing
