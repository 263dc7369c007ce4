#include "restore_record.h"

#include "boot_log.h"

#include "platform/machine.h"

#include <charconv>

namespace korvane {
namespace {

constexpr const char* kSection = "[Korvane]";
// A record is a few lines; anything bigger was not written by the program.
constexpr std::uint64_t kMaxRecordBytes = 16u << 10;

bool parseNumber(const std::string& text, std::uint64_t& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && !text.empty();
}

// As NewRestoreMark makes them.
bool isMark(const std::string& text) {
    return text.size() == 16 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

std::string RestoreRecordPath(const std::string& winDir) {
    return winDir + "\\korvane.rst";
}

RestoreRecord MakeRestoreRecord(const w98::Machine& m, const RestorePlan& plan, bool backupMade,
                                const std::string& mark) {
    RestoreRecord r;
    r.point = plan.source;
    r.date = plan.point.shownDate;
    r.backupMade = backupMade;
    r.mark = mark;
    r.bootLogOffset = BootLogSize(m);
    return r;
}

void WriteRestoreRecord(w98::Machine& m, const std::string& winDir, const RestoreRecord& r) {
    std::vector<std::string> lines = {kSection,         "point=" + r.point,
                                      "date=" + r.date, std::string("backup=") + (r.backupMade ? "1" : "0"),
                                      "mark=" + r.mark, "bootlog=" + std::to_string(r.bootLogOffset)};
    m.writeTextLines(RestoreRecordPath(winDir), lines);
}

std::optional<RestoreRecord> ReadRestoreRecord(const w98::Machine& m, const std::string& winDir) {
    const std::string path = RestoreRecordPath(winDir);
    std::vector<std::string> lines;
    try {
        if (!m.isFile(path) || m.fileSize(path) > kMaxRecordBytes)
            return std::nullopt;
        lines = m.readTextLines(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (lines.empty() || lines.front() != kSection)
        return std::nullopt;
    RestoreRecord r;
    bool point = false, date = false, backup = false, mark = false, bootLog = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "point") {
            r.point = value;
            point = true;
        } else if (key == "date") {
            r.date = value;
            date = true;
        } else if (key == "backup") {
            r.backupMade = value == "1";
            backup = value == "1" || value == "0";
        } else if (key == "mark") {
            r.mark = value;
            mark = isMark(value);
        } else if (key == "bootlog") {
            bootLog = parseNumber(value, r.bootLogOffset);
        }
    }
    if (!(point && date && backup && mark && bootLog))
        return std::nullopt;
    return r;
}

void ForgetRestoreRecord(w98::Machine& m, const std::string& winDir) {
    const std::string path = RestoreRecordPath(winDir);
    if (m.exists(path))
        m.deleteFile(path);
}

} // namespace korvane
