#include "clean_up_steps.h"

#include "dos_job_runner.h"

namespace korvane {
namespace {

// What only an armed job leaves: a restore made at once has nothing of it to delete.
JobStep deleteArmed(const std::string& path, const std::string& word = {}) {
    return OnlyInMsDos(MakeStep(StepKind::Delete, {path, word}));
}

} // namespace

std::vector<JobStep> CleanUpSteps(const std::string& winDir) {
    return {
        LineStep("@ECHO OFF"), LineStep("c:"), LineStep("cd \\"),
        deleteArmed("C:\\autoexec.txt", "autoexec.txt"), deleteArmed(winDir + "\\prodos.bat"),
        // A restore made at once deletes the checker's batch itself, only after its own backup.
        deleteArmed(winDir + "\\scRegbei.bat"), deleteArmed(DailyBackupImport(winDir)),
        deleteArmed("C:\\dosrun.bat", "dosrun.bat"), deleteArmed("C:\\AUTOEXEC.BAT", "c:\\autoexec.bat"),
        deleteArmed("C:\\autoexec.bei", "autoexec.bei"),
        MakeStep(StepKind::SetSystemFile, {"C:\\MSDOS.SYS", "c:\\msdos.sys"}),
        MakeStep(StepKind::SetSystemFile, {"C:\\IO.SYS", "c:\\io.sys"}),
        MakeStep(StepKind::RenameWhenMissing, {"C:\\Msdos.sys", "Msdos.sys"}, {"C:\\Msdos.bei", "Msdos.bei"}),
        MakeStep(StepKind::Delete, {"C:\\Msdos.bei", "Msdos.bei"}),
        // Into the hand-over folder and back to the Windows folder by their own short
        // paths, wherever the Windows folder is.
        MakeStep(StepKind::ChangeToFolder, {HandOverFolder(winDir), ""}),
        MakeStep(StepKind::HandOver, {"C:\\AUTOEXEC.BAT", "c:\\"},
                 {HandOverFolder(winDir) + "\\Autoexec.bat", "Autoexec.bat"}, true),
        MakeStep(StepKind::ChangeToFolder, {winDir, ""}), LineStep("win")};
}

} // namespace korvane
