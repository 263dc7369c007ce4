#include "reinstall.h"

#include "job_ui.h"
#include "setup_source.h"

#include "base/text.h"
#include "dosjob/batch_file.h"
#include "platform/machine.h"
#include "platform/shell.h"
#include "sysaccess/system.h"
#include "sysaccess/system_info.h"

namespace korvane {

std::string ReinstallBatchPath(const std::string& winDir) {
    return winDir + "\\98.bat";
}

std::string SetupCommand(const w98::Machine& m, const std::string& sourcePath) {
    return SetupPathWord(m, sourcePath + "setup") + " /is /iq";
}

std::vector<std::string> ReinstallStartupLines(const w98::Machine& m, const std::string& sourcePath) {
    return {"@ECHO OFF", "Smartdrv 10240 10240", SetupCommand(m, sourcePath), ""};
}

std::vector<std::string> ReinstallClickLines(const w98::Machine& m, const std::string& sourcePath) {
    // Not "exit": typed at the MS-DOS prompt, as the explanation tells the user to, that line
    // would leave MS-DOS mode before setup could run.
    return {"@ECHO OFF", "Smartdrv 10240 10240", SetupCommand(m, sourcePath)};
}

void WriteStartupReinstallBatch(w98::Machine& m, const std::string& winDir) {
    WriteMsDosBatchFile(m, ReinstallBatchPath(winDir), ReinstallStartupLines(m, ReadSourcePath(m)));
}

std::vector<std::string> ReinstallExplanation(const std::string& caption, const std::string& sourcePath,
                                              const std::string& cdRoot) {
    const std::string hint = SourceIsOnCd(sourcePath, cdRoot) ? "可将windows系统盘插入光驱，然后" : "";
    return {caption,
            "",
            "适用于：系统崩溃，系统文件丢失等",
            "",
            "〔无法进入windows〕：" + hint + "在dos下键入：98  然后回车即可重装win98 ",
            "",
            "不适用：因安装软件后发生的故障，如果是这样的话，请首先卸载此软件，重启即可",
            "",
            "操作步骤：",
            "一、关闭所有运用程序（包括本程序）和窗口",
            "二、点击〔开始〕－〔关闭系统〕－选中〔重新启动计算机并切换到MS-DOS方式〕－〔确定〕",
            "三、在DOS窗口输入：98，然后按回车键〔Enter〕即可",
            ""};
}

void ExplainReinstall(w98::Machine& m, const std::string& winDir, const std::string& caption,
                      const std::function<void(const std::vector<std::string>&)>& show) {
    const std::string source = ReadSourcePath(m);
    show(ReinstallExplanation(caption, source, FindCdromDrive(m)));
    WriteMsDosBatchFile(m, ReinstallBatchPath(winDir), ReinstallClickLines(m, source));
}

std::vector<std::string> ProductKeyLines(const std::string& caption, const std::string& productKey) {
    return {caption, "", productKey};
}

void OpenSetupFolder(System& system, JobUi& ui) {
    w98::Machine& m = system.machine;
    const std::string source = ReadSourcePath(m);
    if (w98::containsNoCase(source, ":\\win9")) {
        system.shell.open(source);
        return;
    }
    if (!ui.confirm(kInsertSetupCd))
        return;
    const std::string cdRoot = FindCdromDrive(m);
    if (SetupFileExists(m, cdRoot + "win98\\setup.exe"))
        system.shell.open(cdRoot + "win98");
    else
        ui.message(kNoSetupOnCd);
}

} // namespace korvane
