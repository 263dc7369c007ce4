#include "point_preview.h"

#include "point_difference.h"
#include "restore_check.h"
#include "restore_execution.h"
#include "restore_plan.h"
#include "system_facts.h"

#include "startup/win_ini.h"

#include "base/text.h"
#include "platform/machine.h"

#include <sys/stat.h>

namespace korvane {
namespace {

// A start-up file the restore would put in place: its name, where it goes, what the point holds.
struct Replacement {
    std::string name;
    std::string livePath;
    std::string bytes;
};

std::vector<std::string> linesOf(std::string_view file) {
    std::vector<std::string> lines;
    for (const WinIniLine& l : SplitWinIni(file))
        lines.push_back(WinIniLineText(l.bytes));
    return lines;
}

std::string key(const RestorePoint& p) {
    return p.note + '\n' + p.folder + '\n' + p.extension + '\n' + p.fileName + '\n' + p.shownDate;
}

} // namespace

bool PointPreview::Stamp::same(const Stamp& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
}

PointPreview::PointPreview(const std::filesystem::path& machineRoot, std::string winDir,
                           std::string bootDrive)
    : m_(std::make_unique<w98::Machine>(machineRoot)), winDir_(std::move(winDir)),
      bootDrive_(std::move(bootDrive)),
      liveSystem_(m_->hostPath(winDir_ + "\\SYSTEM.DAT"), winDir_ + "\\SYSTEM.DAT", "HKEY_LOCAL_MACHINE"),
      liveUser_(m_->hostPath(winDir_ + "\\USER.DAT"), winDir_ + "\\USER.DAT", "HKEY_USERS") {}

PointPreview::~PointPreview() = default;

std::vector<PointPreview::Stamp> PointPreview::stampsOf(const RestorePoint& point) const {
    // Every file the preview may read: the live registry, the point's files, whether there or
    // not (a pair's optional files change its plan), and every live file a restore may replace.
    std::vector<std::string> files = {winDir_ + "\\SYSTEM.DAT", winDir_ + "\\USER.DAT"};
    if (point.extension == ".cab") {
        files.push_back(SourceCabinet(point));
    } else {
        for (const RestoreFile& f : PairRestoreFiles(point.extension))
            files.push_back(point.folder + "\\" + f.from);
    }
    RestorePlan live;
    live.winDir = winDir_;
    for (const RestoreFile& f : CabinetRestoreFiles())
        if (!f.isRegistry())
            files.push_back(live.livePath(f));
    std::vector<Stamp> stamps;
    for (const std::string& file : files) {
        Stamp s;
        try {
            s.file = m_->hostPath(file);
        } catch (const std::exception&) {
            continue; // a name no file can have
        }
        struct stat st {};
        if (::stat(s.file.c_str(), &st) == 0)
            s = Stamp{s.file, true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
        stamps.push_back(std::move(s));
    }
    return stamps;
}

std::optional<std::vector<std::string>> PointPreview::lines(const RestorePoint& point,
                                                            const std::function<bool()>& abandoned) {
    // Stamped before reading: a file that changes while it is read makes the next call read again.
    std::vector<Stamp> stamps = stampsOf(point);
    const std::string k = key(point);
    if (auto it = kept_.find(k); it != kept_.end() && it->second.files.size() == stamps.size()) {
        bool same = true;
        for (std::size_t i = 0; i < stamps.size() && same; ++i)
            same = stamps[i].file == it->second.files[i].file && stamps[i].same(it->second.files[i]);
        if (same)
            return it->second.lines;
    }
    auto made = make(point, abandoned);
    if (made)
        kept_[k] = Kept{std::move(stamps), *made};
    return made;
}

std::optional<std::vector<std::string>> PointPreview::make(const RestorePoint& point,
                                                           const std::function<bool()>& abandoned) {
    auto gone = [&] { return abandoned && abandoned(); };
    ++made_;

    // The click's own checks, in its order: what it would refuse, the preview explains.
    RestorePlan plan;
    PointContents contents;
    try {
        plan = CheckRestorableIn(*m_, winDir_, bootDrive_, point);
        if (gone())
            return std::nullopt;
        CheckRestorePoint(*m_, plan, &contents);
    } catch (const w98::Error& e) {
        return RefusalLines(e.what(), point.shownDate);
    }
    if (gone())
        return std::nullopt;

    const w98::regtree::Key& liveSystem = liveSystem_.fresh();
    if (gone())
        return std::nullopt;
    const w98::regtree::Key& liveUser = liveUser_.fresh();
    if (gone())
        return std::nullopt;

    // The registry files are compared by what they hold, the other files by their bytes.
    std::vector<Replacement> replacing;
    for (const RestoreFile& f : plan.files) {
        if (f.isRegistry())
            continue;
        if (plan.cabinet) {
            for (w98::CabEntry& e : contents.cabinetFiles)
                if (w98::equalsNoCase(e.name, f.from))
                    replacing.push_back({f.name, plan.livePath(f), std::move(e.data)});
        } else if (m_->isFile(plan.sourcePath(f))) {
            replacing.push_back({f.name, plan.livePath(f), m_->readFile(plan.sourcePath(f))});
        }
    }

    const std::string liveWinIniPath = winDir_ + "\\win.ini";
    const std::string liveWinIni = m_->isFile(liveWinIniPath) ? m_->readFile(liveWinIniPath) : std::string();
    std::string pointWinIni = liveWinIni;
    std::vector<std::string> differing;
    for (const Replacement& r : replacing) {
        if (w98::equalsNoCase(r.name, "win.ini"))
            pointWinIni = r.bytes;
        if (!m_->isFile(r.livePath) || m_->readFile(r.livePath) != r.bytes)
            differing.push_back(r.name);
    }
    if (gone())
        return std::nullopt;

    const SystemFacts live = ReadSystemFacts(liveSystem, liveUser, linesOf(liveWinIni), FactsOf::LiveMachine);
    const SystemFacts then = ReadSystemFacts(*contents.registry.system, *contents.registry.user,
                                             linesOf(pointWinIni), FactsOf::RestorePoint);
    return DifferenceLines(live, then, differing, point.shownDate);
}

} // namespace korvane
