#include "page_control.h"

#include <QKeyEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QWheelEvent>
#include <cstdlib>

namespace korvane::ui {
namespace {

// The step a key takes through the pages, 0 for any other key.
int pageStep(const QKeyEvent* e) {
    if (!(e->modifiers() & Qt::ControlModifier))
        return 0;
    switch (e->key()) {
    case Qt::Key_Tab:
        return e->modifiers() & Qt::ShiftModifier ? -1 : 1;
    case Qt::Key_Backtab:
        return -1;
    case Qt::Key_PageDown:
        return 1;
    case Qt::Key_PageUp:
        return -1;
    default:
        return 0;
    }
}

// QTabBar draws the current tab even when its header is hidden, as a stray piece in the
// corner. With a hidden page active, draw only the visible headers, none of them selected.
// Its own arrow keys and wheel would also step onto hidden headers: here they step over them.
// The page keys belong to the page control.
class PageTabBar final : public QTabBar {
  public:
    using QTabBar::QTabBar;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (pageStep(event) != 0) {
            event->ignore();
            return;
        }
        if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
            stepTo((event->key() == Qt::Key_Left) != isRightToLeft() ? -1 : 1);
            event->accept();
            return;
        }
        QTabBar::keyPressEvent(event);
    }

    void wheelEvent(QWheelEvent* event) override {
        const QPoint d = event->angleDelta();
        const int delta = std::abs(d.x()) > std::abs(d.y()) ? d.x() : d.y();
        if (delta != 0)
            stepTo(delta > 0 ? -1 : 1);
        event->accept();
    }

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

  private:
    // The nearest shown, enabled header in the direction given; none beyond the ends.
    void stepTo(int step) {
        for (int i = currentIndex() + step; i >= 0 && i < count(); i += step)
            if (isTabVisible(i) && isTabEnabled(i)) {
                setCurrentIndex(i);
                return;
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

void PageControl::keyPressEvent(QKeyEvent* event) {
    const int step = pageStep(event);
    if (step == 0) {
        QTabWidget::keyPressEvent(event);
        return;
    }
    bool anyShown = false;
    for (int i = 0; i < count(); ++i)
        anyShown = anyShown || isHeaderVisible(widget(i));
    if (!anyShown) {
        event->ignore();
        return;
    }
    event->accept();
    const int next = nextShownPage(step);
    if (next >= 0 && next != currentIndex())
        setCurrentIndex(next);
}

int PageControl::nextShownPage(int step) const {
    const int n = count();
    int i = currentIndex();
    for (int pass = 0; pass < n; ++pass) {
        i = ((i + step) % n + n) % n;
        if (isHeaderVisible(widget(i)) && isTabEnabled(i))
            return i;
    }
    return -1;
}

bool PageControl::isHeaderVisible(QWidget* page) const {
    const int i = indexOf(page);
    return i >= 0 && !tabBar()->isHidden() && tabBar()->isTabVisible(i);
}

} // namespace korvane::ui
