#pragma once
// Message and confirmation boxes and file dialogs, behind one seam so that tests can answer
// them and read what was shown.
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
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
    // A file-open dialog; an empty string when the user cancels. The filter is written as
    // "Description|*.a;*.b|Description|*.c"; the dialog opens in folder when one is given.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& filter,
                             bool picturePreview, const QString& folder = {}) = 0;
};

class QtDialogs final : public Dialogs {
  public:
    void showMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool confirm(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& title, const QString& filter, bool picturePreview,
                     const QString& folder) override;
};

// Qt's name filters for a filter written "Description|*.a;*.b|...": each description as it
// stands, then its patterns, which the dialog keeps out of sight.
QString QtNameFilters(const QString& filter);

// Answers from a script and remembers what was shown; for tests.
class ScriptedDialogs final : public Dialogs {
  public:
    struct Shown {
        QString text;
        QString title;
        MessageIcon icon;
    };
    struct FileRequest {
        QString title;
        QString filter;
        bool picturePreview;
        QString folder;
    };
    void showMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    bool confirm(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& title, const QString& filter, bool picturePreview,
                     const QString& folder) override;

    // Runs while a message is shown, before the box would be closed.
    std::function<void(const Shown&)> whileShown;

    void setNextConfirm(bool yes) { confirms_.push_back(yes); }
    void setNextFile(const QString& file) { files_.push_back(file); }
    const std::vector<Shown>& messages() const { return messages_; }
    const QStringList& confirmations() const { return confirmationTexts_; }
    const std::vector<FileRequest>& fileRequests() const { return fileRequests_; }
    void clear() {
        messages_.clear();
        confirmationTexts_.clear();
    }

  private:
    std::vector<Shown> messages_;
    QStringList confirmationTexts_;
    std::deque<bool> confirms_;
    std::deque<QString> files_;
    std::vector<FileRequest> fileRequests_;
};

} // namespace korvane::ui
