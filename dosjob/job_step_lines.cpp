#include "job_step_lines.h"

#include "batch_file.h"
#include "dos_job_runner.h"

namespace korvane {
namespace {

const std::string kAttribClear = "%winbootdir%\\COMMAND\\attrib -s -h -r ";
const std::string kAttribSet = "%winbootdir%\\COMMAND\\attrib +s +h +r ";
const std::string kExtract = "%winbootdir%\\COMMAND\\extract /y /e /L ";

std::string Word(const w98::Machine& m, const StepPath& p) {
    return p.word.empty() ? DosPath(m, p.path) : p.word;
}

} // namespace

void AppendStepLines(const w98::Machine& m, const JobStep& s, std::vector<std::string>& lines) {
    switch (s.kind) {
    case StepKind::Line:
        lines.insert(lines.end(), s.text.begin(), s.text.end());
        return;
    case StepKind::ChangeToFolder:
        for (const auto& line : ChangeToFolderLines(m, s.target.path))
            lines.push_back(line);
        return;
    case StepKind::ClearAttributes:
        lines.push_back(kAttribClear + Word(m, s.target));
        return;
    case StepKind::SetSystemFile:
        lines.push_back(kAttribSet + Word(m, s.target));
        return;
    case StepKind::Extract:
        lines.push_back(kExtract + Word(m, s.target) + " " + Word(m, s.source));
        return;
    case StepKind::Copy:
    case StepKind::HandOver:
        lines.push_back("copy " + Word(m, s.source) + " " + Word(m, s.target) + (s.replace ? " /Y" : ""));
        return;
    case StepKind::Delete:
        lines.push_back("del " + Word(m, s.target));
        return;
    case StepKind::RenameWhenMissing: {
        const std::string to = Word(m, s.target);
        lines.push_back("if not exist " + to + " ren " + Word(m, s.source) + " " + to);
        return;
    }
    case StepKind::Import:
        lines.push_back("regedit " + Word(m, s.target));
        return;
    }
}

std::vector<std::string> StepLines(const w98::Machine& m, const std::vector<JobStep>& steps) {
    std::vector<std::string> lines;
    for (const JobStep& s : steps)
        AppendStepLines(m, s, lines);
    return lines;
}

} // namespace korvane
