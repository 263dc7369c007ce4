#include "registry_values.h"

#include "base/cp936.h"
#include "platform/machine.h"

namespace korvane {
namespace {

using w98::RegValue;
namespace reg_type = w98::reg_type;

std::string inQuotes(std::string_view name) {
    return "'" + std::string(name) + "'";
}

// Opens the key with creation. False when it could not be created (the file cannot be
// written); a registry file that cannot be understood, or not even read, still raises its
// own error.
bool openOrCreate(w98::Machine& m, RegRoot root, std::string_view key) {
    try {
        m.registry().createKey(root, key);
        return true;
    } catch (const w98::IoError&) {
        m.registry().keyExists(root, key);
        return false;
    }
}

std::string stringFromValue(const RegValue& v) {
    if (v.data.empty())
        return {};
    if (v.type != reg_type::kSz && v.type != reg_type::kExpandSz)
        throw RegistryError("Invalid data type for " + inQuotes(v.name));
    std::string_view raw(v.data);
    raw = raw.substr(0, raw.find('\0'));
    std::string utf8;
    if (!w98::cp936::tryToUtf8(raw, utf8))
        throw RegistryError("Invalid data type for " + inQuotes(v.name) + "（不是 GBK 文字）");
    return utf8;
}

void setOrFail(w98::Machine& m, RegRoot root, std::string_view key, RegValue value) {
    if (!openOrCreate(m, root, key))
        throw RegistryError("Failed to set data for " + inQuotes(value.name));
    try {
        m.registry().setValue(root, key, value);
    } catch (const w98::IoError&) {
        throw RegistryError("Failed to set data for " + inQuotes(value.name));
    }
}

} // namespace

std::int32_t ReadRegInt(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name) {
    openOrCreate(m, root, key);
    auto v = m.registry().getValue(root, key, name);
    if (!v)
        throw RegistryError("Failed to get data for " + inQuotes(name));
    if (v->data.size() > 4)
        throw RegistryError("Failed to get data for " + inQuotes(name));
    if (v->type != reg_type::kDword)
        throw RegistryError("Invalid data type for " + inQuotes(name));
    return static_cast<std::int32_t>(w98::regDwordFromData(v->data));
}

void WriteRegInt(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name,
                 std::int32_t value) {
    setOrFail(
        m, root, key,
        RegValue{std::string(name), reg_type::kDword, w98::regDwordData(static_cast<std::uint32_t>(value))});
}

std::string ReadRegStr(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name) {
    if (!openOrCreate(m, root, key))
        return {};
    auto v = m.registry().getValue(root, key, name);
    return v ? stringFromValue(*v) : std::string();
}

void WriteRegStr(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name,
                 std::string_view text) {
    std::string data;
    try {
        data = w98::regStringData(text);
    } catch (const w98::Error& e) {
        throw RegistryError("Failed to set data for " + inQuotes(name) + "：" + e.what());
    }
    setOrFail(m, root, key, RegValue{std::string(name), reg_type::kSz, std::move(data)});
}

bool RegValueExists(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name) {
    openOrCreate(m, root, key);
    return m.registry().getValue(root, key, name).has_value();
}

void DeleteRegValue(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name) {
    try {
        m.registry().createKey(root, key);
        m.registry().deleteValue(root, key, name);
    } catch (const w98::IoError& e) {
        // A value that is not there is gone already; one that stays must not read as deleted.
        if (m.registry().getValue(root, key, name))
            throw RegistryError("无法删除注册表值 " + inQuotes(name) + "（" + e.what() + "）");
    }
}

std::string ReadRegDefault(w98::Machine& m, RegRoot root, std::string_view key) {
    if (!m.registry().keyExists(root, key))
        return {};
    auto v = m.registry().getValue(root, key, "");
    return v ? stringFromValue(*v) : std::string();
}

void WriteRegDefault(w98::Machine& m, RegRoot root, std::string_view key, std::string_view text) {
    if (!m.registry().keyExists(root, key))
        return;
    std::string data;
    try {
        data = w98::regStringData(text);
    } catch (const w98::Error& e) {
        throw RegistryError("Failed to set data for ''：" + std::string(e.what()));
    }
    try {
        m.registry().setValue(root, key, RegValue{"", reg_type::kSz, std::move(data)});
    } catch (const w98::IoError&) {
        throw RegistryError("Failed to set data for ''");
    }
}

} // namespace korvane
