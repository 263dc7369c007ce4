#pragma once
// While it lives, no file of this process can grow past 16 bytes: every later write of a
// file fails as on a full disk, for root too (file permissions would not stop root).
#include <csignal>
#include <sys/resource.h>

namespace korvane::test {

class WritesFail {
  public:
    WritesFail() {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~WritesFail() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
    WritesFail(const WritesFail&) = delete;
    WritesFail& operator=(const WritesFail&) = delete;

  private:
    rlimit saved_{};
};

} // namespace korvane::test
