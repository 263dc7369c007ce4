#include "dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace korvane::ui {

void QtDialogs::showMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? QApplication::applicationDisplayName() : title);
    box.setText(text);
    switch (icon) {
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::None:
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool QtDialogs::confirm(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QApplication::applicationDisplayName(), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString QtDialogs::openFile(QWidget* parent, const QString& title, const QString& filter, bool /*picturePreview*/) {
    return QFileDialog::getOpenFileName(parent, title, {}, filter);
}

void ScriptedDialogs::showMessage(QWidget*, const QString& text, const QString& title, MessageIcon icon) {
    messages_.push_back({text, title, icon});
}

bool ScriptedDialogs::confirm(QWidget*, const QString& text) {
    confirmationTexts_.push_back(text);
    if (confirms_.empty())
        return false;
    bool yes = confirms_.front();
    confirms_.pop_front();
    return yes;
}

QString ScriptedDialogs::openFile(QWidget*, const QString&, const QString&, bool) {
    if (files_.empty())
        return {};
    QString f = files_.front();
    files_.pop_front();
    return f;
}

} // namespace korvane::ui
