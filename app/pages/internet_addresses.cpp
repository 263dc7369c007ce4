// The 上网隐私 sub-page: the browser's typed addresses, shown on demand and deleted by a click.
#include "internet_page.h"

#include "event_hook.h"

#include "sysaccess/system.h"
#include "ui/colors.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace korvane {

void InternetPage::buildAddressPage() {
    QWidget* page = TabSheet18;
    Label53 = MakeLabel(page, "Label53", "清理地址栏列表（点击下表某项即可删除）");
    ListBox6 = new QListWidget(page);
    ListBox6->setObjectName(QStringLiteral("ListBox6"));
    ListBox6->setAccessibleName(Utf8("地址栏列表"));
    ListBox6->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox6->viewport()->setCursor(Qt::CrossCursor);
    ListBox6->setToolTip(Utf8("点击删除相应地址"));
    ListBox6->setFixedSize(480, 220);
    PaintBase(ListBox6, ui::colors::moneyGreen());
    ListBox6->hide();

    QVBoxLayout* layout = column(page, makeCrumb(page, "LabelCrumb18", "当前：上网》隐私"));
    layout->addWidget(Label53, 0, Qt::AlignLeft);
    layout->addWidget(ListBox6, 0, Qt::AlignLeft);
    layout->addWidget(MakeLabel(page, "LabelClearHistory", "清理浏览记录"), 0, Qt::AlignLeft);
    layout->addStretch();

    Bind(ctx_, Label53, &ui::CommandLabel::clicked, [this] { Label53Click(); });
    Bind(ctx_, ListBox6, &QListWidget::itemClicked, [this] { ListBox6Click(); });
    // The second press of a double click would land on the address that moved up into the
    // place of the one just deleted, and delete it unseen.
    HookEvent(ListBox6->viewport(), QEvent::MouseButtonDblClick, [](QEvent*) { return true; });
}

void InternetPage::Label53Click() {
    if (!ListBox6->isHidden()) {
        ListBox6->hide();
        return;
    }
    ListBox6->show();
    ListBox6->clear();
    typedAddresses_.Reload(ctx_.system.machine, [this](const std::string& address) {
        ListBox6->addItem(QString::fromStdString(address));
    });
}

// No question: every click on an address deletes it at once.
void InternetPage::ListBox6Click() {
    const int i = ListBox6->currentRow();
    if (i < 0)
        return;
    typedAddresses_.RemoveAt(ctx_.system.machine, static_cast<std::size_t>(i));
    delete ListBox6->takeItem(i);
}

} // namespace korvane
