#include "registry_import.h"

#include "base/cp936.h"
#include "base/error.h"
#include "base/text.h"
#include "regedit4.h"

#include <iterator>
#include <utility>

namespace w98::regimport {

using regtree::Key;
using regtree::Name;
using regtree::textsOf;

const std::vector<Name>& currentUserPrefix() {
    static const std::vector<Name> prefix{{".DEFAULT", ".DEFAULT"}};
    return prefix;
}

const std::vector<Name>& classesRootPrefix() {
    static const std::vector<Name> prefix{{"Software", "Software"}, {"Classes", "Classes"}};
    return prefix;
}

namespace {

class ImportSink : public regedit4::Sink {
  public:
    ImportSink(const std::string& displayName, std::vector<ImportOp>& ops)
        : displayName_(displayName), ops_(ops) {}

    void section(std::size_t line, bool remove, std::string_view rootName, std::vector<Name> path) override {
        ImportOp op{remove ? ImportOp::Kind::RemoveKey : ImportOp::Kind::OpenKey, 0, {}, {}, {}};
        const std::vector<Name>* prefix = nullptr;
        if (equalsNoCase(rootName, "HKEY_LOCAL_MACHINE")) {
            op.hive = 0;
        } else if (equalsNoCase(rootName, "HKEY_USERS")) {
            op.hive = 1;
        } else if (equalsNoCase(rootName, "HKEY_CURRENT_USER")) {
            op.hive = 1;
            prefix = &currentUserPrefix();
        } else if (equalsNoCase(rootName, "HKEY_CLASSES_ROOT")) {
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
        if (op.path.size() > kRegMaxDepth)
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

} // namespace

std::vector<ImportOp> parse(std::string_view utf8Text, const std::string& displayName) {
    auto utf8Lines = splitLineViews(utf8Text);
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
    return ops;
}

void touchedHives(const std::vector<ImportOp>& ops, bool touched[2]) {
    for (const auto& op : ops)
        if (op.kind == ImportOp::Kind::OpenKey || op.kind == ImportOp::Kind::RemoveKey)
            touched[op.hive] = true;
}

void apply(std::vector<ImportOp>& ops, Key* const roots[2], bool changed[2]) {
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
}

void commit(HiveFile (&hives)[2], const bool changed[2]) {
    if (changed[0] && changed[1] && hives[0].file().parent_path() == hives[1].file().parent_path()) {
        HiveFile::commitPair(hives[0], hives[1]);
    } else if (changed[0] && changed[1]) {
        // Both files change: if the second cannot be written, the first goes back as it was.
        HiveFile& first = hives[0];
        HiveFile::Snapshot before;
        try {
            before = first.snapshot();
        } catch (...) {
            hives[0].forget();
            hives[1].forget();
            throw;
        }
        try {
            first.commit();
        } catch (...) {
            hives[1].forget();
            throw;
        }
        try {
            hives[1].commit();
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
                hives[h].commit();
    }
}

} // namespace w98::regimport
