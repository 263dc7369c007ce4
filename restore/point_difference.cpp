#include "point_difference.h"

#include "registry/registry_tree.h"

#include <unordered_set>

namespace korvane {
namespace {

constexpr std::size_t kNamesShown = 3;   // devices, classes and drivers: counts and the first few
constexpr std::size_t kEntriesShown = 8; // programs and start-up entries

const char* const kIndent = "  ";

// The items of `from` that `other` does not hold, in the order of `from`.
std::vector<std::string> missingFrom(const std::vector<std::string>& from,
                                     const std::vector<std::string>& other) {
    std::unordered_multiset<std::string> left(other.begin(), other.end());
    std::vector<std::string> out;
    for (const std::string& s : from) {
        auto it = left.find(s);
        if (it == left.end())
            out.push_back(s);
        else
            left.erase(it);
    }
    return out;
}

std::vector<std::string> missingFrom(const std::vector<NamedItem>& from,
                                     const std::vector<NamedItem>& other) {
    std::unordered_set<std::string, w98::regtree::FoldHash, w98::regtree::FoldEqual> ids;
    for (const NamedItem& i : other)
        ids.insert(i.id);
    std::vector<std::string> out;
    for (const NamedItem& i : from)
        if (!ids.contains(i.id))
            out.push_back(i.name);
    return out;
}

std::string joined(const std::vector<std::string>& names, std::size_t shown) {
    std::string out;
    for (std::size_t i = 0; i < names.size() && i < shown; ++i)
        out += (i ? "、" : "") + names[i];
    if (names.size() > shown)
        out += " 等";
    return out;
}

std::string count(std::size_t n) {
    return std::to_string(n) + " 个";
}

class Report {
  public:
    void section(const char* heading, std::vector<std::string> items) {
        if (items.empty())
            return;
        lines_.push_back(std::string("【") + heading + "】");
        for (std::string& item : items)
            lines_.push_back(kIndent + std::move(item));
    }
    std::vector<std::string>& lines() { return lines_; }

  private:
    std::vector<std::string> lines_;
};

void programs(const SystemFacts& live, const SystemFacts& point, Report& r) {
    std::vector<std::string> items;
    if (const auto since = missingFrom(live.programs, point.programs); !since.empty())
        items.push_back("此后安装的 " + count(since.size()) + "程序将从注册表中去掉（文件仍留在硬盘上）：" +
                        joined(since, kEntriesShown));
    if (const auto gone = missingFrom(point.programs, live.programs); !gone.empty())
        items.push_back("此后卸载的 " + count(gone.size()) + "程序将回到注册表中：" +
                        joined(gone, kEntriesShown));
    r.section("程序", std::move(items));
}

void startup(const SystemFacts& live, const SystemFacts& point, Report& r) {
    std::vector<std::string> items;
    if (const auto off = missingFrom(live.startup, point.startup); !off.empty())
        items.push_back("不再自动启动 " + count(off.size()) + "：" + joined(off, kEntriesShown));
    if (const auto on = missingFrom(point.startup, live.startup); !on.empty())
        items.push_back("重新自动启动 " + count(on.size()) + "：" + joined(on, kEntriesShown));
    r.section("随Windows启动的程序", std::move(items));
}

void hardware(const SystemFacts& live, const SystemFacts& point, Report& r) {
    std::vector<std::string> items;
    auto kind = [&](const char* what, const std::vector<NamedItem>& now, const std::vector<NamedItem>& then) {
        const auto fewer = missingFrom(now, then);
        const auto more = missingFrom(then, now);
        std::string item;
        if (!fewer.empty())
            item = "少 " + count(fewer.size()) + "（" + joined(fewer, kNamesShown) + "）";
        if (!more.empty())
            item += (item.empty() ? "" : "，") +
                    ("多 " + count(more.size()) + "（" + joined(more, kNamesShown) + "）");
        if (!item.empty())
            items.push_back(std::string(what) + "：还原后" + item);
    };
    kind("设备", live.devices, point.devices);
    kind("设备类别", live.deviceClasses, point.deviceClasses);
    kind("驱动程序", live.drivers, point.drivers);
    r.section("硬件和驱动程序", std::move(items));
}

void settings(const SystemFacts& live, const SystemFacts& point, Report& r) {
    std::vector<std::string> items;
    for (const SettingState& now : live.settings)
        for (const SettingState& then : point.settings)
            if (then.name == now.name && then.state != now.state)
                items.push_back(now.name + "：现在" + now.state + "，还原后" + then.state);
    r.section("隐私和浏览器设置", std::move(items));
}

} // namespace

std::string PointName(const std::string& date) {
    return date.empty() ? "这个还原点" : date + " 的还原点";
}

namespace {
std::string restoringTo(const std::string& date) {
    return "还原到" + std::string(date.empty() ? "" : " ") + PointName(date);
}
} // namespace

std::vector<std::string> DifferenceLines(const SystemFacts& live, const SystemFacts& point,
                                         const std::vector<std::string>& replacedFiles,
                                         const std::string& date) {
    Report r;
    programs(live, point, r);
    startup(live, point, r);
    hardware(live, point, r);
    settings(live, point, r);
    if (!replacedFiles.empty())
        r.section("启动文件",
                  {"与现在的不同，将换成还原点里的：" + joined(replacedFiles, replacedFiles.size())});
    std::vector<std::string>& lines = r.lines();
    if (lines.empty())
        return {restoringTo(date) + "：程序、启动项、硬件和驱动程序、设置和启动文件都与现在相同。"};
    lines.insert(lines.begin(), restoringTo(date) + "，与现在相比：");
    return std::move(lines);
}

std::vector<std::string> RefusalLines(const std::string& message, const std::string& date) {
    std::vector<std::string> lines = {PointName(date) + "无法还原，点击它会提示："};
    std::size_t from = 0;
    for (;;) {
        const std::size_t cut = message.find('\n', from);
        const std::string part = message.substr(from, cut - from);
        lines.push_back(part.empty() ? part : kIndent + part);
        if (cut == std::string::npos)
            break;
        from = cut + 1;
    }
    return lines;
}

} // namespace korvane
