#pragma once
// Runs a piece of a test in a forked child that has given up root, so that
// file permissions bind also where the tests run as root (CI does). The child
// reports back as text; it must not use the test framework itself.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace tarn::test {

inline constexpr uid_t kNobody = 65534;

// The text `body` returns in the child, or a line starting with "!" when the
// child could not drop its rights or did not end normally.
inline std::string RunUnprivileged(const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return "!pipe";
    const pid_t pid = ::fork();
    if (pid < 0) return "!fork";
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string text;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            text = "!could not become nobody";
        else
            text = body();
        for (size_t at = 0; at < text.size();) {
            const ssize_t n = ::write(pipeFds[1], text.data() + at, text.size() - at);
            if (n <= 0) break;
            at += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "!child ended abnormally: " + text;
    return text;
}

}  // namespace tarn::test
