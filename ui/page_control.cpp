#include "page_control.h"

#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>

namespace korvane::ui {
namespace {

// QTabBar draws the current tab even when its header is hidden, as a stray piece in the
// corner. With a hidden page active, draw only the visible headers, none of them selected.
class PageTabBar final : public QTabBar {
  public:
    using QTabBar::QTabBar;

  protected:
    void paintEvent(QPaintEvent* event) override {
        const int current = currentIndex();
        if (current < 0 || isTabVisible(current)) {
            QTabBar::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        for (int i = 0; i < count(); ++i) {
            if (!isTabVisible(i))
                continue;
            QStyleOptionTab option;
            initStyleOption(&option, i);
            option.state &= ~QStyle::State_Selected;
            painter.drawControl(QStyle::CE_TabBarTab, option);
        }
    }
};

} // namespace

PageControl::PageControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new PageTabBar(this));
    connect(this, &QTabWidget::currentChanged, this, &PageControl::onCurrentChanged);
}

QWidget* PageControl::addPage(const QString& objectName, const QString& caption) {
    auto* page = new QWidget;
    page->setObjectName(objectName);
    addTab(page, caption);
    return page;
}

void PageControl::HideHeader(QWidget* page) {
    const int i = indexOf(page);
    if (i < 0)
        return;
    // The tab bar moves the current tab along while headers disappear; those are not real
    // page changes.
    hiding_ = true;
    tabBar()->setTabVisible(i, false);
    hiding_ = false;
    bool anyVisible = false;
    for (int k = 0; k < count(); ++k)
        anyVisible = anyVisible || tabBar()->isTabVisible(k);
    if (!anyVisible)
        tabBar()->hide();
}

void PageControl::HideAllHeaders() {
    for (int i = 0; i < count(); ++i)
        HideHeader(widget(i));
    if (QWidget* page = currentWidget())
        page->hide();
    hasActivePage_ = false;
}

void PageControl::SelectPage(QWidget* page) {
    HideAllHeaders();
    ShowPage(page);
}

void PageControl::ShowPage(QWidget* page) {
    if (indexOf(page) < 0)
        return;
    if (page == currentWidget()) {
        if (hasActivePage_)
            return;
        hasActivePage_ = true;
        page->show();
        Q_EMIT pageShown(page);
        return;
    }
    setCurrentWidget(page);
}

void PageControl::onCurrentChanged(int index) {
    if (hiding_ || index < 0)
        return;
    hasActivePage_ = true;
    Q_EMIT pageShown(widget(index));
}

bool PageControl::isHeaderVisible(QWidget* page) const {
    const int i = indexOf(page);
    return i >= 0 && !tabBar()->isHidden() && tabBar()->isTabVisible(i);
}

} // namespace korvane::ui
