#pragma once
// One XDG_CACHE_HOME of the benchmarks' own for the whole run: the working folders of the disk
// images they open, theirs and those of the programs they start, stay out of the user's cache
// and go at exit.
#include "tests/support/temp_machine.h"

#include <cstdlib>
#include <filesystem>

inline void useOwnCacheHome() {
    struct CacheHome {
        std::filesystem::path folder = korvane::test::makeTempFolder("korvane-bench-cache");
        CacheHome() { ::setenv("XDG_CACHE_HOME", folder.c_str(), 1); }
        ~CacheHome() {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
        CacheHome(const CacheHome&) = delete;
        CacheHome& operator=(const CacheHome&) = delete;
    };
    static const CacheHome cache;
}
