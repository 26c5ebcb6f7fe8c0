#include "shell/app_events.h"
#include "shell/menu_bar_content_view.h"
#include "shell/popover_window.h"
#include "shell/settings_opener.h"
#include "shell/share_row.h"
#include "shell/translations.h"
#include "tray_test_app.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;

// The tray icon in a real system tray (trayer on Xvfb), the popover it opens and the
// settings window, with a real window manager. With TARNWICK_SCREENSHOT_DIR set, also saves
// the screenshots shown in the README.
class TestTrayIcon : public QObject {
    Q_OBJECT

    static bool click(const QPoint& global)
    {
        return QProcess::execute(u"xdotool"_qs,
                                 {u"mousemove"_qs, QString::number(global.x()),
                                  QString::number(global.y()), u"click"_qs, u"1"_qs}) == 0;
    }
    static int distinctColours(const QImage& image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        }
        return int(colours.size());
    }
    static bool centred(const QWidget& window)
    {
        const QPoint offset =
            window.frameGeometry().center() - window.screen()->availableGeometry().center();
        return offset.manhattanLength() <= 2;
    }
    static void addSamples(TrayTestApp& app)
    {
        Server nas = Server::create(u"Office NAS"_qs, u"nas.local"_qs);
        for (const char* name : {"Documents", "Media", "Photos"})
            nas.shares.append(Share::create(QString::fromLatin1(name)));
        Server backup = Server::create(u"Backup"_qs, u"backup.local"_qs);
        backup.isEnabled = false;
        backup.shares.append(Share::create(u"TimeMachine"_qs));
        app.store().setServers({nas, backup});
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName() == u"xcb"_qs,
                 "run under tests/support/with-x11-desktop.sh --tray");
        Translations::install(*qApp, QLocale(QLocale::English));
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    }

    void iconSitsInTheTrayAndTogglesThePopover()
    {
        TrayTestApp app;
        addSamples(app);
        app.tray->start();
        QSystemTrayIcon* icon = app.tray->trayIcon();
        QTRY_VERIFY(icon->isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        // Embedded: inside trayer's panel, which sits at the top right.
        QTRY_VERIFY(!icon->geometry().isEmpty() && icon->geometry().left() > screen.width() / 2);
        const QRect iconArea = icon->geometry();
        QVERIFY(screen.contains(iconArea) && iconArea.top() < 30); // in the panel at the top

        PopoverWindow* popover = app.tray->popover();
        QVERIFY(click(iconArea.center()));
        QTRY_VERIFY(popover->isVisible());
        QCOMPARE(popover->width(), 240);
        QVERIFY(popover->geometry().top() > iconArea.bottom());
        QVERIFY(popover->geometry().left() <= iconArea.right() + 1);
        QVERIFY(popover->geometry().right() >= iconArea.left() - 1);
        QCOMPARE(popover->content()->shareRows().size(), 4);
        // Rendered: text and icons, not an empty rectangle.
        QTRY_VERIFY(distinctColours(popover->grab().toImage()) > 10);

        QVERIFY(click(iconArea.center())); // the icon again closes it
        QTRY_VERIFY(!popover->isVisible());
        QTest::qWait(400); // past the guard against the closing click reopening it
        QVERIFY(click(iconArea.center()));
        QTRY_VERIFY(popover->isVisible());
        QVERIFY(click(screen.center() + QPoint(0, 200))); // a click elsewhere closes it
        QTRY_VERIFY(!popover->isVisible());
    }

    void settingsRequestClosesThePopoverAndBringsTheWindowForwardCentred()
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
        const QPointer<QWidget> window = opener->window();
        QVERIFY(window && window->windowTitle().contains(u"settings"_qs, Qt::CaseInsensitive));
        const auto broughtForward = [&] {
            return raised.wait() && opener->window() == window &&
                   QTest::qWaitFor([&] { return window->isActiveWindow() && centred(*window); });
        };
        QVERIFY(broughtForward());

        // Moved aside and behind another window: a second request brings it back.
        window->move(window->screen()->availableGeometry().topLeft() + QPoint(5, 5));
        QTRY_VERIFY(!centred(*window));
        QWidget other;
        other.resize(300, 200);
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        Q_EMIT AppEvents::instance().openSettingsRequest();
        QVERIFY(broughtForward());
        // Closing it neither quits nor destroys it; the next request shows it again.
        window->close();
        QTRY_VERIFY(!window->isVisible());
        Q_EMIT AppEvents::instance().openSettingsRequest();
        QVERIFY(broughtForward());
    }

    void screenshots_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("file");
        QTest::newRow("English") << QLocale(QLocale::English) << u"popover-en.png"_qs;
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << u"popover-de.png"_qs;
    }

    void screenshots()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, file);
        const QString target = qEnvironmentVariable("TARNWICK_SCREENSHOT_DIR");
        if (target.isEmpty())
            QSKIP("TARNWICK_SCREENSHOT_DIR not set");
        Translations::install(*qApp, locale);
        TrayTestApp app;
        addSamples(app);
        app.mountInTable(u"Documents"_qs);
        app.hold(u"osascript"_qs); // keeps "Photos" busy until the shot is taken
        app.tray->start();
        QTRY_VERIFY(app.manager().isMounted(u"Documents"_qs));
        QTRY_VERIFY(app.tray->trayIcon()->geometry().left() > 0);
        app.tray->showPopover();
        PopoverWindow* popover = app.tray->popover();
        QTRY_VERIFY(popover->isVisible());
        QTest::mouseClick(popover->content()->shareRows().at(2), Qt::LeftButton);
        QTRY_VERIFY(app.manager().isBusy(u"Photos"_qs));
        ShareRow* media = popover->content()->shareRows().at(1);
        const QPoint pointer = media->mapToGlobal(media->rect().center());
        QProcess::execute(u"xdotool"_qs, {u"mousemove"_qs, QString::number(pointer.x()),
                                          QString::number(pointer.y())});
        QTRY_VERIFY(media->isHovered());
        QTest::qWait(300); // let the window manager and the tray repaint

        const QRect area = popover->frameGeometry()
                               .united(app.tray->trayIcon()->geometry())
                               .adjusted(-16, -4, 16, 16)
                               .intersected(QGuiApplication::primaryScreen()->geometry());
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
            0, area.x(), area.y(), area.width(), area.height());
        QVERIFY(distinctColours(shot.toImage()) > 10);
        QDir().mkpath(target);
        QVERIFY(shot.save(QDir(target).filePath(file)));
        app.tray->closePopover();
        Translations::install(*qApp, QLocale(QLocale::English));
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_tray_icon.moc"
