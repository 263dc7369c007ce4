#include "help_texts.h"

namespace korvane {

const std::vector<std::string>& SearchAdviceLines() {
    static const std::vector<std::string> lines{
        "      推荐使用以上俩个搜索引擎，它们收录的中文网页最多，电脑出了问题，",
        "把关键词输进去，多半能找到别人的解答。",
        "      关键词要短而准，几个词之间用空格隔开。",
        "      比如收到的电子邮件是乱码，就搜索：〔电子邮件 乱码〕，",
        "比输入一整句话找到的要准得多。",
        "      出错对话框里的文字（错误代码、文件名）是最好的关键词。",
        "      一次找不到，换个说法再搜；加上〔win98〕可以少看其它系统的资料。",
        "      打开找到的网页后，按〔Ctrl〕＋〔F〕可以在网页里查找关键词。",
        "      网上的办法动手前先看清楚，改注册表以前先备份。",
    };
    return lines;
}

const std::vector<std::string>& ForumAdviceLines() {
    static const std::vector<std::string> lines{
        "      论坛是电脑高手和爱好者、发烧友聚集的地方，去上面推荐的论坛提问，往往很快就有热心人解答。",
        "      多数论坛要先注册（免费）才能发贴，注册时记下自己的用户名和密码。",
        "      提问以前，先用论坛的搜索功能找一找，你的问题很可能已经有人问过并且解决了。",
        "      提问时标题写清楚故障现象，内容写明电脑配置、系统版本、出错提示的原文和已经试过的办法，"
        "别人才好帮你。",
        "      问题解决以后，回个贴说说是怎样解决的，方便后来的人。",
    };
    return lines;
}

const std::vector<std::string>& TechnicianAdviceLines() {
    static const std::vector<std::string> lines{
        "                 技术人员",
        "",
        "      "
        "电脑公司、电脑城里的技术人员天天和电脑故障打交道，遇到自己解决不了的问题，不妨打个电话问问他们。",
        "      不论电脑是不是在他们那里买的，是不是还在保修期内，一般他们都会热心回答，"
        "很多故障在电话里就能解决。",
        "      电话号码可以在报纸上的电脑广告里找，也可以打查号台（114）查询，或在网上搜索本地的电脑公司。",
        "      打电话以前，把故障现象、出错提示和电脑配置写在纸上，说得清楚，对方才好判断。",
    };
    return lines;
}

const std::vector<std::string>& WebPictureAdviceLines() {
    static const std::vector<std::string> lines{
        "      好看的墙纸网上很多：在〔搜索引擎〕页打开搜索引擎，搜索〔墙纸 800x600〕"
        "（换成您屏幕的分辨率），就能找到许多墙纸网站。",
        "      在喜欢的图片上点右键－图片另存为，存到一个固定的文件夹里，比如C:\\My Documents\\墙纸。",
        "      然后回到〔艺术〕页，把它们加入墙纸列表，每次开机就换一张。",
        "      bmp和jpg图片都可以用，jpg图片小，下载快。",
    };
    return lines;
}

const std::vector<std::string>& WebSoundAdviceLines() {
    static const std::vector<std::string> lines{
        "      开机声音要用wav格式的声音文件：在〔搜索引擎〕页打开搜索引擎，搜索〔开机声音 wav〕，"
        "就能找到许多声音下载网站。",
        "      下载的文件如是zip压缩包，先解压出其中的wav文件，存到一个固定的文件夹里。",
        "      然后回到〔艺术〕页，点击〔最酷的开机声音...〕选中它，下次开机就能听到了。",
        "      开机声音不要太长，几秒钟最好，太长会拖慢开机。",
    };
    return lines;
}

} // namespace korvane
