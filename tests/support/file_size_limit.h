// A full disk for a test: lowers the process's file-size limit (RLIMIT_FSIZE) for the lifetime of
// the object, so that writes past the limit fail with EFBIG as they would with ENOSPC on a full
// disk. SIGXFSZ is ignored so that the failure comes back as an error instead of ending the
// process. Child processes inherit the limit: run oracles (ffprobe) after it is lifted.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace vyr::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
};

}  // namespace vyr::test
