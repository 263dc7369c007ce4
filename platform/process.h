#pragma once
// Starting programs as real child processes: the machine's, a Windows program named in a command
// line running as `w98 NAME ARGS...` when its program file exists in the machine, and the host's
// (a sound player, qemu-img), all with no input and their output going nowhere.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
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

// A program of the host found along its PATH, as the shell would find it; nullopt when none.
std::optional<std::string> findOnHostPath(std::string_view program);

// The w98 program: beside the running executable, or W98_TOOL when that is set.
std::filesystem::path w98Executable();

// This process's environment, for the host programs it starts.
std::vector<std::string> hostEnvironment();
// The same with WIN98_MACHINE naming the machine, for the programs it starts.
std::vector<std::string> machineEnvironment(const Machine& machine);
// The same naming a machine folder or disk image, as its user names it.
std::vector<std::string> environmentNaming(const std::filesystem::path& machine);

// Starts argv (its first word looked up along PATH when searchPath) with no input and its
// output going nowhere, as a hidden console's would, and waits; the exit code, or -1 when it
// cannot start.
int spawnQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 bool searchPath);
// The same without waiting: the child's pid, or -1.
pid_t startQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                   bool searchPath);

// Runs `w98 ARGS...` on the machine and waits; the exit code, or -1 when it cannot start.
int runW98(const Machine& machine, const std::vector<std::string>& args);

// Runs the command line in the machine and waits without limit. Returns the exit code, or -1
// when the program does not exist in the machine or cannot be started. The child's output
// goes nowhere, as a hidden console's would.
int runInMachine(const Machine& machine, std::string_view commandLine);

} // namespace w98
