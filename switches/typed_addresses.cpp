#include "typed_addresses.h"

#include "switch_keys.h"
#include "sysaccess/registry_values.h"

#include "platform/machine.h"

namespace korvane {

using namespace switch_keys;

void TypedAddressList::Reload(w98::Machine& m, const std::function<void(const std::string&)>& added) {
    w98::Registry& r = m.registry();
    r.createKey(kTypedUrlsRoot, kTypedUrls);
    names_.clear();
    for (const w98::RegValue& v : r.values(kTypedUrlsRoot, kTypedUrls))
        names_.push_back(v.name);
    for (const std::string& name : names_)
        added(ReadRegStr(m, kTypedUrlsRoot, kTypedUrls, name));
}

void TypedAddressList::RemoveAt(w98::Machine& m, std::size_t i) {
    if (i >= names_.size())
        return;
    w98::Registry& r = m.registry();
    r.createKey(kTypedUrlsRoot, kTypedUrls);
    r.deleteValue(kTypedUrlsRoot, kTypedUrls, names_[i]);
    names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
}

} // namespace korvane
