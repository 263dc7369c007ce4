// A grid whose column borders can be dragged, shown and then destroyed with its window: the
// watcher of the grid's viewport must not reach into the grid while it is being torn down
// (only the sanitizer build sees the difference).
#include "ui/column_sizer.h"
#include "ui/text_grid.h"

#include <QtTest>

#include <memory>

class ColumnSizerTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void aGridWithDraggableColumnsIsDestroyedCleanly() {
        for (int round = 0; round < 3; ++round) {
            auto window = std::make_unique<QWidget>();
            auto* grid = new korvane::ui::TextGrid(window.get());
            grid->setTable(korvane::TextTable(3, 2));
            new korvane::ui::ColumnSizer(grid);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), grid->viewport()->mapToGlobal(QPointF(5, 5)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(grid->viewport(), &move);
            if (round == 1)
                delete grid; // the grid alone, its window staying
            window.reset();
        }
    }
};

QTEST_MAIN(ColumnSizerTest)
#include "column_sizer_test.moc"
