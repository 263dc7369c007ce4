#include "beep_codes.h"

#include "bios_id.h"

namespace korvane {

const std::vector<std::string>& AwardBeepLines() {
    static const std::vector<std::string> lines{
        "          听开机声音，判断硬件故障（限本机）》》》",
        "1短：系统正常启动。",
        "2短：常规错误。请进入CMOS Setup，重新设置不正确的选项。",
        "1长：主板电池电量不足。请更换电池。",
        "1长1短：RAM或主板出错。换一条内存试试，若还是不行，只好更换主板。",
        "1长2短：显示器或显示卡错误。",
        "1长3短：键盘控制器错误。检查主板。",
        "1长9短：主板Flash RAM或EPROM错误，BIOS损坏。换块Flash RAM试试。",
        "不断地响（长声）：内存条未插紧或损坏。重插内存条，若还是不行，只有更换一条内存。",
        "不停地响：电源、显示器未和显示卡连接好。检查一下所有的插头。",
        "重复短响：电源有问题。",
        "无声音无显示：电源可能有问题。",
    };
    return lines;
}

const std::vector<std::string>& AmiBeepLines() {
    static const std::vector<std::string> lines{
        "听开机声音，判断硬件故障（限本机）",
        "1短：内存刷新失败。更换内存条。",
        "2短：内存ECC较验错误。在CMOS Setup中将内存关于ECC校验的选项设为Disabled就可以解决，"
        "不过最根本的解决办法还是更换一条内存。",
        "3短：系统基本内存（第1个64kB）检查失败。换内存。",
        "4短：系统时钟出错。",
        "5短：中央处理器（CPU）错误。",
        "6短：键盘控制器错误。",
        "7短：系统实模式错误，不能切换到保护模式。",
        "8短：显示内存错误。显示内存有问题，更换显卡试试。",
        "9短：ROM BIOS检验和错误。",
        "1长：主板电池电量不足。请更换电池。",
        "1长3短：内存错误。内存损坏，更换即可。",
    };
    return lines;
}

std::vector<std::string> OtherMakerBeepLines(std::string_view biosIdText) {
    return {
        "听开机声音，判断硬件故障（限本机）",
        "本机bios目前没有资料...",
        "请和根据以下资料上网查询厂商或搜索",
        "",
        std::string(biosIdText),
    };
}

std::vector<std::string> BeepLinesFor(std::string_view biosIdText) {
    switch (BiosMakerOf(biosIdText)) {
    case BiosMaker::Award:
        return AwardBeepLines();
    case BiosMaker::Ami:
        return AmiBeepLines();
    case BiosMaker::Other:
        break;
    }
    return OtherMakerBeepLines(biosIdText);
}

const std::vector<std::string>& BeepDropDownItems() {
    static const std::vector<std::string> items{
        "Award BIOS 自检响铃含义",
        "1短：系统正常启动。",
        "2短：常规错误。请进入CMOS Setup，重新设置不正确的选项。",
        "1长：主板电池电量不足。请更换电池。",
        "1长1短：RAM或主板出错。换一条内存试试，若还是不行，只好更换主板。",
        "1长2短：显示器或显示卡错误。",
        "1长3短：键盘控制器错误。检查主板。",
        "1长9短：主板Flash RAM或EPROM错误，BIOS损坏。换块Flash RAM试试。",
        "长声不断：内存条未插紧或损坏。重插内存条，若还是不行，只有更换一条内存。",
        "不停地响：电源、显示器未和显示卡连接好。检查一下所有的插头。",
        "重复短响：电源有问题。",
        "黑屏：电源可能有问题。",
    };
    return items;
}

const std::vector<std::string>& AwardReferenceLines() {
    static const std::vector<std::string> lines{
        "Award BIOS 自检",        "响铃含义",
        "1短：系统正常启动。",    "2短：常规错误。请进",
        "入CMOS Setup，重新",     "设置不正确的选项。",
        "1长：主板电池电量不",    "足。请更换电池。",
        "1长1短：RAM或主板",      "出错。换一条内存试",
        "试，若还是不行，只",     "好更换主板。",
        "1长2短：显示器或显",     "示卡错误。",
        "1长3短：键盘控制器",     "错误。检查主板。",
        "1长9短：主板Flash RAM",  "或EPROM错误，BIOS",
        "损坏。换块Flash RAM",    "试试。",
        "长声不断：内存条未",     "插紧或损坏。重插内",
        "存条，若还是不行，",     "只有更换一条内存。",
        "不停地响：电源、显",     "示器未和显示卡连接",
        "好。检查一下所有的",     "插头。",
        "重复短响：电源有问题。", "黑屏：",
        "电源可能有问题。",
    };
    return lines;
}

bool KeyPressShowsAwardReference(std::string_view biosIdText) {
    return BiosMakerOf(biosIdText) == BiosMaker::Award;
}

} // namespace korvane
