#include "tool_help.h"

#include <iomanip>
#include <utility>

namespace w98 {
namespace {

// One line per stand-in, by the name w98 takes.
constexpr std::pair<const char*, const char*> kToolLines[] = {
    {"attrib", "attrib.exe：显示或更改文件的只读、存档、系统、隐藏属性（+r -r +a -a +s -s +h -h）"},
    {"boot", "机器启动：在 MS-DOS 方式下运行 C:\\AUTOEXEC.BAT，再启动 Windows；输出记入 boot.log"},
    {"command", "command.com：MS-DOS 命令解释器，/c 命令行 运行一行命令或一个批处理文件"},
    {"extract", "extract.exe：解压或列出 Microsoft 压缩包（.cab）中的文件（/y /a /d /e /l 文件夹）"},
    {"internat", "Internat.exe：输入法指示器，记入 programs.log"},
    {"regedit", "regedit.exe：导入 .reg 文件，/e 导出注册表，/c 用导出的文件重建注册表"},
    {"scanreg", "scanreg.exe：MS-DOS 下的注册表检查程序，/backup 备份注册表"},
    {"scanregw", "scanregw.exe：Windows 下的注册表检查程序，/autorun 在今天还没有备份时备份注册表"},
    {"setup", "setup.exe：Windows 安装程序，/is /iq 在原来的 Windows 上重新安装，记入 programs.log"},
    {"sfc", "sfc.exe：系统文件检查器，记入 programs.log"},
    {"smartdrv", "smartdrv.exe：磁盘缓存，只说明它要用的大小，不改变任何东西"},
    {"win", "win.com：启动 Windows，运行 HKEY_LOCAL_MACHINE 的 Run 键中 w98 认识的程序"},
};

} // namespace

void printToolHelp(std::ostream& out) {
    out << "用法：w98 程序 [参数...]\n"
           "在 WIN98_MACHINE 所指的 Windows 98 机器上运行代替该程序的替身，参数与 Windows 98 上相同。\n"
           "没有这个变量时用 $XDG_DATA_HOME/korvane/machine（通常是 ~/.local/share/korvane/machine）；\n"
           "机器可以是文件夹，也可以是虚拟机的硬盘：原始磁盘映像，VHD、VDI、VMDK、qcow2、VHDX 容器，\n"
           "或者没有挂载的旧电脑硬盘、分区（块设备）；第一个 FAT16 或 FAT32 分区就是 C 盘。\n"
           "不存在的文件夹会建成演示机器；不存在的磁盘映像或设备不会。\n"
           "程序名不分大小写，可以带扩展名，例如 w98 SCANREG.EXE /backup。\n"
           "\n"
           "替身程序：\n";
    for (const auto& [name, what] : kToolLines)
        out << "  " << std::left << std::setw(10) << name << what << "\n";
    out << "\n"
           "选项：\n"
           "  -h, --help  显示本说明\n"
           "  --demo-image 文件 [fat16|fat32]\n"
           "              建一个装有演示机器 C 盘的磁盘映像（128 MB，一个分区，默认 FAT32），\n"
           "              用 korvane --machine 文件 打开，就像打开模拟器里 Windows 98 的硬盘\n";
}

std::string unknownToolMessage(const std::string& name) {
    return "w98：没有名为“" + name + "”的替身程序；w98 --help 列出全部替身程序。";
}

std::string usageMessage() {
    return "用法：w98 程序 [参数...]；w98 --help 列出全部替身程序。";
}

} // namespace w98
