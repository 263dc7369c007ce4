#include "registry.h"

#include "cp936.h"
#include "dos_attributes.h"
#include "error.h"
#include "host_file.h"
#include "regedit4.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
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

using regedit4::Name;

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool foldEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    return true;
}

struct FoldHash {
    std::size_t operator()(std::string_view s) const noexcept {
        std::size_t h = 14695981039346656037ull;
        for (char c : s) {
            h ^= static_cast<unsigned char>(foldAscii(c));
            h *= 1099511628211ull;
        }
        return h;
    }
};

struct FoldEqual {
    bool operator()(std::string_view a, std::string_view b) const noexcept { return foldEqual(a, b); }
};

struct StoredValue {
    RegValue value;        // name in UTF-8
    std::string nameBytes; // the same name in code page 936, as the file writes it
};

struct Key {
    std::string name;  // UTF-8, as created
    std::string bytes; // code page 936
    std::vector<StoredValue> values;
    std::vector<std::unique_ptr<Key>> children; // in creation order
    // Built once a key has more than a few subkeys; its views point into the children's names.
    std::unique_ptr<std::unordered_map<std::string_view, Key*, FoldHash, FoldEqual>> index;

    static constexpr std::size_t kIndexFrom = 8;

    Key* child(std::string_view childName) const {
        if (index) {
            auto it = index->find(childName);
            return it == index->end() ? nullptr : it->second;
        }
        for (const auto& c : children)
            if (foldEqual(c->name, childName))
                return c.get();
        return nullptr;
    }

    Key& addChild(std::string childName, std::string childBytes) {
        auto k = std::make_unique<Key>();
        k->name = std::move(childName);
        k->bytes = std::move(childBytes);
        Key& added = *k;
        children.push_back(std::move(k));
        if (index) {
            index->emplace(added.name, &added);
        } else if (children.size() > kIndexFrom) {
            index = std::make_unique<std::unordered_map<std::string_view, Key*, FoldHash, FoldEqual>>();
            index->reserve(children.size() * 2);
            for (const auto& c : children)
                index->emplace(c->name, c.get());
        }
        return added;
    }

    void removeChild(const Key* k) {
        if (index)
            index->erase(k->name);
        for (auto it = children.begin(); it != children.end(); ++it) {
            if (it->get() == k) {
                children.erase(it);
                return;
            }
        }
    }

    StoredValue* findValue(std::string_view valueName) {
        for (auto& v : values)
            if (foldEqual(v.value.name, valueName))
                return &v;
        return nullptr;
    }

    // True when anything changed. An existing value keeps the case of its name.
    bool setValue(RegValue v, std::string nameBytes) {
        if (StoredValue* existing = findValue(v.name)) {
            if (existing->value.type == v.type && existing->value.data == v.data)
                return false;
            existing->value.type = v.type;
            existing->value.data = std::move(v.data);
            return true;
        }
        values.push_back(StoredValue{std::move(v), std::move(nameBytes)});
        return true;
    }

    bool removeValue(std::string_view valueName) {
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (foldEqual(it->value.name, valueName)) {
                values.erase(it);
                return true;
            }
        }
        return false;
    }
};

Key* findPath(Key& root, const std::vector<std::string_view>& path) {
    Key* k = &root;
    for (auto part : path) {
        k = k->child(part);
        if (!k)
            return nullptr;
    }
    return k;
}

Key& createPath(Key& root, const std::vector<Name>& path, bool& changed) {
    Key* k = &root;
    for (const auto& part : path) {
        Key* next = k->child(part.text);
        if (!next) {
            next = &k->addChild(part.text, part.bytes);
            changed = true;
        }
        k = next;
    }
    return *k;
}

// Removes the key at path (not the root); true if it existed.
bool removePath(Key& root, const std::vector<std::string_view>& path) {
    std::vector<std::string_view> parentPath(path.begin(), path.end() - 1);
    Key* parent = findPath(root, parentPath);
    Key* k = parent ? parent->child(path.back()) : nullptr;
    if (!k)
        return false;
    parent->removeChild(k);
    return true;
}

std::vector<std::string_view> textsOf(const std::vector<Name>& names) {
    std::vector<std::string_view> out;
    out.reserve(names.size());
    for (const auto& n : names)
        out.emplace_back(n.text);
    return out;
}

void serializeKey(const Key& k, std::string& path, std::string& out) {
    regedit4::appendSection(out, path);
    for (const auto& v : k.values)
        regedit4::appendValue(out, v.nameBytes, v.value.type, v.value.data);
    out += "\r\n";
    for (const auto& c : k.children) {
        const std::size_t length = path.size();
        path += '\\';
        path += c->bytes;
        serializeKey(*c, path, out);
        path.resize(length);
    }
}

// What a file was read from: a replaced or rewritten file differs in one of these.
struct Signature {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t seconds = 0;
    long nanoseconds = 0;
    bool operator==(const Signature&) const = default;
};

