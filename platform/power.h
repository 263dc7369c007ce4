#pragma once
// Restarting the computer (ExitWindowsEx). The program closes as Windows would close it,
// then the machine boots; the application provides how it closes itself.
#include <cstdint>

namespace w98 {

inline constexpr std::uint32_t kEwxReboot = 2;

class Power {
  public:
    virtual ~Power() = default;
    virtual void exitWindows(std::uint32_t flags, std::uint32_t reason) = 0;
};

} // namespace w98
