// command.com: "/c COMMAND LINE" runs one command line (a batch file runs to its end).
#include "tools.h"

#include "dos/batch_interpreter.h"

#include "platform/ini_file.h"
#include "platform/machine.h"

#include <iostream>

namespace w98 {

int commandTool(const std::vector<std::string>& args) {
    Machine machine(Machine::defaultRoot());
    BatchInterpreter dos(machine, std::cout);
    dos.setVariable("winbootdir", machine.windowsFolder());
    dos.setVariable("windir", machine.windowsFolder());
    dos.setVariable("comspec", machine.windowsFolder() + "\\COMMAND.COM");
    dos.setVariable("path", machine.windowsFolder() + ";" + machine.windowsFolder() + "\\COMMAND");
    std::size_t i = 0;
    while (i < args.size() && !equalsNoCase(args[i], "/c"))
        ++i;
    if (i == args.size())
        return 0; // no interactive prompt on this machine
    std::string line;
    for (std::size_t j = i + 1; j < args.size(); ++j) {
        if (!line.empty())
            line += ' ';
        line += args[j].find(' ') != std::string::npos ? "\"" + args[j] + "\"" : args[j];
    }
    std::string word = line.substr(0, line.find(' '));
    if (word.size() > 4 && foldAscii(word.substr(word.size() - 4)) == ".bat")
        return dos.runBatchFile(word);
    return dos.runCommandLine(line);
}

} // namespace w98
