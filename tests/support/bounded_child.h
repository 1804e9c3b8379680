#pragma once

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// AddressSanitizer maps far more memory than a program uses (its shadow and
// quarantine), so under it a memory limit would stop the child before the code
// under test runs; the time and file-size limits still bound it there.
#if defined(__SANITIZE_ADDRESS__)
#define BRIVANE_CHILD_MEMORY_LIMIT 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRIVANE_CHILD_MEMORY_LIMIT 0
#endif
#endif
#ifndef BRIVANE_CHILD_MEMORY_LIMIT
#define BRIVANE_CHILD_MEMORY_LIMIT 1
#endif

namespace brivane::test {

// Runs `work` in a forked child and gives back the text it returned. The child
// has `seconds` to finish and bounded memory and file sizes, so code that blocks
// or reads without end comes back as "<killed by signal N>" (14 for the alarm)
// instead of hanging the test run or filling the machine. The child ends with
// _exit(), running no destructors of the test's own objects.
inline QByteArray runInChild(const std::function<QByteArray()>& work, unsigned seconds = 10) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "<no pipe>";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "<no fork>";
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(seconds);
        if (BRIVANE_CHILD_MEMORY_LIMIT) {
            const rlimit memory{rlim_t(2) << 30, rlim_t(2) << 30};
            ::setrlimit(RLIMIT_DATA, &memory);
        }
        rlimit size{};
        ::getrlimit(RLIMIT_FSIZE, &size);
        size.rlim_cur = std::min(size.rlim_cur, rlim_t(64) << 20);
        ::setrlimit(RLIMIT_FSIZE, &size);
        QByteArray result;
        try {
            result = work();
        } catch (...) {
            result = "<exception>";
        }
        // A short text goes through a pipe in one write.
        const ssize_t put = ::write(fds[1], result.constData(), size_t(result.size()));
        ::_exit(put == result.size() ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray out;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        out.append(buffer, got);
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return "<killed by signal " + QByteArray::number(WTERMSIG(status)) + ">";
    return out;
}

// Runs `step` over and over in a forked child until the object goes (or, at the
// latest, `seconds` have passed): another process acting on the files while the
// test does, to catch what happens between two system calls of the code under test.
class LoopingChild {
public:
    LoopingChild(const std::function<void()>& step, unsigned seconds) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::alarm(seconds);
            for (;;)
                step();
        }
    }
    ~LoopingChild() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    LoopingChild(const LoopingChild&) = delete;
    LoopingChild& operator=(const LoopingChild&) = delete;
    bool running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

} // namespace brivane::test
