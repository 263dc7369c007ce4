#pragma once
#include <string>

// A SYSTEM.DAT's content for benchmarks, as REGEDIT4 text: 30,000 keys with five values each,
// about 250 bytes of data a key as a real SYSTEM.DAT has; two keys hold 6,000 subkeys each.
inline std::string bigHiveText() {
    std::string text = "REGEDIT4\r\n\r\n";
    const std::string padding(150, 'x');
    auto key = [&](const std::string& path, int i) {
        text += "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n";
        text += "\"Path\"=\"C:\\\\WINDOWS\\\\SYSTEM\\\\C" + std::to_string(i) + ".VXD\"\r\n";
        text += "\"Flag\"=dword:" + std::to_string(10000000 + i) + "\r\n";
        text += "\"Data\"=hex:01,02,03,04,05,06,07,08\r\n";
        text += "\"Description\"=\"" + padding.substr(0, static_cast<std::size_t>(50 + i % 100)) + "\"\r\n";
        text += "\"DriverDesc\"=\"Standard device " + std::to_string(i) + "\"\r\n\r\n";
    };
    int n = 0;
    for (int i = 0; i < 6000; ++i)
        key("Software\\Classes\\CLSID\\{" + std::to_string(1000000 + i) + "}", n++);
    for (int i = 0; i < 6000; ++i)
        key("System\\CurrentControlSet\\Services\\Class\\Item" + std::to_string(i), n++);
    for (int i = 0; i < 18000; ++i)
        key("Software\\Vendor" + std::to_string(i / 100) + "\\P" + std::to_string(i % 100), n++);
    return text;
}
