#include "offline_restore.h"

#include "daily_backup.h"
#include "dos_job_runner.h"
#include "restore_execution.h"

#include "platform/cabinet.h"
#include "platform/dos_attributes.h"
#include "platform/error.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/text.h"
#include "sysaccess/system.h"

#include <optional>

namespace korvane {
namespace {

struct PointFile {
    std::string bytes;
    w98::DateTime time;
};

// What the job's copy of the file would find: the cabinet's entry, or the pair's file.
std::optional<PointFile> pointFile(const w98::Machine& m, const RestorePlan& plan, const RestoreFile& f,
                                   const std::vector<w98::CabEntry>& cabinet) {
    if (plan.cabinet) {
        for (const w98::CabEntry& e : cabinet)
            if (w98::equalsNoCase(e.name, f.from))
                return PointFile{e.data, e.time};
        return std::nullopt;
    }
    const std::string from = plan.sourcePath(f);
    if (!m.isFile(from))
        return std::nullopt;
    return PointFile{m.readFile(from), m.lastWriteTime(from)};
}

void deleteIfThere(w98::Machine& m, const std::string& path) {
    if (m.isFile(path)) {
        m.setAttributes(path, w98::attr::kArchive);
        m.deleteFile(path);
    }
}

// Puts one file in place as the job's COPY does: a new file with the archive attribute and the
// time of what it copies. A read-only file or a folder in the way stays, as COPY leaves it.
bool putBack(w98::Machine& m, const std::string& live, const PointFile& file) {
    try {
        if (m.exists(live) && (m.isDirectory(live) || (m.attributes(live) & w98::attr::kReadOnly)))
            return false;
        m.writeFile(live, file.bytes, w98::attr::kArchive);
        m.setLastWriteTime(live, file.time);
        return m.readFile(live) == file.bytes;
    } catch (const std::exception&) {
        return false;
    }
}

// The job's clean-up: MSDOS.SYS and IO.SYS hidden, read-only system files again, a saved
// Msdos.bei back in place of a missing MSDOS.SYS, and the start-up file a new copy.
void cleanUp(w98::Machine& m) {
    for (const char* f : {"C:\\MSDOS.SYS", "C:\\IO.SYS"})
        if (m.isFile(f))
            m.setAttributes(f,
                            m.attributes(f) | w98::attr::kSystem | w98::attr::kHidden | w98::attr::kReadOnly);
    if (m.isFile("C:\\Msdos.bei")) {
        if (!m.exists("C:\\MSDOS.SYS"))
            m.moveFile("C:\\Msdos.bei", "C:\\Msdos.sys");
        else
            deleteIfThere(m, "C:\\Msdos.bei");
    }
    if (m.isFile("C:\\AUTOEXEC.BAT"))
        m.setAttributes("C:\\AUTOEXEC.BAT", w98::attr::kArchive);
}

} // namespace

OfflineRestore RestoreOffline(System& system, SharedPaths& paths, const CheckedRestorePoint& point,
                              bool newestIsToday, const std::function<void()>& processEvents) {
    w98::Machine& m = system.machine;
    const RestorePlan& plan = point.plan;
    auto pump = [&] {
        if (processEvents)
            processEvents();
    };
    if (!m.canWrite())
        throw w98::Error(m.readOnlyReason());
    OfflineRestore done;
    done.backupMade = SaveStateBeforeRestore(m, paths, plan);
    if (plan.point.note != notes::kBeforeRestore)
        deleteIfThere(m, paths.WinDir + "\\scRegbei.bat"); // the clean-up deletes the checker's batch
    pump();
    // Read whole before the first file is written: a point that cannot be read changes nothing.
    const std::vector<w98::CabEntry> cabinet =
        plan.cabinet ? w98::readCabinet(m.readFile(plan.source), plan.source) : std::vector<w98::CabEntry>{};

    // ATTRIB -S -H -R, which leaves the archive attribute as it was.
    for (const RestoreFile& f : ClearedLiveFiles()) {
        const std::string live = plan.livePath(f);
        if (m.isFile(live))
            m.setAttributes(live, m.attributes(live) & w98::attr::kArchive);
    }
    system.registryReplaced = true;
    for (const RestoreFile& f : plan.files) {
        const std::optional<PointFile> file = pointFile(m, plan, f, cabinet);
        if (!file)
            continue; // the job's copy finds nothing and changes nothing
        const std::string live = f.handedOver ? "C:\\AUTOEXEC.BAT" : plan.livePath(f);
        if (!putBack(m, live, *file))
            done.notPutBack.push_back(live);
    }
    pump();
    cleanUp(m);
    if (!newestIsToday) {
        try {
            m.registry().importText(w98::joinLinesCrlf(ScanregRunRegLines(m, paths.WinDir)),
                                    DailyBackupImport(paths.WinDir));
        } catch (const std::exception&) {
            // As the job's regedit: a registry that takes no import keeps the point's entries.
        }
    }

    RestoreRecord record;
    record.date = plan.point.shownDate;
    record.backupMade = done.backupMade;
    std::string reason;
    if (!done.notPutBack.empty()) {
        reason = "这些文件没能放回：";
        for (std::size_t i = 0; i < done.notPutBack.size(); ++i)
            reason += (i ? "、" : "") + done.notPutBack[i];
    }
    done.outcome = DescribeRestoreOutcome(record, done.notPutBack.empty(), reason, RestoreReport::JustNow);
    return done;
}

} // namespace korvane
