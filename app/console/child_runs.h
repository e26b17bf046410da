#pragma once
// Runs this program again as child processes and gathers what they print:
// stdout and stderr line by line as the lines come, and a result document
// that each writes to its descriptor 3. stdin is /dev/null (no child asks).
#include <sys/types.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarn::console {

struct ChildRun {
    std::vector<std::string> args;  // without the program
    pid_t pid = -1;
    int status = -1;     // exit status; -1 when it did not exit normally
    std::string result;  // what it wrote to descriptor 3
};

enum class ChildStream { Out, Err };

using LineHandler = std::function<void(size_t run, ChildStream stream, const std::string& line)>;
using Release = std::function<bool(const std::string& line)>;

// Signals to the running children from another thread. Each child has a
// process group of its own, so a terminal's Ctrl-C reaches only the parent,
// which passes each signal on once; after the first no further child starts.
class ChildSignals {
public:
    void Signal(int signal);
    // Records a started child (which gets the signal at once when one came
    // meanwhile); false when no further child is to start.
    void Started(pid_t pid);
    bool Stopping();

private:
    std::mutex m_mutex;
    std::vector<pid_t> m_pids;
    int m_signal = 0;
};

// Starts the runs one after another: the next once `releases` accepts a
// stdout line of the one started before it, or once that one has ended; all
// then run at once. Returns when all have ended. `onLine` gets each line with
// its run's index, on this thread. False (with errno) when a child could not
// be started; no later one is started then, those started are waited for.
bool RunChildren(std::vector<ChildRun>& runs, const LineHandler& onLine, const Release& releases,
                 ChildSignals* signals = nullptr);

}  // namespace tarn::console
