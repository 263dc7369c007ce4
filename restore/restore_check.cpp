#include "restore_check.h"

#include "base/host_file.h"
#include "base/text.h"
#include "platform/cabinet.h"
#include "platform/machine.h"
#include "registry/registry_file.h"

#include <optional>

namespace korvane {
namespace {

// Windows 98's cabinets and registry files are a few megabytes; the cabinet extractor refuses
// anything bigger than this, so the check does too.
constexpr std::uint64_t kMaxSourceBytes = 64u << 20;

const char* const kNothingChanged = "系统没有作任何改动，请选择其它的还原点。";

[[noreturn]] void refuse(const std::string& problem, const char* mark) {
    throw UnusableRestorePoint(problem, mark);
}

std::string readSource(const w98::Machine& m, const std::string& path, const char* what) {
    try {
        if (!m.isFile(path))
            refuse(std::string(what) + " " + path + " 已经不在了", "无法还原：备份文件不在了");
        if (m.fileSize(path) > kMaxSourceBytes)
            refuse(std::string(what) + " " + path + " 太大，不是Windows 98的备份文件",
                   "无法还原：备份文件已损坏");
        return m.readFile(path);
    } catch (const UnusableRestorePoint&) {
        throw;
    } catch (const std::exception& e) {
        refuse(std::string(what) + " " + path + " 无法读取（" + e.what() + "）",
               "无法还原：备份文件无法读取");
    }
}

std::string userPairFile(const RestorePlan& plan) {
    return plan.point.folder + "\\user" + plan.point.extension;
}

std::optional<std::string> entryNamed(std::vector<w98::CabEntry>& entries, const char* name) {
    for (auto& e : entries)
        if (w98::equalsNoCase(e.name, name))
            return std::move(e.data);
    return std::nullopt;
}

void checkCabinet(const w98::Machine& m, CheckedRestorePoint& p, PointContents* contents) {
    const std::string& cabinet = p.plan.source;
    const std::string bytes = readSource(m, cabinet, "还原点的备份文件");
    std::vector<w98::CabEntry> entries;
    try {
        entries = w98::readCabinet(bytes, cabinet);
    } catch (const std::exception& e) {
        refuse("还原点的备份文件 " + cabinet + " 已经损坏，无法解开（" + e.what() + "）",
               "无法还原：备份文件已损坏");
    }
    auto system = entryNamed(entries, "system.dat");
    auto user = entryNamed(entries, "user.dat");
    if (!system || !user) {
        const std::string missing = !system && !user ? "system.dat 和 user.dat"
                                    : !system        ? "system.dat"
                                                     : "user.dat";
        refuse("还原点的备份文件 " + cabinet + " 里没有 " + missing + "，还原不了注册表",
               "无法还原：备份里没有注册表文件");
    }
    p.systemDat = std::move(*system);
    p.userDat = std::move(*user);
    if (contents)
        for (auto& e : entries)
            if (!w98::equalsNoCase(e.name, "system.dat") && !w98::equalsNoCase(e.name, "user.dat"))
                contents->cabinetFiles.push_back(std::move(e));
}

void checkPair(const w98::Machine& m, CheckedRestorePoint& p) {
    p.systemDat = readSource(m, p.plan.source, "还原点的文件");
    p.userDat = readSource(m, userPairFile(p.plan), "还原点的文件");
}

} // namespace

UnusableRestorePoint::UnusableRestorePoint(const std::string& problem, std::string mark)
    : w98::Error(problem + "。\n" + kNothingChanged), mark_(std::move(mark)) {}

RegistryTrees ReadRegistryTrees(const std::string& systemDat, const std::string& systemName,
                                const std::string& userDat, const std::string& userName) {
    if (systemDat.empty())
        throw w98::Error(systemName + " 是空文件");
    if (userDat.empty())
        throw w98::Error(userName + " 是空文件");
    // Each file in the form it has, as the registry would read it in the Windows folder.
    RegistryTrees trees;
    trees.system = w98::readHive(systemDat, systemName, "HKEY_LOCAL_MACHINE");
    trees.user = w98::readHive(userDat, userName, "HKEY_USERS");
    return trees;
}

CheckedRestorePoint CheckRestorePoint(const w98::Machine& m, RestorePlan plan, PointContents* contents) {
    CheckedRestorePoint p;
    p.plan = std::move(plan);
    const bool cab = p.plan.cabinet;
    if (cab)
        checkCabinet(m, p, contents);
    else
        checkPair(m, p);
    const std::string& source = p.plan.source;
    const std::string systemName = cab ? source + " 中的 system.dat" : source;
    const std::string userName = cab ? source + " 中的 user.dat" : userPairFile(p.plan);
    try {
        RegistryTrees read = ReadRegistryTrees(p.systemDat, systemName, p.userDat, userName);
        if (contents)
            contents->registry = std::move(read);
    } catch (const std::exception& e) {
        refuse(std::string("还原点中的注册表文件无法读取（") + e.what() + "）", "无法还原：注册表文件已损坏");
    }
    return p;
}

} // namespace korvane
