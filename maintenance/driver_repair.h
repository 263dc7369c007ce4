#pragma once
// Putting seven core drivers back from the setup cabinets into the system folder and its vmm32
// folder, through the batch 98bug.bat and the cabinet extractor, while Windows runs.
#include <string>
#include <vector>

namespace korvane {

struct JobUi;
struct System;

inline constexpr const char* kFirstDriver = "configmg.vxd";
inline constexpr const char* kOtherDrivers = "vcomm.vxd vdmad.vxd vdd.vxd vmouse.vxd ntkern.vxd vflatd.vxd";
inline constexpr const char* kNoDriversOnCd =
    "没装盘或盘里面没有所要的文件，请重新开始或另找win98盘进行或与作者联系";

struct DriverCabinets {
    std::string first;  // holds configmg.vxd
    std::string second; // holds the six others
};

DriverCabinets CdCabinets(const std::string& cdRoot);
// SourcePath and the cabinet name are joined with nothing between.
DriverCabinets DiskCabinets(const std::string& sourcePath);
DriverCabinets SecondPassCabinets(const std::string& sourcePath);

std::string RepairBatchPath(const std::string& winDir);
std::vector<std::string> DriverRepairLines(const std::string& winDir, const DriverCabinets& cabinets);

std::vector<std::string> DriverRepairExplanation(const std::string& caption);

// The whole repair from the setup source that SourcePath names: the CD (after the user says it
// is in) or the setup files on disk, with a second pass from win98_22.cab when the first
// cabinets do not bring the drivers. The cabinets are checked before anything is extracted,
// and the drivers after: a cabinet that is missing, damaged or without a driver, or a driver
// that could not be replaced, ends the job with an error instead of a report of success.
void RepairCoreDrivers(System& system, const std::string& winDir, JobUi& ui);

} // namespace korvane
