#include "system_facts.h"

#include "startup/startup_catalogue.h"
#include "startup/startup_entry.h"
#include "switches/switch_keys.h"

#include "base/text.h"

#include <optional>

namespace korvane {
namespace {

using w98::regtree::Key;

const char* const kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kClasses = "System\\CurrentControlSet\\Services\\Class";
const char* const kIeMainOfUser = "Software\\Microsoft\\Internet Explorer\\Main";

const Key* keyAt(const Key* k, std::string_view path) {
    while (k && !path.empty()) {
        const std::size_t cut = path.find('\\');
        const std::string_view part = path.substr(0, cut);
        if (!part.empty())
            k = k->child(part);
        path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
    }
    return k;
}

const w98::RegValue* valueAt(const Key* k, std::string_view name) {
    const w98::regtree::StoredValue* v = k ? k->findValue(name) : nullptr;
    return v ? &v->value : nullptr;
}

std::optional<std::uint32_t> dwordAt(const Key* k, std::string_view name) {
    const w98::RegValue* v = valueAt(k, name);
    if (!v || v->type != w98::reg_type::kDword || v->data.size() > 4)
        return std::nullopt;
    return w98::regDwordFromData(v->data);
}

std::string textAt(const Key* k, std::string_view name) {
    const w98::RegValue* v = valueAt(k, name);
    return v ? RunValueText(*v) : std::string();
}

class Reader {
  public:
    Reader(const Key& system, const Key& user) : system_(system), user_(user) {}

    const Key* key(w98::RegRoot root, std::string_view path) const {
        if (root == w98::kHkeyLocalMachine)
            return keyAt(&system_, path);
        if (root == w98::kHkeyUsers)
            return keyAt(&user_, path);
        return keyAt(keyAt(&user_, ".DEFAULT"), path); // the current user
    }

    void programs(std::vector<std::string>& out) const {
        if (const Key* uninstall = keyAt(&system_, kUninstall))
            for (const auto& k : uninstall->children)
                if (std::string name = textAt(k.get(), "DisplayName"); !name.empty())
                    out.push_back(std::move(name));
    }

    void runKeys(w98::RegRoot root, const char* whose, std::vector<std::string>& out) const {
        for (const char* name : kRunKeyNames)
            if (const Key* k = key(root, std::string(kRunKeyPrefix) + name))
                for (const auto& v : k->values) {
                    std::string entry = v.value.name.empty() ? "" : v.value.name + "：";
                    out.push_back(entry + RunValueText(v.value) + "（" + whose + name + "）");
                }
    }

    void devices(std::vector<NamedItem>& out) const {
        const Key* enumKey = keyAt(&system_, "Enum");
        if (!enumKey)
            return;
        for (const auto& bus : enumKey->children)
            for (const auto& device : bus->children)
                for (const auto& instance : device->children) {
                    std::string name = textAt(instance.get(), "DeviceDesc");
                    out.push_back({"Enum\\" + bus->name + "\\" + device->name + "\\" + instance->name,
                                   name.empty() ? device->name : name});
                }
    }

    void classes(std::vector<NamedItem>& classesOut, std::vector<NamedItem>& driversOut) const {
        const Key* classes = keyAt(&system_, kClasses);
        if (!classes)
            return;
        for (const auto& c : classes->children) {
            std::string name = textAt(c.get(), "");
            classesOut.push_back({c->name, name.empty() ? c->name : name});
            for (const auto& d : c->children) {
                std::string desc = textAt(d.get(), "DriverDesc");
                driversOut.push_back(
                    {c->name + "\\" + d->name, desc.empty() ? c->name + "\\" + d->name : desc});
            }
        }
    }

