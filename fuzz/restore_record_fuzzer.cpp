// The restore record in the Windows folder and the boot log, as a crash, another program or a
// user may leave them. The start after a restore reads both: whatever they hold, it tells the
// user at most once, forgets the record, and a record it understands reads back as written.
#include "fuzz_machine.h"

#include "restore/boot_log.h"
#include "restore/restore_outcome.h"
#include "restore/restore_record.h"

#include "base/error.h"

#include <fstream>

namespace {

using namespace korvane::fuzz;

constexpr const char* kWinDir = "C:\\WINDOWS";
constexpr const char* kRecord = "C:\\WINDOWS\\korvane.rst";

bool sameRecord(const korvane::RestoreRecord& a, const korvane::RestoreRecord& b) {
    return a.point == b.point && a.date == b.date && a.backupMade == b.backupMade && a.mark == b.mark &&
           a.bootLogOffset == b.bootLogOffset;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    w98::Machine& m = machine().machine();
    const std::string_view input = asText(data, size);

    // The same bytes as the boot log: a reason is one of the known ones, or none.
    {
        std::ofstream log(m.root() / "boot.log", std::ios::binary | std::ios::trunc);
        log.write(input.data(), static_cast<std::streamsize>(input.size()));
    }
    const std::string reason = korvane::RestoreFailureFromLog(korvane::BootLogSince(m, 0));
    check(reason.empty() || reason.starts_with("备份文件无法解开（") ||
              reason.starts_with("找不到备份文件（") || reason.starts_with("注册表文件没能复制到位（") ||
              reason.starts_with("注册表导入失败（"),
          "a reason of another form");
    check(reason.size() < 1024, "a reason that quotes too much of the log");

    put(kRecord, input);
    if (auto record = korvane::ReadRestoreRecord(m, kWinDir)) {
        korvane::WriteRestoreRecord(m, kWinDir, *record);
        const auto again = korvane::ReadRestoreRecord(m, kWinDir);
        check(again && sameRecord(*record, *again), "a record does not read back as written");
        put(kRecord, input);
    }
    korvane::TakeRestoreOutcome(m, kWinDir);
    check(!m.exists(kRecord), "the record was kept although no job waits for the restart");
    check(!korvane::TakeRestoreOutcome(m, kWinDir), "the user is told twice");
    return 0;
}
