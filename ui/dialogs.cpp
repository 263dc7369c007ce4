#include "dialogs.h"

#include "picture_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
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
    box.button(QMessageBox::Ok)->setText(QString::fromUtf8("确定"));
    box.exec();
}

bool QtDialogs::confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QString::fromUtf8("是"));
    box.button(QMessageBox::No)->setText(QString::fromUtf8("否"));
    return box.exec() == QMessageBox::Yes;
}

QString QtNameFilters(const QString& filter) {
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString QtDialogs::openFile(QWidget* parent, const QString& title, const QString& filter, bool picturePreview,
                            const QString& folder) {
    QFileDialog dialog(parent, title, folder, QtNameFilters(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    // The window speaks Chinese; Qt's own dialog would label itself in English.
    dialog.setLabelText(QFileDialog::LookIn, QString::fromUtf8("查找范围："));
    dialog.setLabelText(QFileDialog::FileName, QString::fromUtf8("文件名："));
    dialog.setLabelText(QFileDialog::FileType, QString::fromUtf8("文件类型："));
    dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8("打开"));
    dialog.setLabelText(QFileDialog::Reject, QString::fromUtf8("取消"));
    if (picturePreview) {
        // The preview sits beside the file list, so the dialog must be Qt's own.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* preview = new PictureBox(&dialog);
        preview->setObjectName(QStringLiteral("PicturePreview"));
        preview->setAccessibleName(QString::fromUtf8("预览"));
        preview->setFixedSize(200, 200);
        preview->setFrameShape(QFrame::StyledPanel);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1, Qt::AlignTop);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
            if (!preview->loadFile(path))
                preview->clearPicture();
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

void ScriptedDialogs::showMessage(QWidget*, const QString& text, const QString& title, MessageIcon icon) {
    messages_.push_back({text, title, icon});
    if (whileShown)
        whileShown(messages_.back());
}

bool ScriptedDialogs::confirm(QWidget*, const QString& text) {
    confirmationTexts_.push_back(text);
    if (confirms_.empty())
        return false;
    bool yes = confirms_.front();
    confirms_.pop_front();
    return yes;
}

QString ScriptedDialogs::openFile(QWidget*, const QString& title, const QString& filter, bool picturePreview,
                                  const QString& folder) {
    fileRequests_.push_back({title, filter, picturePreview, folder});
    if (files_.empty())
        return {};
    QString f = files_.front();
    files_.pop_front();
    return f;
}

} // namespace korvane::ui
