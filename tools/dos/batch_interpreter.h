#pragma once
// The MS-DOS command interpreter of the stand-in machine: runs batch files and single
// command lines with MS-DOS's own behaviour and messages. A failing line prints its message
// and the batch goes on.
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

class Machine;

class BatchInterpreter {
public:
    BatchInterpreter(Machine& machine, std::ostream& out);

    // Runs one command line (an internal command, a batch file or a program). Returns the
    // exit code of what ran; EXIT ends the interpreter.
    int runCommandLine(std::string_view line);
    // Runs a batch file given by its Windows path.
    int runBatchFile(const std::string& winPath);

    bool exited() const { return exited_; }
    int exitCode() const { return exitCode_; }

    void setVariable(std::string_view name, std::string_view value);
    std::string variable(std::string_view name) const;

    // Replaces %NAME% with the variable's value (an unknown variable reads empty) and %% with %.
    std::string expandVariables(std::string_view line) const;

private:
    int runProgram(const std::string& word, std::string_view rest);

    Machine& machine_;
    std::ostream& out_;
    bool echo_ = true;
    bool exited_ = false;
    int exitCode_ = 0;
    std::map<std::string, std::string> variables_; // folded name -> value
};

} // namespace w98
