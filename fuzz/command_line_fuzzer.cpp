// Lines of MS-DOS batch files. Every line splits into its command word and tail, and runs
// through the command interpreter to its end. The interpreter works on a machine without
// drives, so that the file commands a line names fail instead of filling the disk.
#include "fuzz_machine.h"

#include "dos/batch_interpreter.h"
#include "dos/command_line.h"

#include "base/error.h"
#include "base/host_file.h"

#include <memory>
#include <sstream>

namespace {

using namespace korvane::fuzz;

// A machine folder with its description and nothing else, removed at exit after the machine.
struct DrivelessFolder {
    std::filesystem::path path = korvane::test::makeTempFolder("korvane-fuzz-dos");
    DrivelessFolder() {
        w98::replaceHostFile(path / "machine.ini", "[machine]\nwindows=C:\\WINDOWS\n", "machine.ini");
    }
    ~DrivelessFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

w98::Machine& driveless() {
    static const DrivelessFolder folder;
    static w98::Machine m(folder.path);
    return m;
}

void splitLine(std::string_view line) {
    w98::CommandLine cl;
    try {
        cl = w98::parseCommandLine(line);
    } catch (const w98::Error&) {
        return;
    }
    check(cl.word.size() <= line.size() && cl.tail.size() <= line.size(),
          "the word or tail is longer than its line");
    for (const auto& word : w98::dosArguments(cl.tail))
        check(!word.empty() || cl.tail.find('"') != std::string::npos, "an empty argument without quotes");
    std::string_view rest = cl.tail;
    while (!w98::skipSeparators(rest).empty()) {
        auto next = w98::nextWord(rest);
        check(next.second.size() < rest.size(), "a word that takes nothing of its line");
        rest = next.second;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = asText(data, size);
    std::ostringstream out;
    w98::BatchInterpreter interpreter(driveless(), out);
    interpreter.setVariable("fuzz", "value");
    std::size_t start = 0;
    for (int lines = 0; start <= input.size() && lines < 64 && !interpreter.exited(); ++lines) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos)
            end = input.size();
        const std::string_view line = input.substr(start, end - start);
        splitLine(line);
        interpreter.runCommandLine(line);
        start = end + 1;
    }
    return 0;
}
