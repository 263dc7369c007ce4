#include "dos_session.h"

#include "base/text.h"
#include "platform/machine.h"

namespace w98 {

DosSession::DosSession(Machine& m) : machine(m) {
    const std::string win = machine.windowsFolder();
    setVariable("winbootdir", win);
    setVariable("windir", win);
    setVariable("comspec", win + "\\COMMAND.COM");
    setVariable("path", win + ";" + win + "\\COMMAND");
    setVariable("prompt", "$p$g");
}

void DosSession::setMsDosMode(bool on) {
    paths.useShortNames(on ? &machine : nullptr);
    std::string win = machine.windowsFolder();
    if (on) {
        try {
            win = machine.shortPath(win);
        } catch (const std::exception&) {
            // A Windows folder that does not exist keeps the name machine.ini gives it.
        }
    }
    setVariable("winbootdir", win);
    setVariable("comspec", win + "\\COMMAND.COM");
    setVariable("path", win + ";" + win + "\\COMMAND");
}

std::vector<DirEntry> DosSession::list(const std::string& folder, std::string_view pattern) const {
    if (!msDosMode())
        return machine.list(folder, pattern);
    std::string wanted(pattern);
    // A name without wildcards was found by its short name already, and is given by its own.
    if (!hasWildcards(pattern) && machine.exists(joinPath(folder, pattern)))
        wanted = machine.shortName(joinPath(folder, pattern));
    return machine.list(folder, wanted, true, Machine::Names::ShortOnly);
}

bool DosSession::setVariable(std::string_view name, std::string_view value) {
    const std::string key = foldAscii(name);
    if (value.empty()) {
        environment.erase(key);
        return true;
    }
    std::size_t used = 0;
    for (const auto& [k, v] : environment)
        if (k != key)
            used += k.size() + v.size() + 2;
    if (used + key.size() + value.size() + 2 > kEnvironmentBytes)
        return false;
    environment[key] = std::string(value);
    return true;
}

std::string DosSession::variable(std::string_view name) const {
    auto it = environment.find(foldAscii(name));
    return it == environment.end() ? std::string() : it->second;
}

} // namespace w98
