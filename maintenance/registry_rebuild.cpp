#include "registry_rebuild.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "dosjob/batch_file.h"
#include "dosjob/dos_job_runner.h"
#include "platform/machine.h"
#include "registry/regedit4.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "sysaccess/system_info.h"

namespace korvane {
namespace {

// The editor refuses bigger files; a real export is a few megabytes.
constexpr std::uint64_t kMaxExportBytes = 64u << 20;

// Notes which of the two hives the export holds.
class HiveSink final : public w98::regedit4::Sink {
  public:
    bool machine = false, users = false;
    void section(std::size_t, bool, std::string_view rootName, std::vector<w98::regedit4::Name>) override {
        machine = machine || w98::equalsNoCase(rootName, "HKEY_LOCAL_MACHINE") ||
                  w98::equalsNoCase(rootName, "HKEY_CLASSES_ROOT");
        users = users || w98::equalsNoCase(rootName, "HKEY_USERS") ||
                w98::equalsNoCase(rootName, "HKEY_CURRENT_USER");
    }
    void value(std::size_t, w98::RegValue, std::string) override {}
    void removeValue(std::size_t, w98::regedit4::Name) override {}
};

void DeleteIfPresent(w98::Machine& m, const std::string& path) {
    if (!m.isFile(path))
        return;
    m.setAttributes(path, w98::attr::kArchive);
    m.deleteFile(path);
}

// The export is taken while MS-DOS programs are allowed for the program's run; the
// restriction the user keeps (`old`) is what closing the program puts back, and the rebuilt
// registry has to hold it too, or the rebuild would lift it for good.
void KeepMsDosRestriction(w98::Machine& m) {
    const auto hkcu = w98::kHkeyCurrentUser;
    if (!RegValueExists(m, hkcu, kWinOldAppKey, "old") || ReadRegInt(m, hkcu, kWinOldAppKey, "old") != 1)
        return;
    std::string bytes = m.readFile(kRegistryExport);
    if (!bytes.ends_with("\r\n"))
        bytes += "\r\n";
    bytes +=
        "[HKEY_USERS\\.DEFAULT\\" + std::string(kWinOldAppKey) + "]\r\n\"Disabled\"=dword:00000001\r\n\r\n";
    m.writeFile(kRegistryExport, bytes);
}

std::string ExportBatch(const std::string& winDir) {
    return winDir + "\\reg.bat";
}

} // namespace

std::vector<std::string> ExportBatchLines() {
    return {"regedit /e c:\\reg.reg"};
}

std::vector<std::string> RegistryRebuildJobLines(const w98::Machine& m, const std::string& winDir) {
    return {"@ECHO OFF", "smartdrv 20480 20480", "regedit /c  c:\\reg.reg", "del c:\\reg.reg",
            "del " + DosPath(m, ExportBatch(winDir))};
}

std::vector<std::string> RegistryRebuildExplanation(const std::string& caption) {
    return {caption,
            "",
            "     还记得刚安装win98后的快捷的速度吗？",
            "     "
            "可是现在的电脑运行的越来越慢了。这是因为你的电脑注册表里面存在大量的垃圾，从而导致win98这辆法拉"
            "利跑车"
            "在充垃圾满障碍的的高速公里上行驶。",
            "     我可以在最原始的dos程序下面仔细的清理这些垃圾，就象过滤纯净水一样给电脑以最纯净的过滤。",
            "     根据电脑的配置和系统的不同，我需要工作10-30分钟的时间。请您最好在休息的时间指派我工作。",
            "     电脑过滤完成后，会自动转入win98运行。清理结束。",
            "",
            "     操作步骤：双击〔清理思想垃圾〕即可"};
}

std::vector<std::string> RegistryRebuildProgress(const std::string& caption) {
    return {caption, "", "请少侯30秒，我将进入dos为您服务...",
            "     你能看到过滤的进度，不懂dos的菜鸟可千万不要以为这是在格式化硬盘或是以为电脑中毒了^-*",
            "     电脑过滤完成后，会自动转入win98运行。清理结束。"};
}

void CheckRegistryExport(w98::Machine& m) {
    const std::string path = kRegistryExport;
    const std::string failed = "注册表没有导出成功（" + path;
    const std::string nothing = "）；没有为MS-DOS方式准备任何东西，也不会重新启动电脑";
    if (!m.isFile(path))
        throw w98::Error(failed + "不存在" + nothing);
    if (m.fileSize(path) > kMaxExportBytes)
        throw w98::Error(failed + "太大" + nothing);
    const std::string bytes = m.readFile(path);
    HiveSink hives;
    try {
        w98::regedit4::parse(w98::splitLineViews(bytes), path, w98::regedit4::Mode::File, hives);
    } catch (const w98::Error& e) {
        throw w98::Error(failed + "无法读取：" + e.what() + nothing);
    }
    if (!hives.machine || !hives.users)
        throw w98::Error(failed + "不是完整的注册表" + nothing);
}

void RebuildRegistry(System& system, SharedPaths& paths, const std::function<void()>& processEvents) {
    w98::Machine& m = system.machine;
    const std::string& winDir = paths.WinDir;
    // Built first: a Windows folder MS-DOS cannot name stops the job before the export.
    const auto job = RegistryRebuildJobLines(m, winDir);
    CheckMsDosBatchLines(m, kDosJob, job);
    const std::string exportCommand = "command.com /c " + BatchPath(ExportBatch(winDir));
    WriteBatchFile(m, ExportBatch(winDir), ExportBatchLines());
    // An export left from an earlier run must not pass for this one.
    DeleteIfPresent(m, kRegistryExport);
    if (processEvents)
        processEvents();
    RunAndWait(m, exportCommand, kSwHide);
    try {
        CheckRegistryExport(m);
    } catch (const w98::Error&) {
        DeleteIfPresent(m, kRegistryExport);
        throw;
    }
    KeepMsDosRestriction(m);
    WriteMsDosBatchFile(m, kDosJob, job);
    if (processEvents)
        processEvents();
    PrepareHandOverFolder(m, winDir);
    RunDosJob(system, paths, processEvents);
}

} // namespace korvane
