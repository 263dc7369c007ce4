// w98: the Windows 98 programs of the stand-in machine in one executable.
// `w98 NAME ARGS...` runs the program NAME with the arguments it takes on Windows 98,
// on the machine named by WIN98_MACHINE.
#include "programs/tool_help.h"
#include "programs/tool_registry.h"

#include "base/text.h"
#include "demo/demo_image.h"
#include "demo/demo_machine.h"
#include "platform/machine.h"
#include "platform/machine_programs.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string name = std::filesystem::path(argc > 0 ? argv[0] : "w98").stem().string();
    if (w98::foldAscii(name) == "w98") {
        if (args.empty()) {
            std::cerr << w98::usageMessage() << "\n";
            return 2;
        }
        if (args.front() == "-h" || args.front() == "--help") {
            w98::printToolHelp(std::cout);
            return 0;
        }
        if (args.front() == "--demo-image")
            return w98::runDemoImageCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
        name = args.front();
        args.erase(args.begin());
    }
    // A name w98 does not know is refused before the machine is touched, so that a typo
    // does not create a demo machine.
    const auto names = w98::toolNames();
    if (std::find(names.begin(), names.end(), w98::toolNameOf(name)) == names.end()) {
        std::cerr << w98::unknownToolMessage(name) << "\n";
        return 2;
    }
    try {
        const auto root = w98::Machine::defaultRoot();
        w98::ensureMachine(root);
        w98::Machine machine(root);
        if (const std::string interrupted = machine.interruptedStep(); !interrupted.empty())
            std::cerr << name << ": " << interrupted << "\n";
        // On a disk, what the program says it did is said once it is in the disk: a commit
        // that fails is told instead.
        std::ostringstream held;
        std::ostream& out = machine.isDiskImage() ? held : std::cout;
        const int code = w98::runTool(machine, name, args, out);
        machine.commit();
        std::cout << held.str();
        return code;
    } catch (const std::exception& e) {
        std::cerr << name << ": " << e.what() << "\n";
        return 1;
    }
}
