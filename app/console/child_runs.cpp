#include "app/console/child_runs.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace tarn::console {

namespace {

constexpr int kResultFd = 3;

struct Pipe {
    size_t run;
    int fd;
    int kind;  // 0 stdout, 1 stderr, 2 result
    std::string partial;
};

// A child with stdout, stderr and descriptor 3 on pipes whose other ends
// come back in `pipes`.
bool Start(size_t index, ChildRun& run, std::vector<Pipe>& pipes) {
    int fds[3][2];
    for (int i = 0; i < 3; ++i) {
        if (::pipe2(fds[i], O_CLOEXEC) == 0) continue;
        for (int j = 0; j < i; ++j) ::close(fds[j][0]), ::close(fds[j][1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[0][1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1][1], STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[2][1], kResultFd);
    std::vector<std::string> args = {"tarn"};
    args.insert(args.end(), run.args.begin(), run.args.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int error =
        posix_spawn(&run.pid, "/proc/self/exe", &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 3; ++i) ::close(fds[i][1]);
    if (error != 0) {
        for (int i = 0; i < 3; ++i) ::close(fds[i][0]);
        run.pid = -1;
        errno = error;
        return false;
    }
    for (int i = 0; i < 3; ++i) pipes.push_back({index, fds[i][0], i, {}});
    return true;
}

}  // namespace

void ChildSignals::Signal(int signal) {
    std::lock_guard lock(m_mutex);
    m_signal = signal;
    for (pid_t pid : m_pids) ::kill(pid, signal);
}

void ChildSignals::Started(pid_t pid) {
    std::lock_guard lock(m_mutex);
    m_pids.push_back(pid);
    if (m_signal) ::kill(pid, m_signal);
}

bool ChildSignals::Stopping() {
    std::lock_guard lock(m_mutex);
    return m_signal != 0;
}

bool RunChildren(std::vector<ChildRun>& runs, const LineHandler& onLine, const Release& releases,
                 ChildSignals* signals) {
    std::vector<Pipe> pipes;
    std::vector<int> open(runs.size(), 0);  // pipes still open, per run
    size_t next = 0;
    bool started = true;
    int startError = 0;
    auto startNext = [&] {
        if (next >= runs.size() || !started || (signals && signals->Stopping())) return;
        if (!(started = Start(next, runs[next], pipes))) {
            startError = errno;
            return;
        }
        if (signals) signals->Started(runs[next].pid);
        open[next++] = 3;
    };
    startNext();

    auto deliver = [&](Pipe& pipe, bool ended) {
        if (pipe.kind == 2) return false;
        const ChildStream stream = pipe.kind == 0 ? ChildStream::Out : ChildStream::Err;
        bool release = false;
        auto line = [&](const std::string& text) {
            onLine(pipe.run, stream, text);
            release =
                release || (stream == ChildStream::Out && pipe.run + 1 == next && releases(text));
        };
        size_t from = 0;
        for (size_t end; (end = pipe.partial.find('\n', from)) != std::string::npos; from = end + 1)
            line(pipe.partial.substr(from, end - from));
        pipe.partial.erase(0, from);
        if (ended && !pipe.partial.empty()) line(pipe.partial);
        return release;
    };
    while (!pipes.empty()) {
        std::vector<pollfd> fds;
        for (const Pipe& pipe : pipes) fds.push_back({pipe.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        bool release = false;
        for (size_t i = fds.size(); i-- > 0;) {
            if (!fds[i].revents) continue;
            Pipe& pipe = pipes[i];
            char buffer[4096];
            const ssize_t n = ::read(pipe.fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n > 0) {
                (pipe.kind == 2 ? runs[pipe.run].result : pipe.partial)
                    .append(buffer, static_cast<size_t>(n));
                release = deliver(pipe, false) || release;
                continue;
            }
            release = deliver(pipe, true) || release;
            // A run that has ended releases the next one too.
            if (--open[pipe.run] == 0 && pipe.run + 1 == next) release = true;
            ::close(pipe.fd);
            pipes.erase(pipes.begin() + static_cast<long>(i));
        }
        if (release) startNext();
    }
    for (const Pipe& pipe : pipes) ::close(pipe.fd);
    for (ChildRun& run : runs) {
        if (run.pid < 0) continue;
        int status = 0;
        while (::waitpid(run.pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    errno = startError;
    return started;
}

}  // namespace tarn::console
