#include "registry.h"

#include "base/cp936.h"
#include "base/error.h"
#include "regedit4.h"
#include "registry_file.h"
#include "registry_import.h"
#include "registry_lock.h"
#include "registry_text_format.h"
#include "registry_tree.h"

#include <optional>
#include <utility>

namespace w98 {

namespace {

using regtree::Key;
using regtree::Name;
using regtree::StoredValue;

using regimport::classesRootPrefix;
using regimport::currentUserPrefix;

// Names given to the registry: no control characters (the file could not hold line breaks),
// and only what code page 936 can write.
std::string nameBytesFor(std::string_view utf8, const char* what) {
    for (char c : utf8)
        if (static_cast<unsigned char>(c) < 0x20)
            throw Error(std::string(what) + "“" + std::string(utf8) + "”中有控制字符");
    return cp936::fromUtf8(utf8);
}

} // namespace

struct Registry::Impl {
    HiveFile hives[2];

    Impl(std::filesystem::path systemDat, std::string systemDisplayName, std::filesystem::path userDat,
         std::string userDisplayName)
        : hives{HiveFile(systemDat, std::move(systemDisplayName), "HKEY_LOCAL_MACHINE", userDat),
                HiveFile(userDat, std::move(userDisplayName), "HKEY_USERS", systemDat)} {}

    struct Target {
        HiveFile& hive;
        const std::vector<Name>* prefix;
    };

    Target target(RegRoot root) {
        switch (root) {
        case kHkeyLocalMachine:
            return {hives[0], nullptr};
        case kHkeyClassesRoot:
            return {hives[0], &classesRootPrefix()};
        case kHkeyUsers:
            return {hives[1], nullptr};
        case kHkeyCurrentUser:
            return {hives[1], &currentUserPrefix()};
        default:
            throw Error("未知的注册表根键 " + std::to_string(root));
        }
    }

    static std::vector<std::string_view> splitPath(std::string_view keyPath) {
        if (!keyPath.empty() && keyPath.front() == '\\')
            keyPath.remove_prefix(1);
        if (!keyPath.empty() && keyPath.back() == '\\')
            keyPath.remove_suffix(1);
        std::vector<std::string_view> parts;
        if (keyPath.empty())
            return parts;
        std::size_t start = 0;
        for (;;) {
            std::size_t slash = keyPath.find('\\', start);
            std::size_t end = slash == std::string_view::npos ? keyPath.size() : slash;
            std::string_view part = keyPath.substr(start, end - start);
            if (part.empty())
                throw Error("注册表键路径“" + std::string(keyPath) + "”无效");
            parts.push_back(part);
            if (slash == std::string_view::npos)
                break;
            start = slash + 1;
        }
        if (parts.size() > kRegMaxDepth)
            throw Error("注册表键路径的层次太深");
        return parts;
    }

    // The depth counts the keys HKEY_CURRENT_USER and HKEY_CLASSES_ROOT stand for: the file
    // holds them, and a deeper key there would make the file unreadable.
    static void checkDepth(std::size_t depth) {
        if (depth > kRegMaxDepth)
            throw Error("注册表键路径的层次太深");
    }

    static std::vector<std::string_view> fullPath(const Target& t, std::string_view keyPath) {
        std::vector<std::string_view> parts;
        if (t.prefix)
            for (const auto& n : *t.prefix)
                parts.emplace_back(n.text);
        auto rest = splitPath(keyPath);
        parts.insert(parts.end(), rest.begin(), rest.end());
        checkDepth(parts.size());
        return parts;
    }

