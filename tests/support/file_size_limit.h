#pragma once

#include <gtest/gtest.h>

#include <QtGlobal>

#include <sys/resource.h>

#include <csignal>

namespace velsor::testing {

// Files grow no further than `bytes` while it lives, as on a full disk: a write past it fails
// part-way (SIGXFSZ ignored), a real partial write on a real file.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = old;
        r.rlim_cur = static_cast<rlim_t>(bytes);
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &r), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
    }

private:
    rlimit old{};
    void (*handler)(int) = nullptr;
};

} // namespace velsor::testing
