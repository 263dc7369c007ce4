#include "temp_machine.h"

#include "base/host_file.h"
#include "registry/registry.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace korvane::test {

fs::path makeTempFolder(const std::string& prefix) {
    std::string templ = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("cannot create a temporary folder");
    return templ;
}

TempMachine::TempMachine(TempMachineOptions options) : root_(makeTempFolder("korvane-machine")) {
    fs::create_directories(root_ / "drive_c");
    fs::create_directories(
        root_ / (std::string("drive_") + static_cast<char>(std::tolower(options.windowsFolder.at(0)))));
    std::string ini = "[machine]\nwindows=" + options.windowsFolder + "\nshortdate=" + options.shortDate +
                      "\nlongtime=H:mm:ss\n[drives]\n" + options.drives;
    w98::replaceHostFile(root_ / "machine.ini", ini, "machine.ini");
    machine_ = std::make_unique<w98::Machine>(root_);
    machine_->createDirectories(options.windowsFolder);
    machine_->createDirectories(options.windowsFolder + "\\COMMAND");
    machine_->writeFile(options.windowsFolder + "\\COMMAND.COM", "MZ");
    if (options.windows98) {
        auto& r = machine_->registry();
        const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion";
        r.setValue(w98::kHkeyLocalMachine, cv,
                   {"SystemRoot", w98::reg_type::kSz, w98::regStringData(options.windowsFolder)});
        r.setValue(w98::kHkeyLocalMachine, cv,
                   {"Version", w98::reg_type::kSz, w98::regStringData("Windows 98")});
        r.setValue(w98::kHkeyLocalMachine, cv + "\\Setup\\Updates",
                   {"Updates", w98::reg_type::kSz, w98::regStringData("Windows 98 SE")});
    }
}

TempMachine::~TempMachine() {
    machine_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::unique_ptr<w98::Machine> TempMachine::reopen() const {
    return std::make_unique<w98::Machine>(root_);
}

std::string TempMachine::bytes(const std::string& winPath) const {
    return machine_->readFile(winPath);
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace korvane::test
