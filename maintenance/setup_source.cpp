#include "setup_source.h"

#include "base/error.h"
#include "base/text.h"
#include "dosjob/batch_file.h"
#include "platform/machine.h"
#include "sysaccess/registry_values.h"

namespace korvane {

std::string ReadSourcePath(w98::Machine& m) {
    return ReadRegStr(m, w98::kHkeyLocalMachine, kSetupKey, "SourcePath");
}

std::string ReadProductKey(w98::Machine& m) {
    return ReadRegStr(m, w98::kHkeyLocalMachine, kCurrentVersionKey, "ProductKey");
}

bool SourceIsOnCd(const std::string& sourcePath, const std::string& cdRoot) {
    return w98::containsNoCase(sourcePath, cdRoot);
}

bool SetupFileExists(const w98::Machine& m, const std::string& path) {
    try {
        return m.isFile(path);
    } catch (const w98::Error&) {
        return false;
    }
}

std::string SetupPathWord(const std::string& path) {
    try {
        return BatchPath(path);
    } catch (const w98::Error& e) {
        throw w98::Error(std::string("注册表里的Windows安装路径（SourcePath）不能写进批处理文件：") +
                         e.what());
    }
}

std::string SetupPathWord(const w98::Machine& m, const std::string& path) {
    const std::size_t cut = path.rfind('\\');
    bool folderThere = false;
    try {
        folderThere = cut != std::string::npos && m.isDirectory(path.substr(0, cut));
    } catch (const w98::Error&) {
        // Not a path of the machine ("0" without a CD-ROM drive).
    }
    if (!folderThere)
        return SetupPathWord(path);
    try {
        return DosPath(m, path);
    } catch (const w98::Error& e) {
        throw w98::Error(std::string("注册表里的Windows安装路径（SourcePath）不能写进批处理文件：") +
                         e.what());
    }
}

} // namespace korvane
