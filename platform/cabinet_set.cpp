#include "cabinet_set.h"

#include "base/error.h"
#include "machine.h"

#include <cctype>

namespace w98 {
namespace {

bool isCabinetFile(const Machine& m, const std::string& path) {
    try {
        return m.isFile(path);
    } catch (const Error&) {
        return false; // a path the machine cannot map holds no cabinet
    }
}

} // namespace

std::string nextCabinetInSet(std::string_view cabinetPath) {
    const std::size_t slash = cabinetPath.find_last_of("\\:");
    const std::string_view folder = slash == std::string_view::npos ? "" : cabinetPath.substr(0, slash + 1);
    const std::string_view name = cabinetPath.substr(folder.size());
    const std::size_t dot = name.rfind('.');
    const std::string_view stem = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot);
    std::size_t digits = stem.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(stem[digits - 1])))
        --digits;
    const std::size_t width = stem.size() - digits;
    if (width == 0 || width > 6)
        return {};
    std::string number = std::to_string(std::stoul(std::string(stem.substr(digits))) + 1);
    if (number.size() < width)
        number.insert(0, width - number.size(), '0');
    return std::string(folder) + std::string(stem.substr(0, digits)) + number + std::string(ext);
}

void walkCabinetSet(
    const Machine& m, const std::string& first,
    const std::function<bool(const std::string& cabinet, std::vector<CabEntry>& entries)>& visit) {
    std::string current = first;
    for (int n = 0; n < kMaxCabinetSet && !current.empty(); ++n) {
        if (m.fileSize(current) > kMaxCabinetBytes)
            throw FormatError(current, 0, "too large to be a Windows 98 cabinet");
        std::vector<CabEntry> entries = readCabinet(m.readFile(current), current);
        if (!visit(current, entries))
            return;
        current = nextCabinetInSet(current);
        if (!current.empty() && !isCabinetFile(m, current))
            return;
    }
}

} // namespace w98
