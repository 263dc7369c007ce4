#include "dock_panel.h"

#include <QApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QRubberBand>
#include <algorithm>

namespace korvane::ui {
namespace {

bool covers(const QWidget* w, const QPoint& global) {
    return w && w->isVisible() && QRect(w->mapToGlobal(QPoint(0, 0)), w->size()).contains(global);
}

} // namespace

DockPanel::DockPanel(QWidget* parent) : QFrame(parent), home_(parent) {
    setCursor(Qt::SizeAllCursor);
}

DockPanel::~DockPanel() {
    delete outline_;
}

void DockPanel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    dragging_ = false;
    pressGlobal_ = event->globalPosition().toPoint();
    grabOffset_ = event->position().toPoint();
    event->accept();
}

void DockPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_)
        return;
    const QPoint global = event->globalPosition().toPoint();
    if (!dragging_ && (global - pressGlobal_).manhattanLength() < QApplication::startDragDistance())
        return;
    dragging_ = true;
    if (!outline_)
        outline_ = new QRubberBand(QRubberBand::Rectangle);
    outline_->setGeometry(QRect(global - grabOffset_, size()));
    outline_->show();
    event->accept();
}

void DockPanel::mouseReleaseEvent(QMouseEvent* event) {
    const bool drop = pressed_ && dragging_ && event->button() == Qt::LeftButton;
    pressed_ = false;
    dragging_ = false;
    if (outline_)
        outline_->hide();
    if (drop) {
        const QPoint global = event->globalPosition().toPoint();
        dropAt(global - grabOffset_, global);
    }
    event->accept();
}

void DockPanel::dropAt(const QPoint& globalTopLeft, const QPoint& globalPointer) {
    if (place_ != Place::Home && covers(home_, globalPointer))
        goHome();
    else if (place_ == Place::Home && covers(home_, globalPointer))
        return;
    else if (covers(site_, globalPointer))
        dockInto(site_, globalTopLeft);
    else
        floatAt(globalTopLeft);
}

void DockPanel::goHome() {
    setParent(home_);
    if (QLayout* layout = home_->layout())
        layout->addWidget(this);
    home_->setMinimumSize(0, 0);
    place_ = Place::Home;
    show();
}

void DockPanel::dockInto(QWidget* site, const QPoint& globalTopLeft) {
    if (place_ == Place::Home)
        home_->setMinimumSize(home_->size()); // its place stays free for the way back
    setParent(site);
    QPoint at = site->mapFromGlobal(globalTopLeft);
    at.setX(std::clamp(at.x(), 0, std::max(0, site->width() - width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, site->height() - height())));
    move(at);
    place_ = Place::Docked;
    show();
    raise();
}

void DockPanel::floatAt(const QPoint& globalTopLeft) {
    if (place_ == Place::Home)
        home_->setMinimumSize(home_->size());
    const QSize keep = size();
    // A tool window of the main window: it stays in front of it and has no task-bar button.
    setParent(site_ ? site_->window() : nullptr, Qt::Tool | Qt::FramelessWindowHint);
    resize(keep);
    move(globalTopLeft);
    place_ = Place::Floating;
    show();
}

} // namespace korvane::ui
