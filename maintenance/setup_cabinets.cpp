#include "setup_cabinets.h"

#include "setup_source.h"

#include "base/error.h"
#include "base/text.h"
#include "platform/cabinet.h"
#include "platform/cabinet_set.h"
#include "platform/machine.h"

namespace korvane {

std::string NextCabinetInSet(const std::string& cabinetPath) {
    return w98::nextCabinetInSet(cabinetPath);
}

CabinetSearch FindInCabinetSet(const w98::Machine& m, const std::string& cabinet,
                               const std::vector<std::string>& names) {
    CabinetSearch search;
    if (!SetupFileExists(m, cabinet)) {
        search.problem = "找不到安装文件" + cabinet;
        return search;
    }
    auto missing = [&] {
        std::vector<std::string> left;
        for (const auto& n : names)
            if (!search.found.contains(w98::foldAscii(n)))
                left.push_back(n);
        return left;
    };
    try {
        w98::walkCabinetSet(m, cabinet, [&](const std::string&, std::vector<w98::CabEntry>& entries) {
            for (auto& e : entries) {
                const std::string folded = w98::foldAscii(e.name);
                for (const auto& wanted : names)
                    if (w98::foldAscii(wanted) == folded && !search.found.contains(folded))
                        search.found.emplace(folded, std::move(e.data));
            }
            return !missing().empty();
        });
    } catch (const w98::Error& e) {
        search.problem = std::string("无法读取安装文件包（") + e.what() + "）";
        return search;
    }
    const std::vector<std::string> left = missing();
    if (!left.empty()) {
        search.problem = cabinet + "及其后的安装文件里没有";
        for (const auto& n : left)
            search.problem += " " + n;
    }
    return search;
}

} // namespace korvane
