#include "browser_texts.h"

#include <stdexcept>

namespace korvane {

const std::vector<AddonInstructions>& AddonInstructionTable() {
    static const std::vector<AddonInstructions> table{
        {"Label28",
         "清除3721网络实名",
         {"临时取消：（图标）IE－（菜单栏）工具－Internet选项－高级－网络实名－取消选中：启用网络实名－（最下"
          "面）"
          "应用－确定",
          "", "永久删除：开始－设置－控制面版－添加/删除程序－3721网络实名－确定"}},
        {"Label30",
         "恢复被腾迅EXPLORER替换的IE浏览器",
         {"（图标）腾迅浏览器Explorer－（菜单）工具－Internet选项－TE选项－默认浏览器－选中：Internet "
          "Explorer－确定",
          ""}},
        {"Label29",
         "清除百度地址栏实名",
         {"临时取消：（图标）IE－（菜单栏）工具－Internet选项－高级－辅助功能－取消选中：启用搜索伴侣－（最下"
          "面）"
          "应用－确定",
          "", "永久删除：开始－设置－控制面版－添加/删除程序－百度搜索伴侣－确定", "",
          "永久删除可解决注册表启动项BIE无法删除现象"}},
        {"Label181",
         "默认腾讯浏览器打开网页",
         {"（图标）腾迅浏览器Explorer－（菜单）工具－Internet选项－TE选项－默认浏览器－选中：Tencent "
          "Explorer－确定",
          "", "如无法恢复，请重新安装oicq"}},
        {"Label182",
         "启用3721网络实名",
         {"（图标）IE－（菜单）工具－Internet选项－高级－（上面）网络实名－选中：网络实名－（最低下）应用－确"
          "定",
          "", "如仍无法搞定，一般是您安装了CNNIC通用网址控件和百度IE搜索伴侣控件以后，就可能会出现此问题。",
          "请点击下面标题，在3721的网站直接修复", ""}},
        {"Label183",
         "启用百度网络实名(IE搜索伴侣)",
         {"（图标）IE－（菜单栏）工具－Internet选项－高级－辅助功能－选中：启用搜索伴侣－（最下面）应用－确"
          "定",
          "", "如未成功：点击下面的按钮在百度重新下载安装"}},
    };
    return table;
}

const AddonInstructions& FindAddonInstructions(std::string_view control) {
    for (const AddonInstructions& a : AddonInstructionTable())
        if (control == a.control)
            return a;
    throw std::out_of_range("没有 " + std::string(control) + " 的插件说明");
}

std::vector<std::string> PatchDescription() {
    return {"            微软最新的Microsoft Windows Script 5.6", "防止IE标题被改的补丁，目前可以预防：",
            "混客绝情炸弹；会在你启动组里做手脚，使得重启以后标题依旧；",
            "禁止你的注册表，改首页，主页地址栏变灰，改右键； OE标题栏修改...",
            "内含For Win9X/NT和For Win2000两版本。"};
}

std::vector<std::string> OfflineDialHelp() {
    return {"      当你离线浏览一段时间后，IE总会弹出一个让你重新拨号连接的提示对话框，相当不便，也很讨厌。",
            "      我为此而生。"};
}

std::vector<std::string> SearchEngineHelp() {
    return {"      将自己喜欢的搜索引擎作为默认设置，既便利又快捷", "      我为此而生。"};
}

std::vector<std::string> ButtonHelpPrompt() {
    return {"           各按键的说明", "    方法：移动鼠标到按键上"};
}

std::vector<std::string> RatingExplanation() {
    return {"    分级审查－是禁用浏览黄色、暴力等网站的，",
            "    启用后，浏览器按网站的分级标记（语言、裸体、性、暴力）拦下超过许可级别的网页，",
            "    没有分级标记的网站也可能一并打不开，要看这些网页就得输入监督人密码。",
            "    设置在IE的（菜单）工具－Internet选项－内容－分级审查中，密码保存在注册表里，",
            "    忘记了密码就无法关闭分级审查。",
            "    清理分级审查密码，点击本说明即可。"};
}

} // namespace korvane
