#include "shell/app_events.h"
#include "shell/hover_row.h"
#include "shell/menu_bar_content_view.h"
#include "shell/popover_window.h"
#include "shell/share_row.h"
#include "shell/translations.h"
#include "tray_test_app.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;

// The popover from the keyboard, on a real store and mount manager driving the fake tools.
class TestPopoverContent : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }
    void keysMoveThroughTheRowsAndSayTheirState_data()
    {
        QTest::addColumn<bool>("publicBusy");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("focused"); // the accessible name of the last focused row
        QTest::addColumn<QString>("tool");    // what the last key started
        QTest::newRow("Down Down Enter")
            << false << u"Down,Down,Return"_qs << u"Media, mounted"_qs << u"umount"_qs;
        QTest::newRow("busy row skipped")
            << true << u"Down,Return"_qs << u"Media, mounted"_qs << u"umount"_qs;
        QTest::newRow("Up Up Enter: settings")
            << false << u"Up,Up,Return"_qs << qtTrId("menu.settings") << QString();
        QTest::newRow("open button after the mounted row")
            << false << u"Down,Down,Down,Return"_qs << u"Open Media in the file manager"_qs
            << QString();
        QTest::newRow("Mount All")
            << false << u"Up,Up,Up,Up,Return"_qs << qtTrId("menu.mount_all") << u"osascript"_qs;
        QTest::newRow("Unmount All")
            << false << u"Up,Up,Up,Return"_qs << qtTrId("menu.unmount_all") << u"umount"_qs;
        QTest::newRow("Tab Escape")
            << false << u"Tab,Escape"_qs << u"Public, not mounted"_qs << QString();
    }
    void keysMoveThroughTheRowsAndSayTheirState()
    {
        QFETCH(bool, publicBusy);
        QFETCH(QString, keys);
        QFETCH(QString, focused);
        QFETCH(QString, tool);
        TrayTestApp app;
        Server nas = Server::create(u"NAS"_qs, u"nas"_qs);
        nas.shares = {Share::create(u"Public"_qs), Share::create(u"Media"_qs)};
        app.mountInTable(u"Media"_qs);
        app.store().setServers({nas});
        app.tray->start();
        QTRY_VERIFY(app.manager().isMounted(u"Media"_qs));
        app.tray->showPopover();
        PopoverWindow* popover = app.tray->popover();
        ShareRow* publicRow = popover->content()->shareRows().value(0);
        if (publicBusy) { // without a pointer: no focus moves
            app.hold(u"osascript"_qs);
            publicRow->click();
            QTRY_VERIFY(!publicRow->isEnabled());
            QCOMPARE(publicRow->accessibleName(), u"Public, busy"_qs);
        }
        QSignalSpy settings(&AppEvents::instance(), &AppEvents::openSettingsRequest);
        QSignalSpy opened(&AppEvents::instance(), &AppEvents::openLocationRequest);
        const int before = tool.isEmpty() ? 0 : app.rig.callCount(tool);
        HoverRow* last = nullptr; // the row the last key went to
        QString spoken;
        for (const QString& key : keys.split(u',')) {
            if ((last = qobject_cast<HoverRow*>(popover->focusWidget()))) {
                spoken = last->accessibleName();
                QCOMPARE(last->foreground(), QColor(Qt::white)); // highlighted
            }
            QTest::keyClick(popover->focusWidget(),
                            Qt::Key(QKeySequence::fromString(key)[0].key()));
        }
        QVERIFY(last);
        QCOMPARE(spoken, focused);
        if (!tool.isEmpty())
            QTRY_COMPARE(app.rig.callCount(tool), before + 1);
        QCOMPARE(settings.count(), focused == qtTrId("menu.settings") ? 1 : 0);
        const bool open = focused.startsWith(u"Open"_qs);
        QCOMPARE(opened.value(0).value(0).toUrl(),
                 open ? QUrl::fromLocalFile(app.rig.volumes() + u"/Media"_qs) : QUrl());
        const bool closes = keys.endsWith(u"Escape"_qs) || settings.count() == 1 || open;
        QCOMPARE(popover->isVisible(), !closes);
        if (closes) // nothing stays highlighted for the next opening
            QVERIFY(last->foreground() != QColor(Qt::white));
    }
};

QTEST_MAIN(TestPopoverContent)
#include "tst_popover_content.moc"
