// command.com: "/c COMMAND LINE" runs one command line; a batch file runs to its end.
#include "tools.h"

#include "dos/batch_interpreter.h"

#include "platform/ini_file.h"
#include "platform/machine.h"

namespace w98 {

int commandTool(Machine& m, const ToolArgs& args, std::ostream& out) {
    BatchInterpreter dos(m, out);
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
    return dos.runCommandLine(line);
}

} // namespace w98
