#include "demo_setup_source.h"

#include "base/dos_attributes.h"
#include "platform/cabinet.h"
#include "platform/machine.h"

#include <map>
#include <string>
#include <vector>

namespace w98 {
namespace {

// Files of Windows 98 Second Edition carry its build time.
constexpr DateTime kBuildTime{1999, 4, 23, 22, 22, 0};

// A virtual device driver file: MZ stub, then the linear-executable header naming the driver.
std::string driverBytes(const std::string& name) {
    std::string bytes = "MZ";
    bytes += std::string(58, '\0');
    bytes += std::string("\x80\x00\x00\x00", 4); // where the LE header starts
    bytes += std::string(64, '\0');
    bytes += "LE";
    bytes += std::string(14, '\0');
    bytes += "Windows 98 virtual device " + name + " 4.10.2222\r\n";
    bytes += std::string(256, static_cast<char>(name.size()));
    return bytes;
}

std::string cabinetOf(const std::vector<std::string>& names) {
    std::vector<CabEntry> entries;
    for (const auto& name : names) {
        CabEntry e;
        e.name = name;
        e.data = driverBytes(name);
        e.attributes = attr::kArchive;
        e.time = kBuildTime;
        entries.push_back(std::move(e));
    }
    return buildCabinet(entries);
}

} // namespace

void seedSetupSource(Machine& m) {
    const std::vector<std::string> rest = {"VCOMM.VXD",  "VDMAD.VXD",  "VDD.VXD",
                                           "VMOUSE.VXD", "NTKERN.VXD", "VFLATD.VXD"};
    std::vector<std::string> all = {"CONFIGMG.VXD"};
    all.insert(all.end(), rest.begin(), rest.end());
    std::vector<std::string> second = rest, whole = all;
    second.insert(second.end(), {"VWIN32.VXD", "VXDLDR.VXD"});
    whole.push_back("VMM.VXD");

    const std::map<std::string, std::string> cabinets = {
        {"WIN98_22.CAB", cabinetOf(whole)},
        {"WIN98_47.CAB", cabinetOf({"CONFIGMG.VXD", "IFSMGR.VXD", "IOS.VXD"})},
        {"WIN98_48.CAB", cabinetOf(second)},
    };

    // The copy setup leaves on the disk, and the CD, whose files are read-only.
    const std::string disk = "C:\\WINDOWS\\OPTIONS\\CABS", cd = "D:\\WIN98";
    m.createDirectories(disk);
    m.createDirectories(cd);
    for (const auto& [name, bytes] : cabinets) {
        m.writeFile(disk + "\\" + name, bytes);
        m.writeFile(cd + "\\" + name, bytes, attr::kReadOnly);
    }
    std::string setup = "MZ";
    setup += std::string(62, '\0');
    setup += "Windows 98 program SETUP.EXE (run by the w98 stand-in)\r\n";
    m.writeFile(cd + "\\SETUP.EXE", setup, attr::kReadOnly);

    const std::string startup = "C:\\WINDOWS\\Start Menu\\Programs\\启动";
    if (!m.isDirectory(startup))
        m.createDirectories(startup);
}

} // namespace w98
