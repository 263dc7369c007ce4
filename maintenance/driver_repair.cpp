#include "driver_repair.h"

#include "job_ui.h"
#include "setup_cabinets.h"
#include "setup_source.h"

#include "base/error.h"
#include "dosjob/batch_file.h"
#include "platform/machine.h"
#include "sysaccess/system.h"
#include "sysaccess/system_info.h"

#include <sstream>

namespace korvane {
namespace {

constexpr const char* kPleaseWait = "请少侯，不到一分钟...喝茶...";
constexpr const char* kDone = "已完成";
constexpr const char* kRestartHint =
    "要想让此功能立即生效，请按下面的〔重新启动电脑〕键，否则，干别的去吧...";

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::vector<std::string> TargetFolders(const std::string& winDir) {
    return {winDir + "\\system", winDir + "\\system\\vmm32"};
}

void WriteRepairBatch(w98::Machine& m, const std::string& winDir, const DriverCabinets& cabinets) {
    WriteBatchFile(m, RepairBatchPath(winDir), DriverRepairLines(winDir, cabinets));
}

void RunRepairBatch(w98::Machine& m, const std::string& winDir) {
    RunAndWait(m, "command.com /c " + BatchPath(RepairBatchPath(winDir)), kSwHide);
}

// The drivers as the batch's extractor lines will find them, or what stands in the way.
CabinetSearch FindDrivers(const w98::Machine& m, const DriverCabinets& cabinets) {
    CabinetSearch all = FindInCabinetSet(m, cabinets.first, {kFirstDriver});
    if (!all.complete())
        return all;
    CabinetSearch rest = FindInCabinetSet(m, cabinets.second, Words(kOtherDrivers));
    all.found.merge(rest.found);
    all.problem = rest.problem;
    return all;
}

// The existence test that decides the second pass.
bool FirstDriversPresent(const w98::Machine& m, const std::string& winDir) {
    return m.isFile(winDir + "\\system\\configmg.vxd") && m.isFile(winDir + "\\system\\vcomm.vxd");
}

// Every driver in both folders must now be the cabinet's copy.
void CheckDriversReplaced(const w98::Machine& m, const std::string& winDir, const CabinetSearch& drivers) {
    std::string notReplaced;
    for (const auto& folder : TargetFolders(winDir)) {
        for (const auto& [name, data] : drivers.found) {
            const std::string path = folder + "\\" + name;
            if (!m.isFile(path) || m.readFile(path) != data)
                notReplaced += "\n" + path;
        }
    }
    if (!notReplaced.empty())
        throw w98::Error("以下驱动程序没能用安装文件包里的文件替换（文件是只读的，或者磁盘满了？）：" +
                         notReplaced);
}

void RepairFromCd(System& system, const std::string& winDir, const std::string& cdRoot, JobUi& ui) {
    w98::Machine& m = system.machine;
    const DriverCabinets cabinets = CdCabinets(cdRoot);
    WriteRepairBatch(m, winDir, cabinets);
    if (!ui.confirm(kInsertSetupCd))
        return;
    if (!SetupFileExists(m, cabinets.first)) {
        ui.message(kNoDriversOnCd);
        return;
    }
    // A damaged cabinet or one without the drivers is no better than none.
    const CabinetSearch drivers = FindDrivers(m, cabinets);
    if (!drivers.complete()) {
        ui.message(kNoDriversOnCd);
        return;
    }
    ui.addLine("");
    ui.addLine(kPleaseWait);
    ui.processEvents();
    RunRepairBatch(m, winDir);
    CheckDriversReplaced(m, winDir, drivers);
    ui.addLine("");
    ui.addLine(kDone);
    ui.addLine(kRestartHint);
}

void RepairFromDisk(System& system, const std::string& winDir, const std::string& sourcePath, JobUi& ui) {
    w98::Machine& m = system.machine;
    WriteRepairBatch(m, winDir, DiskCabinets(sourcePath));
    ui.addLine("");
    ui.addLine(kPleaseWait);
    ui.processEvents();
    // The first cabinets run only when they hold every driver, so that no driver is replaced
    // from them while another stays old; otherwise the second pass brings all of them.
    CabinetSearch drivers = FindDrivers(m, DiskCabinets(sourcePath));
    const std::string firstProblem = drivers.problem;
    if (drivers.complete())
        RunRepairBatch(m, winDir);
    if (!drivers.complete() || !FirstDriversPresent(m, winDir)) {
        WriteRepairBatch(m, winDir, SecondPassCabinets(sourcePath));
        drivers = FindDrivers(m, SecondPassCabinets(sourcePath));
        if (!drivers.complete())
            throw w98::Error("驱动程序没有修复：" + (firstProblem.empty() ? "" : firstProblem + "；") +
                             drivers.problem);
        RunRepairBatch(m, winDir);
    }
    CheckDriversReplaced(m, winDir, drivers);
    ui.addLine(kDone);
    ui.addLine(kRestartHint);
    ui.message("ok");
}

} // namespace

DriverCabinets CdCabinets(const std::string& cdRoot) {
    return {cdRoot + "win98\\win98_47.cab", cdRoot + "win98\\win98_48.cab"};
}

DriverCabinets DiskCabinets(const std::string& sourcePath) {
    return {sourcePath + "win98_47.cab", sourcePath + "win98_48.cab"};
}

DriverCabinets SecondPassCabinets(const std::string& sourcePath) {
    return {sourcePath + "win98_22.cab", sourcePath + "win98_22.cab"};
}

std::string RepairBatchPath(const std::string& winDir) {
    return winDir + "\\98bug.bat";
}

std::vector<std::string> DriverRepairLines(const std::string& winDir, const DriverCabinets& cabinets) {
    const std::string extract = "%winbootdir%\\COMMAND\\extract /y /a /l ";
    std::vector<std::string> lines;
    for (const auto& folder : TargetFolders(winDir)) {
        lines.push_back(extract + BatchPath(folder) + " " + SetupPathWord(cabinets.first) + " " +
                        kFirstDriver);
        lines.push_back(extract + BatchPath(folder) + " " + SetupPathWord(cabinets.second) + " " +
                        kOtherDrivers);
    }
    return lines;
}

std::vector<std::string> DriverRepairExplanation(const std::string& caption) {
    return {
        caption,
        "",
        "         可以减少WIN98系统30%的死机概率。",
        "         "
        "可以解决Win98系统所发生的20%-50%的错误。包括系统锁死、启动时出现错误信息、VMM错误、鼠标移动异常、"
        "系统无法正常使用硬件的最新驱动，等许多莫名其妙的问题。",
        "         "
        "运行时可能需要用到WIN98安装光盘。运行这个文件后重新启动计算机即可。英文版的不能在中文Windows98下使用"
        "。",
        "         适用于Win98所有版本（包括预览版、正式版以及所有语言版本）",
        "",
        "         ---请双击-->〔" + caption + "〕"};
}

void RepairCoreDrivers(System& system, const std::string& winDir, JobUi& ui) {
    const std::string sourcePath = ReadSourcePath(system.machine);
    const std::string cdRoot = FindCdromDrive(system.machine);
    if (SourceIsOnCd(sourcePath, cdRoot))
        RepairFromCd(system, winDir, cdRoot, ui);
    else
        RepairFromDisk(system, winDir, sourcePath, ui);
}

} // namespace korvane
