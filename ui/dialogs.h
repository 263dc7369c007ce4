#pragma once
// Message and confirmation boxes and file dialogs, behind one seam so that tests can answer
// them and read what was shown.
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class QWidget;

namespace korvane::ui {

enum class MessageIcon { None, Information, Warning, Error };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box with one OK button; returns when the user closes it.
    virtual void showMessage(QWidget* parent, const QString& text, const QString& title = {},
                             MessageIcon icon = MessageIcon::None) = 0;
    // A confirmation with the buttons Yes and No; true for Yes.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // A file-open dialog; an empty string when the user cancels.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& filter, bool picturePreview) = 0;
};

class QtDialogs final : public Dialogs {
public:
    void showMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool confirm(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& title, const QString& filter, bool picturePreview) override;
};

// Answers from a script and remembers what was shown; for tests.
class ScriptedDialogs final : public Dialogs {
public:
    struct Shown {
        QString text;
        QString title;
        MessageIcon icon;
    };
    void showMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool confirm(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& title, const QString& filter, bool picturePreview) override;

    void setNextConfirm(bool yes) { confirms_.push_back(yes); }
    void setNextFile(const QString& file) { files_.push_back(file); }
    const std::vector<Shown>& messages() const { return messages_; }
    const QStringList& confirmations() const { return confirmationTexts_; }
    void clear() { messages_.clear(); confirmationTexts_.clear(); }

private:
    std::vector<Shown> messages_;
    QStringList confirmationTexts_;
    std::deque<bool> confirms_;
    std::deque<QString> files_;
};

} // namespace korvane::ui
