#pragma once
// A page control: tab pages whose headers can be hidden for good. Navigation commands switch
// pages with SelectPage; each page reports when it becomes the active page.
#include <QTabWidget>

namespace korvane::ui {

class PageControl : public QTabWidget {
    Q_OBJECT

  public:
    explicit PageControl(QWidget* parent = nullptr);

    // Adds a page with its caption; the page takes the object name given.
    QWidget* addPage(const QString& objectName, const QString& caption);

    // Hides the header of every page, then makes the page the active one. Nothing shows a
    // header again.
    void SelectPage(QWidget* page);
    // Hides the header of every page; with no header left there is no active page and the
    // content area stays empty until a page is selected.
    void HideAllHeaders();
    // Hides one header; the page can still be made active.
    void HideHeader(QWidget* page);
    // Makes the page active and leaves the headers as they are.
    void ShowPage(QWidget* page);

    // The page whose content shows; none after HideAllHeaders.
    QWidget* activePage() const { return hasActivePage_ ? currentWidget() : nullptr; }
    bool isHeaderVisible(QWidget* page) const;

  Q_SIGNALS:
    // The page has become the active page, whoever made it so.
    void pageShown(QWidget* page);

  protected:
    // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp go to the next or previous page
    // whose header shows, as a click could; a page with a hidden header is never reached. With
    // no header showing, the keys are left to the page control around this one.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void onCurrentChanged(int index);
    // The next page in the direction given (1 or -1) whose header shows, from the current
    // page on and round; -1 when there is none.
    int nextShownPage(int step) const;

    bool hasActivePage_ = true;
    bool hiding_ = false;
};

} // namespace korvane::ui