    void settings(FactsOf whose, std::vector<SettingState>& out) const {
        using namespace switch_keys;
        auto onOff = [&](const char* name, bool on, const char* onText, const char* offText) {
            out.push_back({name, on ? onText : offText});
        };
        const Key* showAll = key(kShowAllRoot, kShowAll);
        onOff("彻底隐藏文件或文件夹", dwordAt(showAll, "CheckedValue") == 0u, "开启", "关闭");
        const Key* explorer = key(kExplorerPolicyRoot, kExplorerPolicy);
        onOff("地址栏直接输入", valueAt(explorer, "NoRun") != nullptr, "禁用", "启用");
        onOff("MS-DOS", msDosOff(whose), "禁用", "启用");
        out.push_back({"盘符", hiddenDrives(explorer)});
        const Key* typed = key(kTypedUrlsRoot, kTypedUrls);
        const std::size_t addresses = typed ? typed->values.size() : 0;
        out.push_back({"地址栏列表", addresses ? "有 " + std::to_string(addresses) + " 个网址" : "没有网址"});

        out.push_back({"IE标题栏", quoted(textAt(key(kBrowserMainRoot, kBrowserMain), "Window Title"))});
        out.push_back({"IE首页", quoted(textAt(key(w98::kHkeyCurrentUser, kIeMainOfUser), "Start Page"))});
        onOff("注册表程序",
              valueAt(key(kDefaultUserRoot, kDefaultSystemPolicy), "DisableRegistryTools") != nullptr, "禁用",
              "启用");
        onOff("注册文件", textAt(key(kRegClassRoot, kRegClass), "") == "txtfile", "禁用", "启用");
    }

  private:
    // The switch shows the policy as disabled while the program holds it lifted ("old" set);
    // a restored registry is read at the next start, which lifts only a policy in force.
    bool msDosOff(FactsOf whose) const {
        const Key* k = key(switch_keys::kMsDosRoot, switch_keys::kMsDos);
        const bool inForce = dwordAt(k, "Disabled") == 1u;
        if (whose == FactsOf::RestorePoint)
            return inForce;
        const auto old = dwordAt(k, "old");
        return inForce || (valueAt(k, "Disabled") && old && *old != 0);
    }

    static std::string hiddenDrives(const Key* explorer) {
        const w98::RegValue* v = valueAt(explorer, "NoDrives");
        if (!v || v->data.size() > 4)
            return "都不隐藏";
        const std::uint32_t mask = w98::regDwordFromData(v->data);
        std::string drives;
        for (int i = 0; i < 26; ++i)
            if (mask >> i & 1u)
                drives += std::string(drives.empty() ? "" : "、") + static_cast<char>('A' + i) + ":";
        return drives.empty() ? "都不隐藏" : "隐藏 " + drives;
    }

    static std::string quoted(const std::string& text) {
        return text.empty() ? "未设置" : "为“" + text + "”";
    }

    const Key& system_;
    const Key& user_;
};

std::string trimmed(std::string_view s) {
    return std::string(w98::trimmed(w98::trimmedRight(s, " \t\r")));
}

} // namespace

std::vector<std::string> WinIniStartupEntries(const std::vector<std::string>& winIni) {
    std::vector<std::string> out;
    bool windows = false;
    for (const std::string& raw : winIni) {
        const std::string line = trimmed(raw);
        if (!line.empty() && line.front() == '[') {
            windows = w98::equalsNoCase(line, "[windows]");
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!windows || eq == std::string::npos)
            continue;
        const std::string key = trimmed(std::string_view(line).substr(0, eq));
        if (!w98::equalsNoCase(key, "load") && !w98::equalsNoCase(key, "run"))
            continue;
        // Windows starts each program of the list; they are separated by spaces or commas.
        const std::string where =
            "（win.ini " + std::string(w98::equalsNoCase(key, "load") ? "load" : "run") + "=）";
        std::string program;
        for (char c : line.substr(eq + 1) + " ") {
            if (c == ' ' || c == ',' || c == '\t') {
                if (!program.empty())
                    out.push_back(program + where);
                program.clear();
            } else {
                program += c;
            }
        }
    }
    return out;
}

SystemFacts ReadSystemFacts(const w98::regtree::Key& system, const w98::regtree::Key& user,
                            const std::vector<std::string>& winIni, FactsOf whose) {
    const Reader r(system, user);
    SystemFacts f;
    r.programs(f.programs);
    r.runKeys(w98::kHkeyLocalMachine, "", f.startup);
    r.runKeys(w98::kHkeyCurrentUser, "当前用户的", f.startup);
    for (std::string& e : WinIniStartupEntries(winIni))
        f.startup.push_back(std::move(e));
    r.devices(f.devices);
    r.classes(f.deviceClasses, f.drivers);
    r.settings(whose, f.settings);
    return f;
}

} // namespace korvane
