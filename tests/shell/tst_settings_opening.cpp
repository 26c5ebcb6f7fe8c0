#include "shell/app_events.h"
#include "shell/popover_window.h"
#include "shell/settings_opener.h"
#include "shell/translations.h"
#include "tray_test_app.h"

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;

// Opening the settings window on a real X server with a window manager.
class TestSettingsOpening : public QObject {
    Q_OBJECT

    static bool centred(const QWidget& window)
    {
        const QPoint centre = window.screen()->availableGeometry().center();
        const QPoint actual = window.frameGeometry().center();
        return (actual - centre).manhattanLength() <= 2;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName() == u"xcb"_qs,
                 "run under tests/support/with-x11-desktop.sh");
        Translations::install(*qApp, QLocale(QLocale::English));
    }

    void requestClosesThePopoverAndBringsTheWindowForwardCentred()
    {
        TrayTestApp app;
        app.tray->start();
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        app.tray->showPopover();
        QTRY_VERIFY(app.tray->popover()->isVisible());

        SettingsOpener* opener = app.tray->settingsOpener();
        QSignalSpy raised(opener, &SettingsOpener::raised);
        Q_EMIT AppEvents::instance().openSettingsRequest();
        QVERIFY(!app.tray->popover()->isVisible());
        QWidget* window = opener->window();
        QVERIFY(window);
        QVERIFY(window->windowTitle().contains(u"settings"_qs, Qt::CaseInsensitive));
        QVERIFY(raised.wait());
        QTRY_VERIFY(window->isActiveWindow());
        QTRY_VERIFY(centred(*window));

        // The user moves it aside and works in another window; a second request brings it
        // back to the front, centred again, and it is still the one window.
        window->move(window->screen()->availableGeometry().topLeft() + QPoint(5, 5));
        QTRY_VERIFY(!centred(*window));
        QWidget other;
        other.setWindowTitle(u"Other"_qs);
        other.resize(300, 200);
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());

        Q_EMIT AppEvents::instance().openSettingsRequest();
        QVERIFY(raised.wait());
        QCOMPARE(opener->window(), window);
        QTRY_VERIFY(window->isActiveWindow());
        QTRY_VERIFY(centred(*window));

        // Closing it neither quits nor destroys it; the next request shows it again.
        window->close();
        QTRY_VERIFY(!window->isVisible());
        Q_EMIT AppEvents::instance().openSettingsRequest();
        QVERIFY(raised.wait());
        QTRY_VERIFY(window->isActiveWindow());
        QTRY_VERIFY(centred(*window));
    }
};

QTEST_MAIN(TestSettingsOpening)
#include "tst_settings_opening.moc"
