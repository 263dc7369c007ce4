#pragma once
// The shell's default action on a target: web and mail addresses open in the user's real
// browser and mail program; folders and files of the machine open as the host shows them, and
// its programs run as the w98 stand-ins for them.
#include <string>
#include <string_view>

namespace w98 {

class Machine;

class Shell {
  public:
    virtual ~Shell() = default;
    // The result is not reported: a target that cannot be opened gives no message.
    virtual void open(std::string_view target) = 0;
};

// True for "http:", "https:", "ftp:", "mailto:" and "www." targets.
bool isWebOrMailTarget(std::string_view target);

class HostShell final : public Shell {
  public:
    explicit HostShell(Machine& machine) : machine_(machine) {}
    void open(std::string_view target) override;

  private:
    Machine& machine_;
};

} // namespace w98
