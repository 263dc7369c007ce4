#include "tool_registry.h"

#include "tools.h"

#include "platform/ini_file.h"
#include "platform/process.h"

#include <iostream>
#include <map>

namespace w98 {

int runTool(const std::string& name, const std::vector<std::string>& args) {
    using Tool = int (*)(const std::vector<std::string>&);
    static const std::map<std::string, Tool> tools = {
        {"command", &commandTool},
    };
    auto it = tools.find(toolNameOf(name));
    if (it == tools.end()) {
        std::cerr << name << ": this machine cannot run that program\n";
        return 1;
    }
    return it->second(args);
}

} // namespace w98
