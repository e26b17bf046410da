#include "tests/tarn/tarn_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace tarn::test {

namespace {

int Status(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

// Starts tarn with stdout into a new pipe; stdin from /dev/null, or from
// `terminal`, which then also takes stderr; else stderr goes into a new pipe
// (errRead null: stderr stays the test's).
pid_t Spawn(const std::vector<std::string>& args, const std::string& profile, int& outRead, int* errRead,
            int terminal = -1) {
    int out[2], err[2] = {-1, -1};
    if (terminal >= 0) errRead = nullptr;
    if (::pipe2(out, O_CLOEXEC) != 0 || (errRead && ::pipe2(err, O_CLOEXEC) != 0))
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (terminal >= 0) {
        posix_spawn_file_actions_adddup2(&actions, terminal, 0);
        posix_spawn_file_actions_adddup2(&actions, terminal, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (errRead) posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("TARN_PROFILE=", 0) != 0 && std::string(*e).rfind("TARN_DATA_DIR=", 0) != 0)
            env.emplace_back(*e);
    env.push_back("TARN_PROFILE=" + profile);
    // The service history and snapshots of a run stay beside its profile.
    env.push_back("TARN_DATA_DIR=" + (std::filesystem::path(profile).parent_path() / "data").string());
    std::vector<char*> argv{const_cast<char*>(TARN_EXECUTABLE)}, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, TARN_EXECUTABLE, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (errRead) ::close(err[1]);
    if (rc != 0) throw std::runtime_error("cannot start " TARN_EXECUTABLE);
    outRead = out[0];
    if (errRead) *errRead = err[0];
    return pid;
}

}  // namespace

std::vector<std::string> TarnResult::Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

namespace {

// Collects the child's stdout and its stderr (a pipe, or a terminal's master
// side) until both end, then waits for it.
TarnResult Collect(pid_t pid, int out, int err, std::chrono::seconds limit) {
    TarnResult result;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);  // a master ends with EIO
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& f : fds)
        if (f.fd >= 0) ::close(f.fd);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    result.status = Status(raw);
    return result;
}

}  // namespace

TarnResult RunTarn(const std::vector<std::string>& args, const std::string& profile, std::chrono::seconds limit) {
    int out = -1, err = -1;
    const pid_t pid = Spawn(args, profile, out, &err);
    return Collect(pid, out, err, limit);
}

TarnResult RunTarnOnTerminal(const std::vector<std::string>& args, const std::string& profile,
                             const std::string& input, std::chrono::seconds limit) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    int out = -1;
    const pid_t pid = Spawn(args, profile, out, nullptr, slave);
    ::close(slave);
    if (!input.empty() && ::write(master, input.data(), input.size()) < 0) throw std::runtime_error("write");
    return Collect(pid, out, master, limit);
}

TarnChild::TarnChild(const std::vector<std::string>& args, const std::string& profile, bool captureErr) {
    m_pid = Spawn(args, profile, m_out, captureErr ? &m_err : nullptr);
}

TarnChild::~TarnChild() {
    if (m_pid > 0) Stop(SIGKILL);
    if (m_out >= 0) ::close(m_out);
    if (m_err >= 0) ::close(m_err);
}

void TarnChild::Signal(int signal) { ::kill(m_pid, signal); }

void TarnChild::CloseOutput() {
    ::close(m_out);
    m_out = -1;
}

TarnResult TarnChild::Wait(std::chrono::seconds limit) {
    if (m_out < 0) m_out = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (m_err < 0) m_err = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    TarnResult result = Collect(m_pid, m_out, m_err, limit);
    result.out.insert(0, m_buffer);
    m_pid = m_out = m_err = -1;
    return result;
}

std::string TarnChild::ReadLine(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (auto end = m_buffer.find('\n'); end != std::string::npos) {
            std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fd{m_out, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            m_ended = true;  // silent for the whole limit
            return {};
        }
        char buffer[512];
        const ssize_t n = ::read(m_out, buffer, sizeof buffer);
        if (n <= 0) {
            m_ended = true;
            return {};
        }
        m_buffer.append(buffer, static_cast<size_t>(n));
    }
}

bool TarnChild::ReadUntil(const std::string& line, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (ReadLine(limit) == line) return true;
        if (m_ended) return false;
    }
    return false;
}

int TarnChild::Stop(int signal) {
    if (m_pid <= 0) return -1;
    ::kill(m_pid, signal);
    int raw = 0;
    ::waitpid(m_pid, &raw, 0);
    m_pid = -1;
    return Status(raw);
}

}  // namespace tarn::test