Signature signatureOf(const struct stat& st) {
    return Signature{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

const char* readErrorText(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
    case EISDIR:
        return io_text::kAccessDenied;
    default:
        return io_text::kReadError;
    }
}

// nullopt when the file (or its folder) does not exist.
std::optional<struct stat> statFile(const std::filesystem::path& file, const std::string& displayName) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0)
        return st;
    if (errno == ENOENT || errno == ENOTDIR)
        return std::nullopt;
    throw IoError(readErrorText(errno), displayName);
}

// Reads the file and the signature of exactly what was read; nullopt when it does not exist.
std::optional<std::pair<std::string, Signature>> readWithSignature(const std::filesystem::path& file,
                                                                   const std::string& displayName) {
    struct stat st {};
    auto bytes = readHostFileIfExists(file, displayName, &st);
    if (!bytes)
        return std::nullopt;
    return std::make_pair(std::move(*bytes), signatureOf(st));
}

struct Hive {
    std::filesystem::path file;
    std::string displayName;
    std::string rootName; // upper case, as written
    std::unique_ptr<Key> root; // null unless loaded and sound
    std::optional<Signature> signature; // of what root (or broken) came from
    std::exception_ptr broken; // the error of an unreadable file, until it changes

    void forget() {
        root.reset();
        signature.reset();
        broken = nullptr;
    }
};

// Builds a hive's tree from its file.
class TreeSink : public regedit4::Sink {
public:
    TreeSink(Hive& hive, Key& root) : hive_(hive), root_(root) {}

    void section(std::size_t line, bool, std::string_view rootName, std::vector<Name> path) override {
        if (!foldEqual(rootName, hive_.rootName))
            throw FormatError(hive_.displayName, line, "The key is outside " + hive_.rootName);
        bool ignored = false;
        current_ = &createPath(root_, path, ignored);
    }

    void value(std::size_t, RegValue value, std::string nameBytes) override {
        current_->setValue(std::move(value), std::move(nameBytes));
    }

    void removeValue(std::size_t, Name) override {}

private:
    Hive& hive_;
    Key& root_;
    Key* current_ = nullptr;
};

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
            throw FormatError(displayName_, line, "Unknown root key " + std::string(rootName));
        }
        if (prefix) {
            op.path = *prefix;
            op.path.insert(op.path.end(), std::make_move_iterator(path.begin()),
                           std::make_move_iterator(path.end()));
        } else {
            op.path = std::move(path);
        }
        if (op.path.size() > regedit4::kMaxDepth)
            throw FormatError(displayName_, line, "The key is nested too deeply");
        if (remove && op.path.empty())
            throw FormatError(displayName_, line, "A root key cannot be deleted");
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
            throw Error(std::string("The ") + what + " \"" + std::string(utf8) +
                        "\" contains a control character");
    return cp936::fromUtf8(utf8);
}

} // namespace

struct Registry::Impl {
    Hive hives[2];
    std::size_t parses = 0;

    struct Target {
        Hive& hive;
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
            throw Error("Unknown registry root key " + std::to_string(root));
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
                throw Error("Invalid registry key path \"" + std::string(keyPath) + "\"");
            parts.push_back(part);
            if (slash == std::string_view::npos)
                break;
            start = slash + 1;
        }
        if (parts.size() > regedit4::kMaxDepth)
            throw Error("The registry key path is nested too deeply");
        return parts;
    }

    // The depth counts the keys HKEY_CURRENT_USER and HKEY_CLASSES_ROOT stand for: the file
    // holds them, and a deeper key there would make the file unreadable.
    static void checkDepth(std::size_t depth) {
        if (depth > regedit4::kMaxDepth)
            throw Error("The registry key path is nested too deeply");
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
            names.push_back(Name{std::string(part), nameBytesFor(part, "key name")});
        checkDepth(names.size());
        return names;
    }

    // The hive as its file now holds it, parsed again only if the file changed.
    Key& fresh(Hive& h) {
        auto st = statFile(h.file, h.displayName);
        Signature now = st ? signatureOf(*st) : Signature{};
        if (h.signature && *h.signature == now) {
            if (h.broken)
                std::rethrow_exception(h.broken);
            return *h.root;
        }
        h.forget();
        auto read = readWithSignature(h.file, h.displayName);
        auto root = std::make_unique<Key>();
        root->name = h.rootName;
        root->bytes = h.rootName;
        if (!read) {
            h.root = std::move(root);
            h.signature = Signature{};
            return *h.root;
        }
        ++parses;
        try {
            auto lines = regedit4::splitLines(read->first);
            TreeSink sink(h, *root);
            regedit4::parse(lines, h.displayName, regedit4::Mode::File, sink);
        } catch (const FormatError&) {
            h.broken = std::current_exception();
            h.signature = read->second;
            throw;
        }
        h.root = std::move(root);
        h.signature = read->second;
        return *h.root;
    }

    static std::string serialize(const Hive& h) {
        std::string out;
        if (h.signature)
            out.reserve(static_cast<std::size_t>(h.signature->size) + 4096);
        out += regedit4::kHeader;
        out += "\r\n\r\n";
        std::string path = h.rootName;
        serializeKey(*h.root, path, out);
        return out;
    }

    // Writes the changed tree back. On failure the tree is dropped, so that the next call
    // reads the file, which is still as it was.
    void commit(Hive& h) {
        try {
            std::string bytes = serialize(h);
            std::uint8_t attributes = attr::kArchive;
            if (statFile(h.file, h.displayName))
                attributes = readDosAttributes(h.file, h.displayName);
            replaceHostFile(h.file, bytes, h.displayName, attributes);
            auto st = statFile(h.file, h.displayName);
            // Someone may have replaced it again already; then read theirs next time.
            if (st && static_cast<std::size_t>(st->st_size) == bytes.size())
                h.signature = signatureOf(*st);
            else
                h.forget();
        } catch (...) {
            h.forget();
            throw;
        }
    }
};

