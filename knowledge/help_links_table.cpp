// The targets of the help directory. Each row's address belongs to the site its caption names.
#include "help_links.h"

#include <array>

namespace korvane {
namespace {

using enum LinkEvent;

constexpr std::array kLinks{
    // 求助》资料库
    HelpLink{"Label142", "求助》资料库", "神奇注册表", Click, "http://www.regedit.com.cn/"},
    HelpLink{"Label143", "求助》资料库", "BIOS专页", Click, "http://www.pconline.com.cn/diy/bios/"},
    HelpLink{"Label146", "求助》资料库", "InfoCD答疑室（大全）", Click, "http://www.infocd.com.cn/dayi/"},
    HelpLink{"Label147", "求助》资料库", "拯救硬盘十大功略", Click,
             "http://www.pconline.com.cn/pcedu/repair/harddisk/"},
    HelpLink{"Label148", "求助》资料库", "注册表在线恢复", Click, "http://www.zhucebiao.net/huifu/"},
    HelpLink{"Label149", "求助》资料库", "天极论坛精华电子书下载", Click, "http://ebook.yesky.com/"},
    HelpLink{"Label150", "求助》资料库", "科源电脑在线  ", Click, "http://www.keyuan.com.cn/"},
    HelpLink{"Label151", "求助》资料库", "BIOS维修网站", Click, "http://www.biosrepair.com/"},
    HelpLink{"Label152", "求助》资料库", "常见硬件故障维修", Click,
             "http://www.pconline.com.cn/pcedu/repair/hardware/"},
    HelpLink{"Label153", "求助》资料库", "洪恩在线 注册表专题", Click,
             "http://www.hongen.com/pc/winsys/regedit/"},
    HelpLink{"Label154", "求助》资料库", "冠讯在线－电脑故障栏目", Click,
             "http://www.gxonline.com.cn/pcfault/"},
    HelpLink{"Label155", "求助》资料库", "常见CPU故障处理方法", Click,
             "http://www.pconline.com.cn/diy/cpu/repair/"},
    HelpLink{"Label210", "求助》资料库", "硬件维修指南", Click, "http://www.yesky.com/hardware/repair/"},
    HelpLink{"Label211", "求助》资料库", "电脑及外设维修故障实例集", Click, "http://www.cpcw.com/repair/"},
    HelpLink{"Label212", "求助》资料库", "赛迪网电脑诊室", Click, "http://www.ccidnet.com/pcclinic/"},
    HelpLink{"Label213", "求助》资料库", "赛迪网IT罗盘首页", Click, "http://search.ccidnet.com/"},
    HelpLink{"Label214", "求助》资料库", "计算机世界网-中国IT检索", Click, "http://www.ccw.com.cn/search/"},
    // 求助》搜索
    HelpLink{"Label115", "求助》搜索", "www.google.com", Click, "http://www.google.com/"},
    HelpLink{"Label116", "求助》搜索", "www.baidu.com", Click, "http://www.baidu.com/"},
    // 求助》智囊团
    HelpLink{"Label117", "求助》智囊团", "大富翁论坛", Click, "http://www.delphibbs.com/"},
    HelpLink{"Label118", "求助》智囊团", "百度论坛", Click, "http://post.baidu.com/"},
    HelpLink{"Label119", "求助》智囊团", "新浪IT业界", Click, "http://tech.sina.com.cn/it/"},
    HelpLink{"Label120", "求助》智囊团", "IT电脑顾问专家", Click, "http://www.itexpert.com.cn/"},
    HelpLink{"Label121", "求助》智囊团", "中维网维修联盟论坛", Click, "http://bbs.zwwx.net/"},
    HelpLink{"Label122", "求助》智囊团", "eClub业界论坛（操作系统）", Click, "http://bbs.eclub.com.cn/os/"},
    HelpLink{"Label123", "求助》智囊团", "52硬件论坛", Click, "http://bbs.52hardware.com/"},
    HelpLink{"Label124", "求助》智囊团", "中国电脑维修论坛", Click, "http://bbs.pcweixiu.com/"},
    HelpLink{"Label196", "求助》智囊团", "电脑爱好者论坛", Click, "http://bbs.cfan.com.cn/"},
    HelpLink{"Label197", "求助》智囊团", "西安PC论坛", Click, "http://bbs.xapc.com.cn/"},
    HelpLink{"Label198", "求助》智囊团", "中国电脑教育报》电脑应用答疑室 ", Click,
             "http://www.cce.com.cn/dayi/"},
    HelpLink{"Label199", "求助》智囊团", "驱动之家论坛", Click, "http://bbs.mydrivers.com/"},
    HelpLink{"Label200", "求助》智囊团", "天极（电脑报）论坛首页", Click, "http://bbs.yesky.com/"},
    HelpLink{"Label201", "求助》智囊团", "ITNOW疑难解答", Click, "http://www.itnow.com.cn/faq/"},
    HelpLink{"Label204", "求助》智囊团", "深圳电脑资讯网疑难解答", Click, "http://www.szpc.com.cn/faq/"},
    // 求助》维修网站
    HelpLink{"Label125", "求助》维修网站", "中国维修网", Click, "http://www.chinawx.com/"},
    HelpLink{"Label127", "求助》维修网站", "恒达电脑：常见硬件故障维修方法", Click,
             "http://www.hengdapc.com/weixiu/"},
    HelpLink{"Label128", "求助》维修网站", "精英维修网", Click, "http://www.jingyingwx.com/"},
    HelpLink{"Label129", "求助》维修网站", "硬件维修网", Click, "http://www.yjwx.com/"},
    HelpLink{"Label130", "求助》维修网站", "颐高电脑服务中心", Click, "http://www.yigao.com/service/"},
    HelpLink{"Label131", "求助》维修网站", "goldenseaonline硬盘维修站", Click,
             "http://www.goldenseaonline.com/"},
    HelpLink{"Label132", "求助》维修网站", "专业硬盘数据恢复", Click, "http://www.datarecovery.com.cn/"},
    HelpLink{"Label207", "求助》维修网站", "专业笔记本电脑维修", Click, "http://www.notebookrepair.com.cn/"},
    HelpLink{"Label208", "求助》维修网站", "电脑检测维修中心", Click, "http://www.pcjcwx.com/"},
    // 求助》答疑信箱
    HelpLink{"Label133", "求助》答疑信箱", "电脑爱好者傻博士", Click, "mailto:shaboshi@cfan.com.cn"},
    HelpLink{"Label140", "求助》答疑信箱", "恒达电脑专家李明信箱", Click, "mailto:liming@hengdapc.com"},
    // 常见》打开方式
    HelpLink{"Label159", "常见》打开方式", "下载文件后缀名解释器", Click,
             "http://www.onlinedown.net/soft/extname.htm"},
    HelpLink{"Label160", "常见》打开方式", "搜索引擎：www.google.com", Click, "http://www.google.com/"},
    HelpLink{"Label161", "常见》打开方式", "搜索引擎：www.baidu.com", Click, "http://www.baidu.com/"},
    // 常见》驱动程序
    HelpLink{"Label165", "常见》驱动程序", "驱动程序下载网站", Click, "http://www.mydrivers.com/"},
    HelpLink{"Label167", "常见》驱动程序", "搜索引擎www.google.com", Click, "http://www.google.com/"},
    HelpLink{"Label168", "常见》驱动程序", "搜索引擎：www.baidu.com", Click, "http://www.baidu.com/"},
    HelpLink{"Label169", "常见》驱动程序", "去找驱动精灵软件", DoubleClick, "http://www.drivergenius.com/"},
    // 常见》蓝屏
    HelpLink{"Label215", "常见》蓝屏", "电脑报蓝屏专题", Click, "http://www.cpcw.com/bluescreen/"},
    // 常见》死机》防死机
    HelpLink{"Label189", "常见》死机》防死机", "电脑死机故障实例分析", Click,
             "http://www.pconline.com.cn/pcedu/repair/crash/"},
    HelpLink{"Label190", "常见》死机》防死机", "电脑死机现象原因大全", Click,
             "http://www.yesky.com/hardware/crash/"},
    HelpLink{"Label191", "常见》死机》防死机", "由现象看本质，解决电脑死机问题", Click,
             "http://www.ccidnet.com/pcclinic/crash/"},
    HelpLink{"Label193", "常见》死机》防死机", "洪恩死机专题", Click, "http://www.hongen.com/pc/crash/"},
    HelpLink{"Label194", "常见》死机》防死机", "电脑死机故障全面分析", Click, "http://www.cpcw.com/crash/"},
    // 上网
    HelpLink{"Label50", "上网》上网故障", "Modem故障专题", Click, "http://www.yesky.com/hardware/modem/"},
    HelpLink{"Label104", "上网》被改", "下载微软补丁", Click,
             "http://www.microsoft.com/china/windows/downloads/"},
    HelpLink{"Label185", "上网》大站", "去3721修复网络实名", Click, "http://help.3721.com/"},
    HelpLink{"Label186", "上网》大站", "去百度下载IE搜索伴侣", Click, "http://bar.baidu.com/"},
    HelpLink{"Label187", "上网》大站", "去腾讯下载oicq", Click, "http://im.qq.com/"},
};

} // namespace

std::span<const HelpLink> HelpLinks() {
    return kLinks;
}

} // namespace korvane
