#include "registry_tree.h"

#include "base/hash.h"
#include "base/text.h"

#include <utility>

namespace w98::regtree {

std::size_t FoldHash::operator()(std::string_view s) const noexcept {
    std::uint64_t h = kFnv1aBasis;
    for (char c : s)
        h = fnv1aAdd(h, static_cast<unsigned char>(lowerAscii(c)));
    return static_cast<std::size_t>(h);
}

Key* Key::child(std::string_view childName) const {
    if (index_) {
        auto it = index_->find(childName);
        return it == index_->end() ? nullptr : it->second;
    }
    for (const auto& c : children)
        if (equalsNoCase(c->name, childName))
            return c.get();
    return nullptr;
}

Key& Key::addChild(std::string childName, std::string childBytes) {
    auto k = std::make_unique<Key>();
    k->name = std::move(childName);
    k->bytes = std::move(childBytes);
    Key& added = *k;
    children.push_back(std::move(k));
    if (index_) {
        index_->emplace(added.name, &added);
    } else if (children.size() > kIndexFrom) {
        index_ = std::make_unique<std::unordered_map<std::string_view, Key*, FoldHash, FoldEqual>>();
        index_->reserve(children.size() * 2);
        for (const auto& c : children)
            index_->emplace(c->name, c.get());
    }
    return added;
}

void Key::removeChild(const Key* k) {
    if (index_)
        index_->erase(k->name);
    for (auto it = children.begin(); it != children.end(); ++it) {
        if (it->get() == k) {
            children.erase(it);
            return;
        }
    }
}

StoredValue* Key::findValue(std::string_view valueName) {
    for (auto& v : values)
        if (equalsNoCase(v.value.name, valueName))
            return &v;
    return nullptr;
}

const StoredValue* Key::findValue(std::string_view valueName) const {
    return const_cast<Key*>(this)->findValue(valueName);
}

bool Key::setValue(RegValue v, std::string nameBytes) {
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

bool Key::removeValue(std::string_view valueName) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (equalsNoCase(it->value.name, valueName)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

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

bool sameTree(const Key& a, const Key& b) {
    std::vector<std::pair<const Key*, const Key*>> stack{{&a, &b}};
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        if (x->values.size() != y->values.size() || x->children.size() != y->children.size())
            return false;
        for (std::size_t i = 0; i < x->values.size(); ++i) {
            const StoredValue& u = x->values[i];
            const StoredValue& v = y->values[i];
            if (u.nameBytes != v.nameBytes || u.value.type != v.value.type || u.value.data != v.value.data)
                return false;
        }
        for (std::size_t i = 0; i < x->children.size(); ++i) {
            if (x->children[i]->bytes != y->children[i]->bytes)
                return false;
            stack.emplace_back(x->children[i].get(), y->children[i].get());
        }
    }
    return true;
}

} // namespace w98::regtree
