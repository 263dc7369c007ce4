#pragma once
// The colours the window's design names.
#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace korvane::ui::colors {

inline QColor skyBlue() {
    return {166, 202, 240};
}
inline QColor moneyGreen() {
    return {192, 220, 192};
}
inline QColor cream() {
    return {255, 251, 240};
}
inline QColor aqua() {
    return {0, 255, 255};
}
inline QColor blue() {
    return {0, 0, 255};
}
inline QColor red() {
    return {255, 0, 0};
}
inline QColor green() {
    return {0, 128, 0};
}
inline QColor silver() {
    return {192, 192, 192};
}
inline QColor black() {
    return {0, 0, 0};
}
// The background of tooltips, as the desktop's colour scheme has it.
inline QColor tooltip() {
    return QGuiApplication::palette().color(QPalette::ToolTipBase);
}

} // namespace korvane::ui::colors
