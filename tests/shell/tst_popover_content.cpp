#include "log_capture.h"
#include "shell/app_events.h"
#include "shell/menu_bar_content_view.h"
#include "shell/menu_row.h"
#include "shell/popover_style.h"
#include "shell/popover_window.h"
#include "shell/section_header.h"
#include "shell/share_row.h"
#include "shell/translations.h"
#include "style/style.h"
#include "tray_test_app.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;
using Action = MenuBarContentView::Action;

// The popover's content against a real store and mount manager driving the fake tools.
class TestPopoverContent : public QObject {
    Q_OBJECT

    std::unique_ptr<TrayTestApp> m_app;
    MenuBarContentView* m_view = nullptr; // the popover's

    static Server server(const QString& name, const QStringList& shares, bool enabled = true)
    {
        Server result = Server::create(name, name.toLower());
        result.isEnabled = enabled;
        for (const QString& share : shares)
            result.shares.append(Share::create(share));
        return result;
    }
    void startWith(const QList<Server>& servers, const QStringList& mounted = {})
    {
        m_app = std::make_unique<TrayTestApp>();
        for (const QString& name : mounted)
            m_app->mountInTable(name);
        m_app->store().setServers(servers);
        m_app->tray->start();
        for (const QString& name : mounted)
            QTRY_VERIFY(m_app->manager().isMounted(name));
        m_app->tray->showPopover();
        m_view = m_app->tray->popover()->content();
    }
    ShareRow* row(int index) const { return m_view->shareRows().value(index); }
    int calls(const QString& tool) const { return m_app->rig.callCount(tool); }
    // Clicks a row while tool is held, so that its share stays busy until release().
    void clickHeld(QWidget* target, const QString& tool)
    {
        const int before = calls(tool);
        m_app->hold(tool);
        QTest::mouseClick(target, Qt::LeftButton);
        QTRY_COMPARE(calls(tool), before + 1);
    }
    static void hover(QWidget* widget, bool inside)
    {
        const QPointF centre = QRectF(widget->rect()).center();
        QEnterEvent enter(centre, widget->mapToGlobal(centre), widget->mapToGlobal(centre));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, inside ? static_cast<QEvent*>(&enter) : &leave);
    }

