#include "known_entries.h"

#include "startup_grid.h"
#include "startup_text.h"

#include "base/text.h"

#include <array>

namespace korvane {
namespace {

enum class Test { Contains, Equals };

struct Rule {
    Test test;
    bool underWinDir; // the text follows the Windows folder
    const char* text;
    const char* note;
    bool protects;
};

// Windows' own tray, input method, power scheme and registry check keep Windows usable;
// the task scheduler entries are only explained.
constexpr std::array<Rule, 7> kRules = {{
    {Test::Contains, true, "\\scanregw.exe /autorun", "注册表检查，不能删", true},
    {Test::Equals, false, "internat.exe", "输入法图标，不要删", true},
    {Test::Contains, false, "SysTray.Exe", "系统托盘。不能删", true},
    {Test::Contains, false, "Rundll32.exe powrprof.dll,LoadCurrentPwrScheme", "电源管理，不要删", true},
    {Test::Contains, true, "\\SYSTEM\\INTERNAT.EXE", "输入法图标，不要删", false},
    {Test::Contains, true, "\\SYSTEM\\Mstask.exe", "计划任务，不用可删", false},
    {Test::Contains, true, "\\taskmon.exe", "计划任务，如不用可删", false},
}};

bool matches(const Rule& rule, const std::string& program, const std::string& winDir) {
    const std::string text = rule.underWinDir ? winDir + rule.text : std::string(rule.text);
    return rule.test == Test::Equals ? program == text : w98::containsNoCase(program, text);
}

} // namespace

void KnownStartupEntries(TextTable& table, const std::string& winDir) {
    for (int row = 1; row < table.rowCount(); ++row) {
        const std::string program = table.cell(startup_col::kProgram, row);
        for (const Rule& rule : kRules) {
            if (!matches(rule, program, winDir))
                continue;
            table.setCell(startup_col::kNote, row, rule.note);
            if (rule.protects)
                table.setCell(startup_col::kDelete, row, "");
        }
    }
}

} // namespace korvane
