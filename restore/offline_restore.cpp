#include "offline_restore.h"

#include "daily_backup.h"
#include "dosjob/clean_up_steps.h"
#include "dosjob/dos_job_runner.h"
#include "dosjob/steps_at_once.h"
#include "restore_execution.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "platform/machine.h"
#include "sysaccess/system.h"

namespace korvane {
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
        DeleteIfThere(m, paths.WinDir + "\\scRegbei.bat"); // the clean-up deletes the checker's batch
    pump();
    // The job's steps and its clean-up's, as MS-DOS would run them after the next start.
    std::vector<JobStep> job = RestoreJobSteps(plan);
    if (!newestIsToday) {
        try {
            job.push_back(DailyBackupImportStep(paths.WinDir, ScanregRunRegLines(m, paths.WinDir)));
        } catch (const std::exception&) {
            // As the job's regedit: an import that cannot be made leaves the point's entries.
        }
    }
    // Reads the cabinet whole before the first file is written: a point that cannot be read
    // changes nothing.
    StepsAtOnce atOnce(m, job);
    for (const JobStep& step : job) {
        if (step.kind == StepKind::Copy)
            system.registryReplaced = true;
        atOnce.carryOut(step);
    }
    pump();
    for (const JobStep& step : CleanUpSteps(paths.WinDir))
        atOnce.carryOut(step);
    done.notPutBack = atOnce.notPutBack();

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
