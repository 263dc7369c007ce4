#include "registry_text_format.h"

#include "base/error.h"
#include "base/text.h"
#include "regedit4.h"

#include <utility>
#include <vector>

namespace w98::regtext {

namespace {

using regtree::Key;

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

// Builds a hive's tree from its file.
class TreeSink : public regedit4::Sink {
  public:
    TreeSink(const std::string& displayName, const std::string& rootName, Key& root)
        : displayName_(displayName), rootName_(rootName), root_(root) {}

    void section(std::size_t line, bool, std::string_view rootName,
                 std::vector<regtree::Name> path) override {
        if (!equalsNoCase(rootName, rootName_))
            throw FormatError(displayName_, line, "键不在 " + rootName_ + " 之下");
        bool ignored = false;
        current_ = &regtree::createPath(root_, path, ignored);
    }

    void value(std::size_t, RegValue value, std::string nameBytes) override {
        current_->setValue(std::move(value), std::move(nameBytes));
    }

    void removeValue(std::size_t, regtree::Name) override {}

  private:
    const std::string& displayName_;
    const std::string& rootName_;
    Key& root_;
    Key* current_ = nullptr;
};

} // namespace

std::unique_ptr<Key> read(std::string_view bytes, const std::string& displayName,
                          const std::string& rootName) {
    auto root = std::make_unique<Key>();
    root->name = rootName;
    root->bytes = rootName;
    auto lines = splitLineViews(bytes);
    TreeSink sink(displayName, rootName, *root);
    regedit4::parse(lines, displayName, regedit4::Mode::File, sink);
    return root;
}

std::string write(const Key& root, const std::string& rootName, std::size_t sizeHint) {
    std::string out;
    if (sizeHint)
        out.reserve(sizeHint + 4096);
    out += regedit4::kHeader;
    out += "\r\n\r\n";
    std::string path = rootName;
    serializeKey(root, path, out);
    return out;
}

} // namespace w98::regtext
