#include "tool_registry.h"

#include "platform/process.h"

#include <map>

namespace w98 {
namespace {

using Tool = int (*)(Machine&, const ToolArgs&, std::ostream&);

const std::map<std::string, Tool>& tools() {
    static const std::map<std::string, Tool> table = {
        {"command", &commandTool},
        {"scanreg", &scanregTool},
        {"scanregw", &scanregwTool},
    };
    return table;
}

} // namespace

bool isKnownTool(const std::string& name) { return tools().count(toolNameOf(name)) > 0; }

int runTool(Machine& m, const std::string& name, const ToolArgs& args, std::ostream& out) {
    auto it = tools().find(toolNameOf(name));
    if (it == tools().end()) {
        out << name << ": this machine cannot run that program\n";
        return 1;
    }
    return it->second(m, args, out);
}

} // namespace w98
