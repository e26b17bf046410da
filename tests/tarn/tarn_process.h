#pragma once
// Runs the `tarn` command as a child process: stdin from /dev/null (no
// terminal), stdout and stderr captured apart, a profile file of the test's own.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/common/temp_dir.h"

namespace tarn::test {

struct TarnResult {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const { return Lines(out); }
    std::vector<std::string> ErrLines() const { return Lines(err); }
    static std::vector<std::string> Lines(const std::string& text);
};

// Runs `tarn` with the arguments and waits for it (killed after `limit`).
TarnResult RunTarn(const std::vector<std::string>& args, const std::string& profile,
                   std::chrono::seconds limit = std::chrono::seconds(60));

// The same with stdin and stderr on a pseudo-terminal (stdout stays a pipe):
// `input` is typed on it, and `err` is what the terminal showed, echo included.
TarnResult RunTarnOnTerminal(const std::vector<std::string>& args, const std::string& profile,
                             const std::string& input, std::chrono::seconds limit = std::chrono::seconds(60));

// A `tarn` started in the background, with its stdout as a pipe.
class TarnChild {
public:
    // captureErr: stderr into a pipe that Wait collects (else it stays the test's).
    TarnChild(const std::vector<std::string>& args, const std::string& profile, bool captureErr = false);
    ~TarnChild();  // kills it if it still runs
    TarnChild(const TarnChild&) = delete;
    TarnChild& operator=(const TarnChild&) = delete;
    // One line of its stdout; empty at its end or after `limit`.
    std::string ReadLine(std::chrono::seconds limit = std::chrono::seconds(10));
    // Reads lines until `line` has come (true), or its stdout ends or stays silent.
    bool ReadUntil(const std::string& line, std::chrono::seconds limit = std::chrono::seconds(10));
    // Sends the signal and waits; the exit status, -1 when it did not exit normally.
    int Stop(int signal);
    void Signal(int signal);
    // Closes the reading end of its stdout (its next write finds a closed pipe).
    void CloseOutput();
    // Waits for its end: stdout not read yet, stderr and the exit status.
    TarnResult Wait(std::chrono::seconds limit = std::chrono::seconds(60));

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_ended = false;
    std::string m_buffer;
};

}  // namespace tarn::test
