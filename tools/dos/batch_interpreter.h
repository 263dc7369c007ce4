#pragma once
// The MS-DOS command interpreter of the stand-in machine: runs batch files and single
// command lines with MS-DOS's own behaviour and messages. A failing line prints its message
// and the batch goes on. Programs run in-process as the w98 tools of their names.
#include "dos_session.h"

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

class Machine;

class BatchInterpreter {
  public:
    // A session of its own: drive C:, its root, the start-up environment.
    BatchInterpreter(Machine& machine, std::ostream& out);
    // Shares the session (current folders, environment) with whoever started it.
    BatchInterpreter(DosSession& session, std::ostream& out);
    ~BatchInterpreter();
    BatchInterpreter(const BatchInterpreter&) = delete;
    BatchInterpreter& operator=(const BatchInterpreter&) = delete;

    // Runs one command line as typed at the prompt (an internal command, a batch file or a
    // program). Returns the error level it leaves; EXIT ends the interpreter.
    int runCommandLine(std::string_view line);
    // Runs a batch file given by its path (relative to the current folder) to its end.
    int runBatchFile(const std::string& path, const std::vector<std::string>& params = {});

    bool exited() const { return exited_; }
    int errorLevel() const { return errorLevel_; }

    DosSession& session() { return session_; }
    bool setVariable(std::string_view name, std::string_view value) {
        return session_.setVariable(name, value);
    }
    std::string variable(std::string_view name) const { return session_.variable(name); }

    // Replaces %NAME% with the variable's value (an unknown variable reads empty), %% with %
    // and, inside a batch file, %0 to %9 with its parameters.
    std::string expandVariables(std::string_view line) const;

    // The prompt as PROMPT sets it ($p$g: "C:\WINDOWS>").
    std::string prompt() const;

    // Nested interpreters (command.com run from a batch) are limited, as memory limits them
    // in MS-DOS; so are the lines one interpreter runs, so that a looping batch ends.
    static constexpr int kMaxInterpreters = 8;
    static constexpr std::size_t kMaxCallDepth = 32;
    static constexpr std::size_t kMaxLines = 100000;
    // Longer lines are cut, as MS-DOS cuts them; this also bounds how deeply IF, CALL and LH
    // can nest within one line.
    static constexpr std::size_t kMaxLineBytes = 4096;

  private:
    struct Frame {
        std::string path;
        std::vector<std::string> lines;
        std::vector<std::string> params; // %0 is the batch's name
        std::size_t next = 0;
    };

    void runFrames(std::size_t depth);
    void runLine(std::string_view expanded, bool inBatch);
    void dispatch(const std::string& word, std::string_view tail, bool inBatch, std::ostream& out);
    void echoCommand(std::string_view tail, std::ostream& out);
    void setCommand(std::string_view tail, std::ostream& out);
    void pathCommand(std::string_view tail, std::ostream& out);
    void ifCommand(std::string_view tail, bool inBatch, std::ostream& out);
    void gotoCommand(std::string_view tail, std::ostream& out);
    void runProgram(const std::string& word, std::string_view tail, bool call, std::ostream& out);
    // Loads a batch file into a frame; false (with MS-DOS's message) when it cannot be read.
    bool loadBatch(const std::string& fullPath, std::string_view typedName, std::string_view tail,
                   Frame& frame, std::ostream& out);
    std::string findProgram(const std::string& word) const;

    std::unique_ptr<DosSession> owned_;
    DosSession& session_;
    std::ostream& out_;
    std::vector<Frame> frames_;
    bool echo_ = true;
    bool exited_ = false;
    int errorLevel_ = 0;
    std::size_t linesRun_ = 0;
};

} // namespace w98
