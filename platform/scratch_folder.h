#pragma once
// A private folder under the host's temporary folder, removed with all it holds when this goes.
#include <filesystem>
#include <string>

namespace w98 {

class ScratchFolder {
  public:
    // The folder is named prefix-XXXXXX; Error(whenFailed) when none can be made.
    ScratchFolder(const std::string& prefix, const std::string& whenFailed);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

} // namespace w98
