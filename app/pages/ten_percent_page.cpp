#include "ten_percent_page.h"

#include "ui/colors.h"
#include "ui/memo.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {
namespace {

struct CategoryText {
    std::vector<const char*> labels;
    const char* share;
    QColor shareColor;
    const char* text;
};

// The first and fourth shares use the full-width percent sign.
const std::vector<CategoryText>& Categories() {
    static const std::vector<CategoryText> categories = {
        {{"初学者", "误删", "文件"},
         "80％",
         ui::colors::blue(),
         "您最可能发生的事是误删文件。请重新安装软件（当软件坏）或win98（当系统坏，请点击最上面一栏中的〔新生"
         "〕）。"
         "删掉的是自己的文档，先不要再往那个盘里存东西，打开回收站看看还在不在；回收站已清空的，"
         "可用数据恢复软件找回。重要的文件请另存一份到别的盘上。"},
        {{"老手", "安装程序", "或升级"},
         "80%",
         ui::colors::blue(),
         "其中程序本身有问题占15%，程序和其它软件或系统冲突占80%。"
         "装了新程序或升级以后出毛病，先卸载它，看故障是否消失；它要是一开机就自动运行，"
         "请点击最上面一栏中〔健体〕－〔放下包袱...〕，把它从开机自动运行的程序中清除。还不行，"
         "回到首页，点击安装以前那一天的还原点。"},
        {{"病毒"},
         "-5%",
         ui::colors::silver(),
         "一般人认为电脑坏是中毒了，但许多情况正好相反：杀毒后仍不解故障，最后发现故障是杀毒软件本身"
         "或它误删了系统文件引起的，所以病毒在这里只占负数。怀疑中毒时，请点击最上面的〔体检〕按钮判断病毒"
         "还是软硬件故障，不要急于格式化硬盘或重装系统。"},
        {{"硬件故障"},
         "0.2％",
         ui::colors::blue(),
         "除了诸如键盘、鼠标、风扇等小配件坏，此类故障率有0.2％。许多看似硬件的问题其实是接触不良、"
         "灰尘太多或连线插错，请先断电，把板卡和连线重新插好。开机时听到报警声，请到〔体检〕页查看"
         "BIOS报警声的含义；真的是硬件坏了，请找销售商或维修站保修，软件帮不上忙。"},
    };
    return categories;
}

} // namespace

TenPercentPage::TenPercentPage(const PageContext&, QWidget* sheet) {
    Paint(sheet, ui::colors::cream());

    LabelTenPercentTitle =
        MakeLabel(sheet, "LabelTenPercentTitle", "当Korvane无法修复...", ui::LabelLook::Heading);
    LabelTenPercentTitle->setTextColor(ui::colors::blue());
    LabelTenPercentTitle->setPixelSize(20);
    LabelCloseTenPercent = MakeLabel(sheet, "LabelCloseTenPercent", "关闭本页", ui::LabelLook::PlainCommand);
    LabelCloseTenPercent->setTextColor(ui::colors::red());
    LabelTenPercentMotto =
        MakeLabel(sheet, "LabelTenPercentMotto", "____从古到今，没有任何一个人或软件可以解决所有的问题",
                  ui::LabelLook::Heading);
    QFont italic = LabelTenPercentMotto->font();
    italic.setItalic(true);
    LabelTenPercentMotto->setFont(italic);

    auto* head = new QHBoxLayout;
    head->addWidget(LabelTenPercentTitle);
    head->addStretch();
    head->addWidget(LabelCloseTenPercent, 0, Qt::AlignTop);

    auto* grid = new QGridLayout;
    grid->setSpacing(8);
    for (int i = 0; i < static_cast<int>(Categories().size()); ++i)
        grid->addWidget(buildCategory(sheet, i), i / 2, i % 2);

    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addLayout(head);
    layout->addWidget(LabelTenPercentMotto);
    layout->addSpacing(6);
    layout->addLayout(grid, 1);
}

QFrame* TenPercentPage::buildCategory(QWidget* sheet, int index) {
    const CategoryText& text = Categories()[static_cast<std::size_t>(index)];
    const std::string n = std::to_string(index + 1);
    QFrame* panel = MakePanel(sheet, ("PanelTenPercent" + n).c_str(), ui::colors::tooltip());

    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    int k = 0;
    for (const char* label : text.labels) {
        const std::string name = "LabelCategory" + n + "_" + std::to_string(++k);
        names->addWidget(MakeLabel(panel, name.c_str(), label, ui::LabelLook::Heading));
    }
    auto* share = MakeLabel(panel, ("LabelShare" + n).c_str(), text.share, ui::LabelLook::Heading);
    share->setTextColor(text.shareColor);
    share->setPixelSize(26);
    names->addWidget(share);
    names->addStretch();

    ui::Memo* memo = MakeMemo(panel, ("MemoTenPercent" + n).c_str(), {Utf8(text.text)});
    memo->setFrameShape(QFrame::NoFrame);
    // Smaller than the window's text, so that each text fits its panel at the design size.
    QFont small = memo->font();
    small.setPixelSize(15);
    memo->setFont(small);
    PaintBase(memo, ui::colors::tooltip());

    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(names);
    layout->addWidget(memo, 1);

    categories.push_back({panel, share, memo});
    return panel;
}

} // namespace korvane
