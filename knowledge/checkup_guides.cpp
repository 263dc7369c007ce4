#include "checkup_guides.h"

namespace korvane {
namespace {

const std::vector<std::string>& expertLines() {
    static const std::vector<std::string> lines{
        checkup_text::kExpert,
        "",
        "            在电脑坏了以前你对它作了什么？还原它！  ",
        "",
        "      如安装了软件卸载它；",
        "",
        "      如动过硬件，重新检查硬件是否插好。连线是否正确；",
        "",
        "      一次，某君电脑无法进入聊天室，我问坏了以前作了何事？他说前一天装了一个新版的查毒软件，"
        "还装了一个朋友给的聊天辅助小软件。我猜是查毒软件把聊天室的程序当成了病毒拦住，"
        "也可能是那个小软件和查毒软件冲突。",
        "      我说关闭查毒软件吧，关了不行。我说：卸载它。可以上网了。"
        "然后卸载了那个刚安装的问题软件，好了。",
    };
    return lines;
}

const std::vector<std::string>& reasoning1Lines() {
    static const std::vector<std::string> lines{
        checkup_text::kReasoning1,
        "",
        "         系统环境有什么变化。 ",
        "",
        "       比如是否天气热，或长期电脑为开机受潮，或灰尘长期积累对电脑板腐蚀。",
        "",
        "       我的电脑曾在夏季开机只能进入安全模式，后来检查是因为那一段时间关机后没有拔下电源插头所致。",
    };
    return lines;
}

const std::vector<std::string>& reasoning2Lines() {
    static const std::vector<std::string> lines{
        checkup_text::kReasoning2,
        "",
        "          看电脑有什么异常现象和变化。",
        "",
        "       如电脑运行越来越慢，根据文件夹发现有大量的不明文件和硬盘剩余空间越来越小，可判断是中毒。",
        "",
        "       一次，我的电脑无法关机，仔细查看电脑，发现任务栏右下角多了一个没见过的图标，"
        "原来是前几天装的一个软件在后台一直运行。按〔Ctrl〕＋〔Alt〕＋〔Del〕结束它以后，"
        "电脑马上就能正常关机了，于是在它的设置里取消了开机自动运行。",
        "",
        "       又一次，发现IE无法脱机浏览，可原来是好的，回想起来，是前一天用一个优化软件“清理”了系统，"
        "它把IE的临时文件和脱机网页一起删掉了。在IE的〔文件〕菜单里选中〔脱机工作〕，"
        "上网时用〔工具〕－〔同步〕把要看的网页重新下载一次，就又可以脱机浏览了。",
    };
    return lines;
}

const std::vector<std::string>& silenceLines() {
    static const std::vector<std::string> lines{
        checkup_text::kSilence,
        "",
        "          判断硬件没坏，可为什么电脑不启动？",
        "如果您变动了硬件...",
        "一、主机可以点亮。",
        "1、请检查连线是否连接正确，有无插反插错，是否插牢固。",
        "2、接头处是否氧化变色，请清理灰尘，用较硬的东西轻轻刮掉氧化层。",
        "3、更换连线（数据线可以掉头试试）。",
        "二、主机不能点亮...",
        "     主板电池放电：最好跳线放电，先拔下主机的电源插头，把主板上清除CMOS的跳线"
        "（一般在电池旁边，标有CLR CMOS或CLEAR CMOS）从1-2短接改为2-3短接，等十几秒钟再改回原位，"
        "然后开机进入CMOS Setup重新设置。",
        "     如找不到跳线帽，将电池取出放电，等五分钟以上再装回去（有的主板要等更久），"
        "开机后进入CMOS Setup，选择Load Setup Defaults（载入默认设置），保存退出即可。",
    };
    return lines;
}

} // namespace

const char* GuideCaption(CheckupGuide guide) {
    return GuideLines(guide).front().c_str();
}

const std::vector<std::string>& GuideLines(CheckupGuide guide) {
    switch (guide) {
    case CheckupGuide::Expert:
        return expertLines();
    case CheckupGuide::Reasoning1:
        return reasoning1Lines();
    case CheckupGuide::Reasoning2:
        return reasoning2Lines();
    case CheckupGuide::Silence:
        break;
    }
    return silenceLines();
}

} // namespace korvane