Registry::Registry(std::filesystem::path systemDat, std::string systemDisplayName,
                   std::filesystem::path userDat, std::string userDisplayName)
    : impl_(std::make_unique<Impl>()) {
    impl_->hives[0].file = std::move(systemDat);
    impl_->hives[0].displayName = std::move(systemDisplayName);
    impl_->hives[0].rootName = "HKEY_LOCAL_MACHINE";
    impl_->hives[1].file = std::move(userDat);
    impl_->hives[1].displayName = std::move(userDisplayName);
    impl_->hives[1].rootName = "HKEY_USERS";
}

Registry::~Registry() = default;

std::size_t Registry::parseCount() const { return impl_->parses; }

bool Registry::keyExists(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    return findPath(impl_->fresh(t.hive), path) != nullptr;
}

void Registry::createKey(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto names = Impl::namesForWrite(t, keyPath);
    bool changed = false;
    createPath(impl_->fresh(t.hive), names, changed);
    if (changed)
        impl_->commit(t.hive);
}

void Registry::deleteKey(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    if (path.empty())
        throw Error("A root key cannot be deleted");
    if (removePath(impl_->fresh(t.hive), path))
        impl_->commit(t.hive);
}

std::optional<RegValue> Registry::getValue(RegRoot root, std::string_view keyPath, std::string_view name) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    Key* k = findPath(impl_->fresh(t.hive), path);
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
    std::string nameBytes = nameBytesFor(value.name, "value name");
    bool changed = false;
    Key& k = createPath(impl_->fresh(t.hive), names, changed);
    if (k.setValue(value, std::move(nameBytes)))
        changed = true;
    if (changed)
        impl_->commit(t.hive);
}

bool Registry::deleteValue(RegRoot root, std::string_view keyPath, std::string_view name) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    Key* k = findPath(impl_->fresh(t.hive), path);
    if (!k || !k->removeValue(name))
        return false;
    impl_->commit(t.hive);
    return true;
}

std::vector<RegValue> Registry::values(RegRoot root, std::string_view keyPath) {
    auto t = impl_->target(root);
    auto path = Impl::fullPath(t, keyPath);
    std::vector<RegValue> out;
    if (Key* k = findPath(impl_->fresh(t.hive), path)) {
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
    if (Key* k = findPath(impl_->fresh(t.hive), path)) {
        out.reserve(k->children.size());
        for (const auto& c : k->children)
            out.push_back(c->name);
    }
    return out;
}

std::string Registry::exportText() {
    impl_->fresh(impl_->hives[0]);
    impl_->fresh(impl_->hives[1]);
    std::string system = Impl::serialize(impl_->hives[0]);
    std::string user = Impl::serialize(impl_->hives[1]);
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
            throw FormatError(displayName, i + 1, "The line cannot be written in code page 936");
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
    Key* roots[2] = {nullptr, nullptr};
    for (std::size_t h = 0; h < 2; ++h)
        if (touched[h])
            roots[h] = &impl_->fresh(impl_->hives[h]);

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
        Hive& first = impl_->hives[0];
        std::optional<std::string> before;
        std::uint8_t attributes = attr::kArchive;
        try {
            if (statFile(first.file, first.displayName)) {
                before = readHostFile(first.file, first.displayName);
                attributes = readDosAttributes(first.file, first.displayName);
            }
        } catch (...) {
            impl_->hives[0].forget();
            impl_->hives[1].forget();
            throw;
        }
        try {
            impl_->commit(first);
        } catch (...) {
            impl_->hives[1].forget();
            throw;
        }
        try {
            impl_->commit(impl_->hives[1]);
        } catch (...) {
            first.forget();
            try {
                if (before)
                    replaceHostFile(first.file, *before, first.displayName, attributes);
                else
                    std::filesystem::remove(first.file);
            } catch (...) {
                // The error that stopped the import is the one to report.
            }
            throw;
        }
    } else {
        for (std::size_t h = 0; h < 2; ++h)
            if (changed[h])
                impl_->commit(impl_->hives[h]);
    }
}

} // namespace w98
