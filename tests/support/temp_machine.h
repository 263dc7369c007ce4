#pragma once
// A small Windows 98 machine in a temporary folder, removed when the test ends.
#include "platform/machine.h"

#include <filesystem>
#include <memory>
#include <string>

namespace korvane::test {

struct TempMachineOptions {
    std::string windowsFolder = "C:\\WINDOWS";
    std::string drives = "C=fixed\nD=cdrom\n";
    std::string shortDate = "yy-M-d";
    bool windows98 = true; // registry holds SystemRoot, Version and Updates
};

class TempMachine {
  public:
    explicit TempMachine(TempMachineOptions options = {});
    ~TempMachine();
    TempMachine(const TempMachine&) = delete;
    TempMachine& operator=(const TempMachine&) = delete;

    w98::Machine& machine() { return *machine_; }
    const std::filesystem::path& root() const { return root_; }
    // A fresh Machine object on the same folder, as another process would see it.
    std::unique_ptr<w98::Machine> reopen() const;
    // The raw bytes of a file of the machine.
    std::string bytes(const std::string& winPath) const;

  private:
    std::filesystem::path root_;
    std::unique_ptr<w98::Machine> machine_;
};

// A fresh empty folder under the system's temporary folder.
std::filesystem::path makeTempFolder(const std::string& prefix);

// A host file's bytes as they are ("" when it cannot be read), for comparing files byte for byte.
std::string readBytes(const std::filesystem::path& file);

} // namespace korvane::test
