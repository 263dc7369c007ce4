#include "startup_sound.h"

#include "platform/sound.h"
#include "sysaccess/registry_values.h"

namespace korvane {
namespace {

const std::string kIndent(6, ' ');

} // namespace

std::string ReadStartupSound(w98::Machine& m) {
    return ReadRegDefault(m, w98::kHkeyCurrentUser, kUserStartSoundKey);
}

void WriteStartupSound(w98::Machine& m, const std::string& wavePath) {
    WriteRegDefault(m, w98::kHkeyCurrentUser, kUserStartSoundKey, wavePath);
    WriteRegDefault(m, w98::kHkeyUsers, kDefaultStartSoundKey, wavePath);
}

void PlaySoundAsync(w98::Machine& m, const std::string& wavePath) {
    w98::sndPlaySound(m, wavePath, w98::kSndAsync);
}

std::vector<std::string> SoundOpeningLines() {
    std::vector<std::string> lines;
    for (const char* text : {
             "想让win98一开机就响起您最喜欢的声音吗？比如您的声音：‘你好！’，或是您最喜欢人的声音。",
             "用录音机把它录为wav声音文件，然后通过上面的选择框找到它，即可。",
             "当然，您也可直接寻找或选择电脑中已有的wav文件",
             "您也可以网络下载（点击上面相关标题）",
             "如果开机无法听到，可能是录音太长",
         })
        lines.push_back(kIndent + text);
    return lines;
}

std::vector<std::string> SoundClosingLines() {
    return {"", kIndent + "已完成更改.", kIndent + "要试听，请放大喇叭，单击这里"};
}

} // namespace korvane
