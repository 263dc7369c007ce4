#include "scratch_folder.h"

#include "base/error.h"

#include <stdlib.h>

namespace w98 {

ScratchFolder::ScratchFolder(const std::string& prefix, const std::string& whenFailed) {
    std::string templ = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(templ.data()))
        throw Error(whenFailed);
    path_ = templ;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace w98
