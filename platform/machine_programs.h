#pragma once
// The machine's programs as real child processes: a Windows program named in a command line
// runs as `w98 NAME ARGS...` when its program file exists in the machine, with no input and its
// output going nowhere. The host's own programs are host_process.h's.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

class Machine;

// Splits a command line into words as Windows programs do: blanks separate words,
// double quotes group blanks into a word and are removed.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The program file a command names: as given when it holds a path, else along the machine's
// PATH (the Windows folder, then its COMMAND folder), trying .com, .exe and .bat when the
// name has no extension. nullopt when there is no such file.
std::optional<std::string> findProgram(const Machine& machine, std::string_view programWord);

// The stand-in tool name for a program file: its name without folder and extension, lower case.
std::string toolNameOf(std::string_view programFile);

// The w98 program: beside the running executable, or W98_TOOL when that is set.
std::filesystem::path w98Executable();

// The host's environment with WIN98_MACHINE naming the machine, for the programs it starts.
std::vector<std::string> machineEnvironment(const Machine& machine);
// The same naming a machine folder or disk image, as its user names it.
std::vector<std::string> environmentNaming(const std::filesystem::path& machine);

// Runs `w98 ARGS...` on the machine and waits; the exit code, or -1 when it cannot start.
int runW98(const Machine& machine, const std::vector<std::string>& args);

// Runs the command line in the machine and waits without limit. Returns the exit code, or -1
// when the program does not exist in the machine or cannot be started. The child's output
// goes nowhere, as a hidden console's would.
int runInMachine(const Machine& machine, std::string_view commandLine);

} // namespace w98