private Q_SLOTS:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }
    void cleanup() { m_app.reset(); }

    void rowShowsAndSaysItsStateAndTakesHoverUnlessBusy_data()
    {
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<QString>("heldTool"); // a click starts this tool and holds it
        QTest::addColumn<QString>("hover");    // the pointer enters "before" or "after" it
        QTest::addColumn<ShareState>("state");
        QTest::addColumn<bool>("primaryName");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("idle") << false << QString() << QString() << ShareState::Idle << false
                              << u"Public, not mounted"_qs;
        QTest::newRow("idle, hovered") << false << QString() << u"after"_qs << ShareState::Idle
                                       << false << u"Public, not mounted"_qs;
        QTest::newRow("mounted, hovered") << true << QString() << u"after"_qs << ShareState::Mounted
                                          << true << u"Public, mounted"_qs;
        // Busy: no new hover, clicks ignored, the icon beats mounted, the name does not.
        QTest::newRow("busy mounting, entered") << false << u"osascript"_qs << u"after"_qs
                                                << ShareState::Busy << false << u"Public, busy"_qs;
        QTest::newRow("busy unmounting, hovered before")
            << true << u"umount"_qs << u"before"_qs << ShareState::Busy << true
            << u"Public, busy"_qs;
    }
    void rowShowsAndSaysItsStateAndTakesHoverUnlessBusy()
    {
        QFETCH(bool, mounted);
        QFETCH(QString, heldTool);
        QFETCH(QString, hover);
        QFETCH(ShareState, state);
        QFETCH(bool, primaryName);
        QFETCH(QString, spoken);
        startWith({server(u"NAS"_qs, {u"Public"_qs})},
                  mounted ? QStringList{u"Public"_qs} : QStringList());
        if (hover == u"before"_qs)
            this->hover(row(0), true);
        if (!heldTool.isEmpty()) {
            clickHeld(row(0), heldTool);
            QTest::mouseClick(row(0), Qt::LeftButton);
        }
        if (hover == u"after"_qs)
            this->hover(row(0), true);
        const bool hovered =
            hover == u"before"_qs || (!hover.isEmpty() && state != ShareState::Busy);
        QCOMPARE(row(0)->isHovered(), hovered);
        QCOMPARE(row(0)->state(), state);
        QCOMPARE(row(0)->isEnabled(), state != ShareState::Busy);
        QCOMPARE(row(0)->accessibleName(), spoken);
        // White on the accent fill while hovered, the palette's text colour otherwise.
        const QColor text =
            hovered ? QColor(Qt::white)
                    : QApplication::palette().color(QPalette::Active, QPalette::WindowText);
        const QColor secondary = Style::secondary(text);
        QCOMPARE(row(0)->nameColor(), primaryName ? text : secondary);
        const QMap<ShareState, QPair<QString, QColor>> icons{
            {ShareState::Idle, {u"circle"_qs, secondary}},
            {ShareState::Mounted, {u"checkmark.circle.fill"_qs, Style::green()}},
            {ShareState::Busy, {u"arrow.triangle.2.circlepath"_qs, Style::orange()}}};
        QCOMPARE(row(0)->iconSymbol(), icons[state].first);
        QCOMPARE(row(0)->iconTint(), icons[state].second);
        m_app->release();
        QTRY_VERIFY(row(0)->state() != ShareState::Busy);
        if (!heldTool.isEmpty())
            QCOMPARE(calls(heldTool), 1); // the click while busy did nothing
    }

    void clicksMountFromTheRowsServerAndUnmountByName()
    {
        // Two servers hold "Public"; the second is disabled and still clickable. Media is
        // mounted.
        startWith(
            {server(u"A"_qs, {u"Public"_qs, u"Media"_qs}), server(u"B"_qs, {u"Public"_qs}, false)},
            {u"Media"_qs});
        clickHeld(row(2), u"osascript"_qs);
        QTRY_VERIFY(m_app->rig.stdinOf(u"osascript"_qs, 1).contains("smb://b/Public"));
        QCOMPARE(row(0)->state(), ShareState::Busy); // one state per share name
        m_app->release();
        QTRY_VERIFY(m_app->manager().busyShares().isEmpty());
        QTest::mouseClick(row(1), Qt::LeftButton);
        // The count comes before the arguments are written.
        QTRY_COMPARE(m_app->rig.args(u"umount"_qs, 1).value(0),
                     m_app->rig.volumes() + u"/Media"_qs);
    }

    void keysMoveThroughTheRowsAndAct_data()
    {
        QTest::addColumn<bool>("publicBusy");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("focused"); // the accessible name of the focused row
        QTest::addColumn<QString>("tool");    // what the last key started
        QTest::newRow("Down Down Enter")
            << false << u"Down,Down,Return"_qs << u"Media, mounted"_qs << u"umount"_qs;
        QTest::newRow("Tab Space")
            << false << u"Tab,Space"_qs << u"Public, not mounted"_qs << u"osascript"_qs;
        QTest::newRow("busy row skipped")
            << true << u"Down,Return"_qs << u"Media, mounted"_qs << u"umount"_qs;
        QTest::newRow("Up Up Enter: settings")
            << false << u"Up,Up,Return"_qs << qtTrId("menu.settings") << QString();
        QTest::newRow("Mount All")
            << false << u"Down,Down,Down,Return"_qs << qtTrId("menu.mount_all") << u"osascript"_qs;
        QTest::newRow("Unmount All")
            << false << u"Up,Up,Up,Return"_qs << qtTrId("menu.unmount_all") << u"umount"_qs;
        QTest::newRow("Escape") << false << u"Down,Escape"_qs << u"Public, not mounted"_qs
                                << QString();
    }
    void keysMoveThroughTheRowsAndAct()
    {
        QFETCH(bool, publicBusy);
        QFETCH(QString, keys);
        QFETCH(QString, focused);
        QFETCH(QString, tool);
        startWith({server(u"NAS"_qs, {u"Public"_qs, u"Media"_qs})}, {u"Media"_qs});
        if (publicBusy) { // without a pointer: no focus moves
            m_app->hold(u"osascript"_qs);
            row(0)->click();
            QTRY_VERIFY(!row(0)->isEnabled());
        }
        PopoverWindow* popover = m_app->tray->popover();
        QSignalSpy settings(&AppEvents::instance(), &AppEvents::openSettingsRequest);
        const int before = tool.isEmpty() ? 0 : calls(tool);
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
            QTRY_COMPARE(calls(tool), before + 1);
        QCOMPARE(settings.count(), focused == qtTrId("menu.settings") ? 1 : 0);
        const bool closes = keys.endsWith(u"Escape"_qs) || settings.count() == 1;
        QCOMPARE(popover->isVisible(), !closes);
        if (closes) // nothing stays highlighted for the next opening
            QVERIFY(last->foreground() != QColor(Qt::white));
        m_app->release();
    }

    void emptyListShowsTheTextAndAllActionsInTheLanguage()
    {
        startWith({});
        QCOMPARE(m_view->width(), 240);
        QVERIFY(m_view->emptyText() && m_view->emptyText()->isVisible());
        QCOMPARE(m_view->emptyText()->text(), qtTrId("menu.no_servers"));
        QVERIFY(m_view->headers().isEmpty() && m_view->shareRows().isEmpty());
        const char* keys[] = {"menu.mount_all", "menu.unmount_all", "menu.settings", "menu.quit"};
        for (int i = 0; i < 4; ++i)
            QVERIFY(m_view->menuRow(Action(i))->isVisible() &&
                    m_view->menuRow(Action(i))->text() == qtTrId(keys[i]));
        Translations::install(*qApp, QLocale(QLocale::German, QLocale::Germany));
        QTRY_COMPARE(m_view->menuRow(Action::Quit)->text(), u"Tarnwick beenden"_qs);
        Translations::install(*qApp, QLocale(QLocale::English));
        QTRY_COMPARE(m_view->menuRow(Action::Quit)->text(), u"Quit Tarnwick"_qs);
    }

    void rowsFollowTheStoreAndTheManagerWhileShown()
    {
        startWith({server(u"NAS"_qs, {u"Public"_qs, u"Media"_qs})});
        ShareRow* media = row(1);
        hover(media, true);
        Server changed = m_app->store().servers().first();
        changed.displayName = u"Renamed"_qs;
        changed.shares.removeFirst();
        m_app->store().updateServer(changed);
        m_app->store().addServer(server(u"Empty"_qs, {})); // a header without rows
        m_app->store().addServer(server(u"Late"_qs, {u"New"_qs}));
        QStringList titles;
        for (SectionHeader* header : m_view->headers())
            titles.append(header->text());
        QCOMPARE(titles, (QStringList{u"Renamed"_qs, u"Empty"_qs, u"Late"_qs}));
        QCOMPARE(m_view->shareRows().first(), media); // the same row, still hovered
        QVERIFY(media->isHovered() && media->server().displayName == u"Renamed"_qs);
        media->setFocus(Qt::TabFocusReason); // a row made later still comes before the actions
        QTest::keyClick(media, Qt::Key_Tab);
        QCOMPARE(m_app->tray->popover()->focusWidget(), row(1));
        m_app->mountInTable(u"Media"_qs);
        m_app->manager().refreshMountedVolumes();
        QTRY_COMPARE(media->accessibleName(), u"Media, mounted"_qs);
        m_app->store().setServers({});
        QVERIFY(m_view->shareRows().isEmpty() && m_view->emptyText());
    }
};

QTEST_MAIN(TestPopoverContent)
#include "tst_popover_content.moc"
