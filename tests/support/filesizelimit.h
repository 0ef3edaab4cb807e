#pragma once
#include <csignal>
#include <sys/resource.h>

// Writes beyond `bytes` fail (EFBIG) while it lives: a disk filling up mid-write, which root cannot dodge.
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(long bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old;
        lim.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};
