#pragma once
// A panel that the user drags by its free area (the pointer shows the move cross there) and
// drops elsewhere: over the dock site it docks at the drop point, in front of the site's other
// controls; over the place it came from it goes back into it; anywhere else it floats as a
// small window of its own. An outline follows the pointer while dragging.
#include <QFrame>

class QRubberBand;

namespace korvane::ui {

class DockPanel : public QFrame {
    Q_OBJECT

  public:
    enum class Place { Home, Docked, Floating };

    // The panel's home is its parent, which holds it alone in its layout.
    explicit DockPanel(QWidget* parent);
    ~DockPanel() override;

    // The widget that accepts docking: the main window.
    void setDockSite(QWidget* site) { site_ = site; }
    Place place() const { return place_; }

    // Puts the panel where a drop at the global point puts it.
    void dropAt(const QPoint& globalTopLeft, const QPoint& globalPointer);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void goHome();
    void dockInto(QWidget* site, const QPoint& globalTopLeft);
    void floatAt(const QPoint& globalTopLeft);

    QWidget* home_;
    QWidget* site_ = nullptr;
    Place place_ = Place::Home;
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressGlobal_;
    QPoint grabOffset_;
    QRubberBand* outline_ = nullptr;
};

} // namespace korvane::ui
