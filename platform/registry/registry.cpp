#include "registry.h"

#include "platform/cp936.h"
#include "platform/error.h"
#include "regedit4.h"
#include "registry_file.h"
#include "registry_lock.h"
#include "registry_text_format.h"
#include "registry_tree.h"

#include <iterator>
#include <optional>
#include <utility>

namespace w98 {

std::string regStringData(std::string_view utf8) {
    std::string data = cp936::fromUtf8(utf8);
    data += '\0';
    return data;
}

std::string regDwordData(std::uint32_t v) {
    std::string data(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        data[i] = static_cast<char>(v >> (8 * i) & 0xFF);
    return data;
}

std::uint32_t regDwordFromData(std::string_view data) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return v;
}

namespace {

using regtree::foldEqual;
using regtree::Key;
using regtree::Name;
using regtree::StoredValue;
using regtree::textsOf;

// A parsed import, applied only once all of it is understood.
struct ImportOp {
    enum class Kind { OpenKey, RemoveKey, SetValue, RemoveValue };
    Kind kind;
    std::size_t hive = 0; // 0: SYSTEM.DAT, 1: USER.DAT
    std::vector<Name> path;
    RegValue value;
    std::string nameBytes;
};

const std::vector<Name>& currentUserPrefix() {
    static const std::vector<Name> prefix{{".DEFAULT", ".DEFAULT"}};
    return prefix;
}

const std::vector<Name>& classesRootPrefix() {
    static const std::vector<Name> prefix{{"Software", "Software"}, {"Classes", "Classes"}};
    return prefix;
}

class ImportSink : public regedit4::Sink {
public:
    ImportSink(const std::string& displayName, std::vector<ImportOp>& ops)
        : displayName_(displayName), ops_(ops) {}

    void section(std::size_t line, bool remove, std::string_view rootName, std::vector<Name> path) override {
        ImportOp op{remove ? ImportOp::Kind::RemoveKey : ImportOp::Kind::OpenKey, 0, {}, {}, {}};
        const std::vector<Name>* prefix = nullptr;
        if (foldEqual(rootName, "HKEY_LOCAL_MACHINE")) {
            op.hive = 0;
        } else if (foldEqual(rootName, "HKEY_USERS")) {
            op.hive = 1;
        } else if (foldEqual(rootName, "HKEY_CURRENT_USER")) {
            op.hive = 1;
            prefix = &currentUserPrefix();
        } else if (foldEqual(rootName, "HKEY_CLASSES_ROOT")) {
            op.hive = 0;
            prefix = &classesRootPrefix();
        } else {
            throw FormatError(displayName_, line, "未知的根键 " + std::string(rootName));
        }
        if (prefix) {
            op.path = *prefix;
            op.path.insert(op.path.end(), std::make_move_iterator(path.begin()),
                           std::make_move_iterator(path.end()));
        } else {
            op.path = std::move(path);
        }
        if (op.path.size() > regedit4::kMaxDepth)
            throw FormatError(displayName_, line, "键的层次太深");
        if (remove && op.path.empty())
            throw FormatError(displayName_, line, "根键不能删除");
        ops_.push_back(std::move(op));
    }

    void value(std::size_t, RegValue value, std::string nameBytes) override {
        ops_.push_back(ImportOp{ImportOp::Kind::SetValue, 0, {}, std::move(value), std::move(nameBytes)});
    }

    void removeValue(std::size_t, Name name) override {
        ImportOp op{ImportOp::Kind::RemoveValue, 0, {}, {}, std::move(name.bytes)};
        op.value.name = std::move(name.text);
        ops_.push_back(std::move(op));
    }

private:
    const std::string& displayName_;
    std::vector<ImportOp>& ops_;
};

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
        if (parts.size() > regedit4::kMaxDepth)
            throw Error("注册表键路径的层次太深");
        return parts;
    }

    // The depth counts the keys HKEY_CURRENT_USER and HKEY_CLASSES_ROOT stand for: the file
    // holds them, and a deeper key there would make the file unreadable.
    static void checkDepth(std::size_t depth) {
        if (depth > regedit4::kMaxDepth)
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

std::size_t Registry::parseCount() const { return impl_->hives[0].parseCount() + impl_->hives[1].parseCount(); }

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
    auto utf8Lines = regedit4::splitLines(utf8Text);
    std::vector<std::string> converted(utf8Lines.size());
    std::vector<std::string_view> lines(utf8Lines.size());
    for (std::size_t i = 0; i < utf8Lines.size(); ++i) {
        if (!cp936::tryFromUtf8(utf8Lines[i], converted[i]))
            throw FormatError(displayName, i + 1, "这一行无法用 936 代码页写出");
        lines[i] = converted[i];
    }
    std::vector<ImportOp> ops;
    ImportSink sink(displayName, ops);
    regedit4::parse(lines, displayName, regedit4::Mode::Import, sink);
    converted.clear();

    bool touched[2] = {false, false};
    for (const auto& op : ops)
        if (op.kind == ImportOp::Kind::OpenKey || op.kind == ImportOp::Kind::RemoveKey)
            touched[op.hive] = true;
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
        Key* current = nullptr;
        std::size_t hive = 0;
        for (auto& op : ops) {
            switch (op.kind) {
            case ImportOp::Kind::OpenKey:
                hive = op.hive;
                current = &createPath(*roots[hive], op.path, changed[hive]);
                break;
            case ImportOp::Kind::RemoveKey:
                current = nullptr;
                if (removePath(*roots[op.hive], textsOf(op.path)))
                    changed[op.hive] = true;
                break;
            case ImportOp::Kind::SetValue:
                if (current && current->setValue(std::move(op.value), std::move(op.nameBytes)))
                    changed[hive] = true;
                break;
            case ImportOp::Kind::RemoveValue:
                if (current && current->removeValue(op.value.name))
                    changed[hive] = true;
                break;
            }
        }
    } catch (...) {
        impl_->hives[0].forget();
        impl_->hives[1].forget();
        throw;
    }

    if (changed[0] && changed[1]) {
        // Both files change: if the second cannot be written, the first goes back as it was.
        HiveFile& first = impl_->hives[0];
        HiveFile::Snapshot before;
        try {
            before = first.snapshot();
        } catch (...) {
            impl_->hives[0].forget();
            impl_->hives[1].forget();
            throw;
        }
        try {
            first.commit();
        } catch (...) {
            impl_->hives[1].forget();
            throw;
        }
        try {
            impl_->hives[1].commit();
        } catch (...) {
            try {
                first.putBack(before);
            } catch (...) {
                // The error that stopped the import is the one to report.
            }
            throw;
        }
    } else {
        for (std::size_t h = 0; h < 2; ++h)
            if (changed[h])
                impl_->hives[h].commit();
    }
}

} // namespace w98
