#pragma once
// What restoring a point would change against the machine as it is now, told in Chinese, most
// important first: programs, programs that start with Windows, hardware and drivers, the
// switches and browser settings, and the start-up files the restore replaces.
#include "system_facts.h"

#include <string>
#include <vector>

namespace korvane {

// How the texts name the point: "<date> 的还原点", or "这个还原点" without a date.
std::string PointName(const std::string& date);

// live: the machine now; point: as it will be after the restore. replacedFiles: the start-up
// files the restore puts in place that differ from the live ones, in the order it copies them.
std::vector<std::string> DifferenceLines(const SystemFacts& live, const SystemFacts& point,
                                         const std::vector<std::string>& replacedFiles,
                                         const std::string& date);

// The preview of a point that the click would refuse: the message the click would show.
std::vector<std::string> RefusalLines(const std::string& message, const std::string& date);

} // namespace korvane
