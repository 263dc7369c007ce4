#pragma once
// A temporary machine with startup entries in the places Windows 98 reads them from, and a
// limit on file sizes that makes every later write fail, as a full disk would.
#include "platform/machine.h"
#include "platform/registry.h"
#include "startup/startup_entry.h"
#include "tests/support/temp_machine.h"

#include <csignal>
#include <string>
#include <sys/resource.h>

namespace korvane::test {

inline void setRun(w98::Machine& m, const std::string& key, const std::string& name,
                   const std::string& text) {
    m.registry().setValue(w98::kHkeyLocalMachine, kRunKeyPrefix + key,
                          w98::RegValue{name, w98::reg_type::kSz, w98::regStringData(text)});
}

inline bool hasRun(w98::Machine& m, const std::string& key, const std::string& name) {
    return m.registry().getValue(w98::kHkeyLocalMachine, kRunKeyPrefix + key, name).has_value();
}

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
