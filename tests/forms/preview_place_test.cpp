// Where the Preview first opens beside the main window, on offscreen screens of
// given sizes: one with room to the right, one with room only below, and one
// with no room at all.
#include "app/startup.h"
#include "forms/main/main_window.h"
#include "forms/preview/preview_window.h"
#include "platform/window_beside.h"
#include "prefs/preferences.h"
#include "test_platform.h"

#include <QFile>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using namespace brivane;
using namespace brivane::test;

namespace {

QRect globalRect(const QWidget* widget) {
    return QRect(widget->mapToGlobal(QPoint()), widget->size());
}

} // namespace

class PreviewPlaceTest : public QObject {
    Q_OBJECT

private slots:
    void firstPlaceOnEachScreen_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("side");
        QTest::newRow("wide") << "wide"
                              << "right";
        QTest::newRow("tall") << "tall"
                              << "below";
        QTest::newRow("small") << "small"
                               << "over";
    }

    void firstPlaceOnEachScreen() {
        QFETCH(QString, screen);
        QFETCH(QString, side);
        QScreen* target = nullptr;
        for (QScreen* s : QGuiApplication::screens())
            if (s->name() == screen)
                target = s;
        QVERIFY2(target, "the offscreen platform did not take the screens");

        TestPlatform platform;
        PreferencesStore store;
        Preferences preferences(store);
        Tmain_window main(platform.platform, preferences);
        Tpreview_window preview(main.settingsSource(), &main, preferences);
        main.setPreviewWindow(&preview);
        main.winId();
        main.windowHandle()->setScreen(target);
        showMainWindow(main);
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.Preview1Click();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));

        const QRect available = target->availableGeometry();
        const QRect mainFrame = main.frameGeometry();
        const QRect place = preview.frameGeometry();
        const QString shown = QStringLiteral("main %1,%2 %3x%4, preview %5,%6 %7x%8")
                                  .arg(mainFrame.x())
                                  .arg(mainFrame.y())
                                  .arg(mainFrame.width())
                                  .arg(mainFrame.height())
                                  .arg(place.x())
                                  .arg(place.y())
                                  .arg(place.width())
                                  .arg(place.height());
        QVERIFY2(available.contains(place), qPrintable(shown));
        if (side == "right") {
            QVERIFY2(place.left() > mainFrame.right() && place.top() == mainFrame.top(),
                     qPrintable(shown));
        } else if (side == "below") {
            QVERIFY2(place.top() > mainFrame.bottom() && place.left() == mainFrame.left(),
                     qPrintable(shown));
        } else {
            // No room: the menu bar and the title stay in view, the preview hides
            // no more of the controls than it has to.
            const QRect menu = globalRect(main.menuBar());
            QVERIFY2(!place.intersects(menu), qPrintable(shown));
            QVERIFY2(!place.intersects(QRect(mainFrame.topLeft(), menu.bottomRight())),
                     qPrintable(shown));
            QVERIFY2(place.bottom() == available.bottom(), qPrintable(shown));
            QVERIFY2(place.left() == available.left() || place.right() == available.right(),
                     qPrintable(shown));
        }
    }

    // The order of the sides where more than one has room, and the gap that
    // is given up before the room is.
    void sidesInTheirOrder() {
        const QRect screen(0, 0, 1000, 800);
        const QRect keep(400, 300, 200, 30);
        const QSize size(300, 200);
        QCOMPARE(placeBesideRect(screen, QRect(400, 300, 200, 200), size, keep),
                 QRect(QPoint(608, 300), size));
        QCOMPARE(placeBesideRect(screen, QRect(650, 300, 200, 200), size, keep),
                 QRect(QPoint(342, 300), size));
        QCOMPARE(placeBesideRect(screen, QRect(250, 100, 600, 200), size, keep),
                 QRect(QPoint(250, 308), size));
        QCOMPARE(placeBesideRect(screen, QRect(100, 500, 800, 200), size, keep),
                 QRect(QPoint(100, 292), size));
        QCOMPARE(placeBesideRect(screen, QRect(0, 0, 700, 800), size, keep),
                 QRect(QPoint(700, 0), size));
    }
};

int main(int argc, char** argv) {
    // Three screens side by side, each its own size.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(R"({"screens": [
            {"name": "wide", "x": 0, "y": 0, "width": 1920, "height": 1080},
            {"name": "tall", "x": 1920, "y": 0, "width": 1000, "height": 1200},
            {"name": "small", "x": 2920, "y": 0, "width": 800, "height": 600}]})") < 0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
    BrivaneApplication app(argc, argv);
    PreviewPlaceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "preview_place_test.moc"
