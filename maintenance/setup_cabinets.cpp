#include "setup_cabinets.h"

#include "setup_source.h"

#include "platform/cabinet.h"
#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/machine.h"

#include <cctype>

namespace korvane {
namespace {

// As the extractor: no Windows 98 cabinet is bigger, and a set is never longer.
constexpr std::uint64_t kMaxCabinetBytes = 64u << 20;
constexpr int kMaxCabinetSet = 100;

} // namespace

std::string NextCabinetInSet(const std::string& cabinetPath) {
    const std::size_t slash = cabinetPath.find_last_of("\\:");
    const std::string folder = slash == std::string::npos ? "" : cabinetPath.substr(0, slash + 1);
    const std::string name = cabinetPath.substr(folder.size());
    const std::size_t dot = name.rfind('.');
    const std::string stem = name.substr(0, dot), ext = dot == std::string::npos ? "" : name.substr(dot);
    std::size_t digits = stem.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(stem[digits - 1])))
        --digits;
    const std::size_t width = stem.size() - digits;
    if (width == 0 || width > 6)
        return {};
    std::string number = std::to_string(std::stoul(stem.substr(digits)) + 1);
    if (number.size() < width)
        number.insert(0, width - number.size(), '0');
    return folder + stem.substr(0, digits) + number + ext;
}

CabinetSearch FindInCabinetSet(const w98::Machine& m, const std::string& cabinet,
                               const std::vector<std::string>& names) {
    CabinetSearch search;
    if (!SetupFileExists(m, cabinet)) {
        search.problem = "The setup cabinet " + cabinet + " cannot be found";
        return search;
    }
    auto missing = [&] {
        std::vector<std::string> left;
        for (const auto& n : names)
            if (!search.found.contains(w98::foldAscii(n)))
                left.push_back(n);
        return left;
    };
    std::string current = cabinet;
    for (int n = 0; n < kMaxCabinetSet && !current.empty() && !missing().empty(); ++n) {
        try {
            if (m.fileSize(current) > kMaxCabinetBytes)
                throw w98::FormatError(current, 0, "too large to be a Windows 98 cabinet");
            for (auto& e : w98::readCabinet(m.readFile(current), current)) {
                const std::string folded = w98::foldAscii(e.name);
                for (const auto& wanted : names)
                    if (w98::foldAscii(wanted) == folded && !search.found.contains(folded))
                        search.found.emplace(folded, std::move(e.data));
            }
        } catch (const w98::Error& e) {
            search.problem = "The setup cabinet " + current + " cannot be read (" + e.what() + ")";
            return search;
        }
        current = NextCabinetInSet(current);
        if (!current.empty() && !SetupFileExists(m, current))
            current.clear();
    }
    const std::vector<std::string> left = missing();
    if (!left.empty()) {
        search.problem = cabinet + " and the cabinets after it do not hold";
        for (const auto& n : left)
            search.problem += " " + n;
    }
    return search;
}

} // namespace korvane
