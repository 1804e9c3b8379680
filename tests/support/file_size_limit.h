#pragma once

#include <csignal>
#include <sys/resource.h>

namespace brivane::test {

// Makes every file write of this process fail past `bytes` while it lives: the
// one way to make a store write fail that holds even for root, for whom
// permission bits stop nothing.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        // Without this the kernel ends the process instead of failing the write.
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ok_ = getrlimit(RLIMIT_FSIZE, &previous_) == 0;
        if (ok_) {
            rlimit limited = previous_;
            limited.rlim_cur = bytes;
            ok_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
        }
    }
    ~FileSizeLimit() {
        if (ok_)
            setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return ok_; }

private:
    rlimit previous_{};
    bool ok_ = false;
    void (*previousHandler_)(int) = nullptr;
};

} // namespace brivane::test
