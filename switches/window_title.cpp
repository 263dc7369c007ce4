#include "window_title.h"

#include "switch_keys.h"
#include "sysaccess/registry_values.h"

namespace korvane {

using namespace switch_keys;

// The prefix is all Chinese: letter case cannot matter, so a plain search finds it.
std::string StoreWindowTitle(w98::Machine& m, const std::string& text) {
    const std::string prefix = kTitlePrefix;
    if (text.find(prefix) == std::string::npos)
        return kTitlePrefixMissing;
    if (!text.starts_with(prefix))
        return kTitlePrefixMisplaced;
    const std::string title = text.substr(prefix.size());
    WriteRegStr(m, kBrowserMainRoot, kBrowserMain, "Window Title", title);
    return kTitleStored + title;
}

} // namespace korvane
