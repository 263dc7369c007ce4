#include "drive_mask.h"

#include "switch_keys.h"
#include "sysaccess/registry_values.h"

#include "base/error.h"
#include "platform/machine.h"

namespace korvane {
namespace {

using namespace switch_keys;
constexpr const char* kValue = "NoDrives";

} // namespace

std::vector<std::string> DriveLetterItems() {
    std::vector<std::string> items;
    for (int i = 0; i < kDriveLetterCount; ++i)
        items.push_back(std::string(1, static_cast<char>('A' + i)) + ":");
    return items;
}

std::optional<std::uint32_t> ReadDriveMask(w98::Machine& m) {
    w98::Registry& r = m.registry();
    if (!r.keyExists(kExplorerPolicyRoot, kExplorerPolicy))
        return std::nullopt;
    auto v = r.getValue(kExplorerPolicyRoot, kExplorerPolicy, kValue);
    if (!v)
        return std::nullopt;
    if (v->type != w98::reg_type::kBinary)
        throw RegistryError(std::string("Invalid data type for '") + kValue + "'");
    if (v->data.size() > 4)
        throw RegistryError(std::string("Failed to get data for '") + kValue + "'");
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < v->data.size(); ++i)
        mask |= static_cast<std::uint32_t>(static_cast<unsigned char>(v->data[i])) << (8 * i);
    return mask;
}

void WriteDriveMask(w98::Machine& m, std::uint32_t mask) {
    const std::uint32_t drives = mask & kDriveBits;
    std::string data;
    for (int i = 0; i < 4; ++i)
        data += static_cast<char>((drives >> (8 * i)) & 0xFFu);
    try {
        m.registry().setValue(kExplorerPolicyRoot, kExplorerPolicy, {kValue, w98::reg_type::kBinary, data});
    } catch (const w98::IoError&) {
        throw RegistryError(std::string("Failed to set data for '") + kValue + "'");
    }
}

std::uint32_t DriveMaskOf(const std::vector<bool>& ticked) {
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < ticked.size() && i < kDriveLetterCount; ++i)
        if (ticked[i])
            mask |= 1u << i;
    return mask;
}

std::vector<std::string> DriveListHelp() {
    return {
        "       隐藏后，在地址栏中输入被隐藏的盘符（如\"E：\\\"）仍可进入该盘。",
        "       要想禁止此方法，请点击〔禁止地址栏直接输入〕，这同时会禁用开始菜单中的\"运行\"。",
        "       要想在MS-DOS方式下也看不到这些盘，请点击〔禁用MS-DOS〕，这同时会禁用其它MS-DOS程序。",
    };
}

} // namespace korvane
