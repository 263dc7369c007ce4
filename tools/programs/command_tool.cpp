// command.com: "/c COMMAND LINE" runs one command line; a batch file runs to its end.
// A second interpreter shares the current folders (global in MS-DOS) but gets a copy of the
// environment, so that its SET lines do not reach the one that started it.
#include "tools.h"

#include "dos/batch_interpreter.h"

#include "base/text.h"

namespace w98 {

int commandTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    if (s.interpreters >= BatchInterpreter::kMaxInterpreters) {
        out << "Insufficient memory\n";
        return 1;
    }
    std::size_t i = 0;
    while (i < args.size() && !equalsNoCase(args[i], "/c") && !equalsNoCase(args[i], "/k"))
        ++i;
    if (i == args.size())
        return 0; // no interactive prompt on this machine
    std::string line;
    for (std::size_t j = i + 1; j < args.size(); ++j) {
        if (!line.empty())
            line += ' ';
        line += args[j].find(' ') != std::string::npos ? "\"" + args[j] + "\"" : args[j];
    }
    const auto environment = s.environment;
    BatchInterpreter dos(s, out);
    const int level = dos.runCommandLine(line);
    s.environment = environment;
    return level;
}

} // namespace w98