    // The path for creating keys, every name checked before anything changes.
    static std::vector<Name> namesForWrite(const Target& t, std::string_view keyPath) {
        std::vector<Name> names;
        if (t.prefix)
            names = *t.prefix;
        for (auto part : splitPath(keyPath))
            names.push_back(Name{std::string(part), nameBytesFor(part, "键名")});
        checkDepth(names.size());
        return names;
    }
};

Registry::Registry(std::filesystem::path systemDat, std::string systemDisplayName,
                   std::filesystem::path userDat, std::string userDisplayName)
    : impl_(std::make_unique<Impl>(std::move(systemDat), std::move(systemDisplayName), std::move(userDat),
                                   std::move(userDisplayName))) {}

Registry::~Registry() = default;

std::size_t Registry::parseCount() const {
    return impl_->hives[0].parseCount() + impl_->hives[1].parseCount();
}

bool Registry::keyExists(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    return findPath(t.hive.fresh(), path) != nullptr;
}

void Registry::createKey(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto names = Impl::namesForWrite(t, keyPath);
    t.hive.change([&](Key& tree) {
        bool changed = false;
        createPath(tree, names, changed);
        return changed;
    });
}

void Registry::deleteKey(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    if (path.empty())
        throw Error("根键不能删除");
    t.hive.change([&](Key& tree) { return removePath(tree, path); });
}

std::optional<RegValue> Registry::getValue(RegRoot root, std::string_view keyPath, std::string_view name) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    Key* k = findPath(t.hive.fresh(), path);
    if (!k)
        return std::nullopt;
    const StoredValue* v = k->findValue(name);
    if (!v)
        return std::nullopt;
    return v->value;
}

void Registry::setValue(RegRoot root, std::string_view keyPath, const RegValue& value) {
    auto t = impl_->target(root);
    auto names = Impl::namesForWrite(t, keyPath);
    std::string nameBytes = nameBytesFor(value.name, "值名");
    t.hive.change([&](Key& tree) {
        bool changed = false;
        Key& k = createPath(tree, names, changed);
        if (k.setValue(value, std::move(nameBytes)))
            changed = true;
        return changed;
    });
}

bool Registry::deleteValue(RegRoot root, std::string_view keyPath, std::string_view name) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    bool removed = false;
    t.hive.change([&](Key& tree) {
        Key* k = findPath(tree, path);
        removed = k && k->removeValue(name);
        return removed;
    });
    return removed;
}

std::vector<RegValue> Registry::values(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    std::vector<RegValue> out;
    if (Key* k = findPath(t.hive.fresh(), path)) {
        out.reserve(k->values.size());
        for (const auto& v : k->values)
            out.push_back(v.value);
    }
    return out;
}

std::vector<std::string> Registry::subkeyNames(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    std::vector<std::string> out;
    if (Key* k = findPath(t.hive.fresh(), path)) {
        out.reserve(k->children.size());
        for (const auto& c : k->children)
            out.push_back(c->name);
    }
    return out;
}

std::string Registry::exportText() {
    // Both files as of one moment: not half of an import that changes both.
    RegistryLock systemLock(impl_->hives[0].file(), impl_->hives[0].displayName());
    RegistryLock userLock(impl_->hives[1].file(), impl_->hives[1].displayName());
    std::string system = regtext::write(impl_->hives[0].fresh(), impl_->hives[0].rootName());
    std::string user = regtext::write(impl_->hives[1].fresh(), impl_->hives[1].rootName());
    // One header for both: the user hive's sections follow the machine's.
    std::size_t header = regedit4::kHeader.size() + 4;
    system.append(user, header, std::string::npos);
    return cp936::toUtf8(system);
}

void Registry::importText(std::string_view utf8Text, const std::string& displayName) {
    std::vector<regimport::ImportOp> ops = regimport::parse(utf8Text, displayName);
    bool touched[2] = {false, false};
    regimport::touchedHives(ops, touched);
    // The whole import is one change: both files stay locked from reading to the last write,
    // always SYSTEM.DAT's first.
    std::optional<RegistryLock> locks[2];
    for (std::size_t h = 0; h < 2; ++h)
        if (touched[h])
            locks[h].emplace(impl_->hives[h].file(), impl_->hives[h].displayName());
    Key* roots[2] = {nullptr, nullptr};
    for (std::size_t h = 0; h < 2; ++h)
        if (touched[h])
            roots[h] = &impl_->hives[h].fresh();

    bool changed[2] = {false, false};
    try {
        regimport::apply(ops, roots, changed);
    } catch (...) {
        impl_->hives[0].forget();
        impl_->hives[1].forget();
        throw;
    }
    regimport::commit(impl_->hives, changed);
}

} // namespace w98
