#pragma once
// Reinstalling Windows over itself from the setup source: the batch 98.bat that the user runs
// at the MS-DOS prompt by typing "98", its explanation, the product key, and opening the setup
// folder from within Windows.
#include <functional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

struct JobUi;
struct System;

inline constexpr const char* kNoSetupOnCd =
    "没装盘或盘里面没有安装文件setup.exe，请重新开始或另找win98盘进行或与作者联系";

std::string ReinstallBatchPath(const std::string& winDir);

// The setup command: SourcePath joined to "setup" with nothing between, then the switches for a
// reinstall over the present Windows. 98.bat runs in MS-DOS mode: the path is named by its
// short names.
std::string SetupCommand(const w98::Machine& m, const std::string& sourcePath);
// Written at every start of the program.
std::vector<std::string> ReinstallStartupLines(const w98::Machine& m, const std::string& sourcePath);
// Written by a click on the explanation: three lines, without the start-up form's empty last
// line.
std::vector<std::string> ReinstallClickLines(const w98::Machine& m, const std::string& sourcePath);

// Start-up: 98.bat in its start-up form from the registry's SourcePath.
void WriteStartupReinstallBatch(w98::Machine& m, const std::string& winDir);

// The explanation, with the CD hint when the setup files are on the CD.
std::vector<std::string> ReinstallExplanation(const std::string& caption, const std::string& sourcePath,
                                              const std::string& cdRoot);
// The click on the explanation: shows the explanation first, then writes 98.bat
// in its click form. Nothing is run.
void ExplainReinstall(w98::Machine& m, const std::string& winDir, const std::string& caption,
                      const std::function<void(const std::vector<std::string>&)>& show);

std::vector<std::string> ProductKeyLines(const std::string& caption, const std::string& productKey);

// Opens the folder setup runs from: SourcePath when it names a Windows 9x setup folder,
// otherwise, once the user says the CD is in, the CD's WIN98 folder.
void OpenSetupFolder(System& system, JobUi& ui);

} // namespace korvane
