#include "machine_programs.h"

#include "base/host_process.h"
#include "base/text.h"
#include "machine.h"

#include <cstdlib>

namespace w98 {

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::string toolNameOf(std::string_view programFile) {
    std::size_t slash = programFile.find_last_of("\\/:");
    std::string_view name = slash == std::string_view::npos ? programFile : programFile.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos)
        name = name.substr(0, dot);
    return foldAscii(name);
}

std::optional<std::string> findProgram(const Machine& machine, std::string_view programWord) {
    if (programWord.empty())
        return std::nullopt;
    std::vector<std::string> candidates;
    const bool hasPath = programWord.find_first_of("\\/:") != std::string_view::npos;
    const std::size_t lastSep = programWord.find_last_of("\\/:");
    const std::string_view base = hasPath ? programWord.substr(lastSep + 1) : programWord;
    const bool hasExtension = base.find('.') != std::string_view::npos;
    auto addWithExtensions = [&](const std::string& path) {
        if (hasExtension) {
            candidates.push_back(path);
        } else {
            for (const char* ext : {".com", ".exe", ".bat"})
                candidates.push_back(path + ext);
        }
    };
    if (hasPath) {
        if (programWord.size() >= 2 && programWord[1] == ':')
            addWithExtensions(std::string(programWord));
        else
            addWithExtensions("C:\\" + std::string(programWord));
    } else {
        const std::string win = machine.windowsFolder();
        addWithExtensions(win + "\\" + std::string(programWord));
        addWithExtensions(win + "\\COMMAND\\" + std::string(programWord));
    }
    for (const auto& c : candidates) {
        try {
            if (machine.isFile(c))
                return Machine::normalize(c);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::filesystem::path w98Executable() {
    if (const char* t = std::getenv("W98_TOOL"); t && *t)
        return t;
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "w98";
    return self.parent_path() / "w98";
}

std::vector<std::string> environmentNaming(const std::filesystem::path& machine) {
    std::vector<std::string> env = hostEnvironment();
    std::erase_if(env, [](const std::string& kv) { return kv.starts_with("WIN98_MACHINE="); });
    env.push_back("WIN98_MACHINE=" + std::filesystem::absolute(machine).string());
    return env;
}

std::vector<std::string> machineEnvironment(const Machine& machine) {
    return environmentNaming(machine.root());
}

int runW98(const Machine& machine, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {w98Executable().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return spawnQuietly(argv, machineEnvironment(machine), false);
}

int runInMachine(const Machine& machine, std::string_view commandLine) {
    std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty())
        return -1;
    std::optional<std::string> program = findProgram(machine, words[0]);
    if (!program)
        return -1;
    std::vector<std::string> args;
    if (program->size() > 4 && foldAscii(program->substr(program->size() - 4)) == ".bat")
        args = {"command", "/c", *program};
    else
        args = {toolNameOf(*program)};
    args.insert(args.end(), words.begin() + 1, words.end());
    return runW98(machine, args);
}

} // namespace w98
