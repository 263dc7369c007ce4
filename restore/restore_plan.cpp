#include "restore_plan.h"

#include "base/text.h"
#include "platform/machine.h"

namespace korvane {
namespace {

RestoreFile inRoot(const char* name, bool clear = false) {
    return {name, name, RestoreTarget::BootRoot, clear};
}
RestoreFile inWindows(const char* name, bool clear = false) {
    return {name, name, RestoreTarget::WindowsFolder, clear};
}

} // namespace

bool RestoreFile::isRegistry() const {
    return w98::equalsNoCase(name, "system.dat") || w98::equalsNoCase(name, "user.dat");
}

std::string RestorePlan::livePath(const RestoreFile& f) const {
    return (f.to == RestoreTarget::BootRoot ? std::string("C:") : winDir) + "\\" + f.name;
}

std::string RestorePlan::sourcePath(const RestoreFile& f) const {
    return point.folder + "\\" + f.from;
}

std::string SourceCabinet(const RestorePoint& p) {
    if (p.note == notes::kMovedNow && p.folder.find("old") == std::string::npos)
        return p.folder + "\\old\\" + p.fileName;
    return p.folder + "\\" + p.fileName;
}

const std::vector<RestoreFile>& CabinetRestoreFiles() {
    static const std::vector<RestoreFile> files = {
        inRoot("msdos.sys", true),
        inRoot("command.com"),
        inRoot("config.sys"),
        inWindows("Control.ini"),
        inRoot("io.sys", true),
        inWindows("Desktop.ini", true),
        inWindows("Explorer.exe"),
        inWindows("Protocol.ini"),
        inWindows("system.dat", true),
        inWindows("system.ini"),
        inWindows("user.dat", true),
        inWindows("win.ini"),
        inWindows("win.com"),
        {"autoexec.bat", "autoexec.bat", RestoreTarget::BootRoot, false, true}};
    return files;
}

const std::vector<RestoreFile>& ClearedLiveFiles() {
    static const std::vector<RestoreFile> files = {inWindows("system.dat"), inWindows("user.dat"),
                                                   inWindows("desktop.ini"), inRoot("msdos.sys"),
                                                   inRoot("io.sys")};
    return files;
}

std::vector<RestoreFile> PairRestoreFiles(const std::string& extension) {
    std::vector<RestoreFile> files = {{"system" + extension, "system.dat"}, {"user" + extension, "user.dat"}};
    const std::string tail = extension == ".dat"   ? "ini"
                             : extension == ".da"  ? "in"
                             : extension == ".da0" ? "in0"
                                                   : "";
    if (!tail.empty()) {
        files.push_back({"win." + tail, "win.ini"});
        files.push_back({"system." + tail, "system.ini"});
    }
    return files;
}

RestorePlan PlanRestore(const w98::Machine& m, const RestorePoint& point, const std::string& winDir,
                        const std::string& bootDrive) {
    RestorePlan plan;
    plan.point = point;
    plan.winDir = winDir;
    plan.bootDrive = bootDrive;
    plan.cabinet = point.extension == ".cab";
    if (plan.cabinet) {
        plan.source = SourceCabinet(point);
        plan.files = CabinetRestoreFiles();
        return plan;
    }
    plan.source = point.folder + "\\system" + point.extension;
    for (RestoreFile& f : PairRestoreFiles(point.extension))
        if (f.isRegistry() || m.exists(plan.sourcePath(f)))
            plan.files.push_back(std::move(f));
    return plan;
}

} // namespace korvane
