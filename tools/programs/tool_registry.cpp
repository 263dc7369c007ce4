#include "tool_registry.h"

#include "dos/dos_session.h"

#include "platform/machine_programs.h"

#include <map>

namespace w98 {
namespace {

struct Tool {
    int (*run)(DosSession&, const ToolArgs&, std::ostream&);
    bool inMachine; // a program file of Windows 98; boot is the machine's own start, no program
};

const std::map<std::string, Tool>& tools() {
    static const std::map<std::string, Tool> table = {
        {"attrib", {&attribTool, true}},     {"boot", {&bootTool, false}},
        {"command", {&commandTool, true}},   {"extract", {&extractTool, true}},
        {"regedit", {&regeditTool, true}},   {"scanreg", {&scanregTool, true}},
        {"scanregw", {&scanregwTool, true}}, {"smartdrv", {&smartdrvTool, true}},
        {"win", {&winTool, true}},           {"internat", {&internatTool, true}},
        {"sfc", {&sfcTool, true}},           {"setup", {&setupTool, true}},
    };
    return table;
}

} // namespace

std::vector<std::string> toolNames() {
    std::vector<std::string> names;
    for (const auto& entry : tools())
        names.push_back(entry.first);
    return names;
}

bool isKnownTool(const std::string& name) {
    auto it = tools().find(toolNameOf(name));
    return it != tools().end() && it->second.inMachine;
}

int runTool(DosSession& s, const std::string& name, const ToolArgs& args, std::ostream& out) {
    auto it = tools().find(toolNameOf(name));
    if (it == tools().end()) {
        out << name << ": this machine cannot run that program\n";
        return 1;
    }
    return it->second.run(s, args, out);
}

int runTool(Machine& m, const std::string& name, const ToolArgs& args, std::ostream& out) {
    DosSession session(m);
    return runTool(session, name, args, out);
}

} // namespace w98
