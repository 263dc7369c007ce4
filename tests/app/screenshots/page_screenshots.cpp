// Saves a picture of every top-level page of the main window, as a user opens them, into the
// folder given as the first argument. The window runs on the machine that WIN98_MACHINE names
// (a missing folder becomes the demo machine); links and restarts are only recorded.
#include "app/main_window.h"
#include "app/startup.h"
#include "demo/demo_machine.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <tuple>

namespace {

bool save(QWidget& window, const QDir& dir, const QString& name) {
    QTest::qWait(150);
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(korvane::kAppTitle));
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }

    const auto root = w98::Machine::defaultRoot();
    w98::ensureMachine(root);
    w98::Machine machine(root);
    w98::SystemClock clock;
    korvane::test::RecordingShell shell;
    korvane::test::RecordingPower power;
    korvane::System system{machine, clock, shell, power};
    korvane::ui::ScriptedDialogs dialogs;

    korvane::TForm1 window(system, dialogs);
    // As maximised on the screen's work area.
    window.setGeometry(QApplication::primaryScreen()->availableGeometry());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    bool ok = pages != nullptr;
    for (int i = 0; ok && i < pages->count(); ++i) {
        QWidget* page = pages->widget(i);
        if (page->objectName() == QStringLiteral("TabSheet46")) {
            // This page has no header; the user reaches it by its link on the first page.
            pages->setCurrentIndex(0);
            auto* link = window.findChild<QWidget*>(QStringLiteral("LabelTenPercent"));
            ok = link != nullptr;
            if (ok)
                QTest::mouseClick(link, Qt::LeftButton);
        } else {
            pages->setCurrentIndex(i);
        }
        ok = ok && save(window, dir,
                        QStringLiteral("%1-%2").arg(i + 1, 2, 10, QLatin1Char('0')).arg(page->objectName()));
    }
    // The common-problem page shows its topic pages only once a topic is chosen.
    if (ok) {
        pages->setCurrentIndex(3);
        if (auto* topic = window.findChild<QWidget*>(QStringLiteral("LabelTopicHang")))
            QTest::mouseClick(topic, Qt::LeftButton);
        ok = save(window, dir, QStringLiteral("04-TabSheet4-topic"));
    }
    // The "健体" page shows the startup programs once they are listed.
    if (ok) {
        pages->setCurrentIndex(2);
        if (auto* list = window.findChild<QWidget*>(QStringLiteral("Label56")))
            QTest::mouseClick(list, Qt::LeftButton);
        ok = save(window, dir, QStringLiteral("03-TabSheet3-startup"));
    }
    // The explanations in the text areas of "健体" (in place of the startup grid) and "新生", and
    // the topic pages whose commands stand beside their guides.
    for (const auto& [index, label, name] :
         {std::tuple{2, "LabelCleanRegistry", "03-TabSheet3-memo7-registry"},
          std::tuple{2, "LabelRepairDrivers", "03-TabSheet3-memo7-drivers"},
          std::tuple{7, "LabelReinstallSystem", "08-TabSheet8-memo6"},
          std::tuple{3, "LabelTopicInputMethod", "04-TabSheet4-input-method"},
          std::tuple{3, "LabelTopicSystemFiles", "04-TabSheet4-system-files"}}) {
        if (!ok)
            break;
        pages->setCurrentIndex(index);
        if (auto* command = window.findChild<QWidget*>(QString::fromUtf8(label)))
            QTest::mouseClick(command, Qt::LeftButton);
        ok = save(window, dir, QString::fromUtf8(name));
    }
    // "上网" shows its sub-pages once a navigation label is clicked: the 被改 switches.
    if (ok) {
        pages->setCurrentIndex(9);
        if (auto* changed = window.findChild<QWidget*>(QStringLiteral("Label68")))
            QTest::mouseClick(changed, Qt::LeftButton);
        ok = save(window, dir, QStringLiteral("10-TabSheet19-changed"));
    }
    // The first page with the preview of the restore point under the pointer: a daily backup
    // older than the programs and the scanner the demo installed since.
    if (ok) {
        pages->setCurrentIndex(0);
        auto* grid = window.findChild<QTableView*>(QStringLiteral("StringGrid1"));
        auto* preview = window.findChild<QPlainTextEdit*>(QStringLiteral("MemoPreview"));
        ok = grid && preview;
        if (ok) {
            const QString prompt = preview->toPlainText();
            const QPoint at(grid->columnViewportPosition(1) + 10, grid->rowViewportPosition(6) + 5);
            QMouseEvent move(QEvent::MouseMove, at, grid->viewport()->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(grid->viewport(), &move);
            const bool shown = QTest::qWaitFor(
                [&] {
                    const QString text = preview->toPlainText();
                    return text != prompt && !text.contains(QString::fromUtf8("……"));
                },
                10000);
            if (!shown)
                std::fprintf(stderr, "the preview did not come\n");
            ok = shown && save(window, dir, QStringLiteral("01-TabSheet1-preview"));
        }
    }
    for (const auto& m : dialogs.messages())
        std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
    window.close();
    return ok ? 0 : 1;
}
