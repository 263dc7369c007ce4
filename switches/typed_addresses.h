#pragma once
// The browser's list of typed addresses: one string value per address under TypedURLs. The
// list keeps the value names in the order the registry enumerates them, so that entry i of
// the shown addresses and entry i of the names belong together.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

class TypedAddressList {
  public:
    // Opens the key, creating it when missing, and takes its value names; then reads the
    // address of each name in turn and hands it to `added`. A value that is not text ends the
    // reading there with its error, after the addresses read so far.
    void Reload(w98::Machine& m, const std::function<void(const std::string& address)>& added);

    // Deletes the value of entry i and drops the entry. A delete that cannot be written raises
    // its error and keeps the entry, so that the list never hides an address still stored.
    void RemoveAt(w98::Machine& m, std::size_t i);

    const std::vector<std::string>& names() const { return names_; }

  private:
    std::vector<std::string> names_;
};

} // namespace korvane
