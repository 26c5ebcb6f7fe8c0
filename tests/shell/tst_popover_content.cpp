#include "shell/app_events.h"
#include "shell/menu_bar_content_view.h"
#include "shell/menu_row.h"
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

// The popover's content against a real store and mount manager driving the fake tools.
class TestPopoverContent : public QObject {
    Q_OBJECT

    std::unique_ptr<TrayTestApp> m_app;
    std::unique_ptr<MenuBarContentView> m_view;

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
        m_view = std::make_unique<MenuBarContentView>(m_app->store(), m_app->manager());
        m_view->show();
    }
    ShareRow* row(int index) const { return m_view->shareRows().value(index); }
    MenuRow* menu(MenuBarContentView::Action action) const { return m_view->menuRow(action); }
    int calls(const char* tool) const { return m_app->rig.callCount(QLatin1StringView(tool)); }
    // Clicks a row while tool is held, so that its share stays busy until release().
    void clickHeld(QWidget* target, const char* tool)
    {
        const int before = calls(tool);
        m_app->hold(QLatin1StringView(tool));
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
    void cleanup()
    {
        m_view.reset();
        m_app.reset();
    }

    void rowStateFollowsBothSetsAndHover_data()
    {
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<QString>("heldTool"); // a click starts this tool and holds it
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<ShareState>("state");
        QTest::addColumn<bool>("primaryName");
        QTest::newRow("idle") << false << QString() << false << ShareState::Idle << false;
        QTest::newRow("idle, hovered") << false << QString() << true << ShareState::Idle << false;
        QTest::newRow("mounted") << true << QString() << false << ShareState::Mounted << true;
        QTest::newRow("mounted, hovered")
            << true << QString() << true << ShareState::Mounted << true;
        QTest::newRow("busy mounting")
            << false << u"osascript"_qs << false << ShareState::Busy << false;
        // Busy beats mounted for the icon, but the name keeps the mounted level.
        QTest::newRow("busy unmounting")
            << true << u"umount"_qs << false << ShareState::Busy << true;
    }
    void rowStateFollowsBothSetsAndHover()
    {
        QFETCH(bool, mounted);
        QFETCH(QString, heldTool);
        QFETCH(bool, hovered);
        QFETCH(ShareState, state);
        QFETCH(bool, primaryName);
        startWith({server(u"NAS"_qs, {u"Public"_qs})},
                  mounted ? QStringList{u"Public"_qs} : QStringList());
        if (!heldTool.isEmpty())
            clickHeld(row(0), qPrintable(heldTool));
        hover(row(0), hovered);
        QCOMPARE(row(0)->isHovered(), hovered);
        QCOMPARE(row(0)->state(), state);
        QCOMPARE(row(0)->isEnabled(), state != ShareState::Busy);
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
    }

    void clicksMountFromTheRowsServerAndUnmountByName()
    {
        // Two servers hold "Public"; the second is disabled and still clickable. Media is
        // mounted.
        startWith(
            {server(u"A"_qs, {u"Public"_qs, u"Media"_qs}), server(u"B"_qs, {u"Public"_qs}, false)},
            {u"Media"_qs});
        QCOMPARE(m_view->shareRows().size(), 3);
        clickHeld(row(2), "osascript");
        const QString script = QString::fromUtf8(m_app->rig.stdinOf(u"osascript"_qs, 1));
        QVERIFY2(script.contains(u"smb://b/Public"_qs), qPrintable(script));
        QCOMPARE(row(0)->state(), ShareState::Busy); // one state per share name
        m_app->release();
        QTRY_VERIFY(m_app->manager().busyShares().isEmpty());

        QTest::mouseClick(row(1), Qt::LeftButton);
        QTRY_COMPARE(calls("umount"), 1);
        QCOMPARE(m_app->rig.args(u"umount"_qs, 1).last(), m_app->rig.volumes() + u"/Media"_qs);
        QCOMPARE(calls("osascript"), 1);
    }

    void busyRowIgnoresClicksAndHover()
    {
        startWith({server(u"NAS"_qs, {u"Public"_qs, u"Media"_qs})});
        clickHeld(row(0), "osascript");
        QTest::mouseClick(row(0), Qt::LeftButton);
        row(0)->click();
        hover(row(0), true);
        QVERIFY(!row(0)->isHovered());

        // Hovered first, then busy: the highlight stays until the pointer leaves.
        hover(row(1), true);
        clickHeld(row(1), "osascript");
        QCOMPARE(row(1)->state(), ShareState::Busy);
        QVERIFY(row(1)->isHovered());
        hover(row(1), false);
        QVERIFY(!row(1)->isHovered());
        m_app->release();
        QTRY_VERIFY(m_app->manager().busyShares().isEmpty());
        QCOMPARE(calls("osascript"), 2);
    }

    void emptyListShowsTheTextAndAllActionsInTheLanguage()
    {
        startWith({});
        QCOMPARE(m_view->width(), 240);
        QVERIFY(m_view->emptyText() && m_view->emptyText()->isVisible());
        QCOMPARE(m_view->emptyText()->text(), qtTrId("menu.no_servers"));
        QVERIFY(m_view->headers().isEmpty() && m_view->shareRows().isEmpty());
        const char* keys[] = {"menu.mount_all", "menu.unmount_all", "menu.settings", "menu.quit"};
        for (int i = 0; i < 4; ++i) {
            QVERIFY(menu(MenuBarContentView::Action(i))->isVisible());
            QCOMPARE(menu(MenuBarContentView::Action(i))->text(), qtTrId(keys[i]));
        }
        Translations::install(*qApp, QLocale(QLocale::German, QLocale::Germany));
        QTRY_COMPARE(menu(MenuBarContentView::Action::Quit)->text(), u"Tarnwick beenden"_qs);
        Translations::install(*qApp, QLocale(QLocale::English));
        QTRY_COMPARE(menu(MenuBarContentView::Action::Quit)->text(), u"Quit Tarnwick"_qs);
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

        QStringList titles;
        for (SectionHeader* header : m_view->headers())
            titles.append(header->text());
        QCOMPARE(titles, (QStringList{u"Renamed"_qs, u"Empty"_qs}));
        QCOMPARE(m_view->shareRows().size(), 1);
        QCOMPARE(row(0), media); // the same row, still hovered
        QVERIFY(media->isHovered());
        QCOMPARE(media->server().displayName, u"Renamed"_qs);

        m_app->mountInTable(u"Media"_qs);
        m_app->manager().refreshMountedVolumes();
        QTRY_COMPARE(media->state(), ShareState::Mounted);
        m_app->store().setServers({});
        QVERIFY(m_view->shareRows().isEmpty() && m_view->emptyText());
    }

    void actionRowsReachTheManagerAndTheApplication()
    {
        startWith({server(u"On"_qs, {u"A"_qs}), server(u"Off"_qs, {u"B"_qs}, false)}, {u"B"_qs});
        QTest::mouseClick(menu(MenuBarContentView::Action::MountAll), Qt::LeftButton);
        QTRY_COMPARE(calls("osascript"), 1); // only the enabled server's share
        QCOMPARE(m_app->rig.args(u"ping"_qs, 1).last(), u"on"_qs);
        QTRY_VERIFY(m_app->manager().busyShares().isEmpty());

        QTest::mouseClick(menu(MenuBarContentView::Action::UnmountAll), Qt::LeftButton);
        QTRY_COMPARE(calls("umount"), 1);
        QCOMPARE(m_app->rig.args(u"umount"_qs, 1).last(), m_app->rig.volumes() + u"/B"_qs);

        QSignalSpy settingsRequests(&AppEvents::instance(), &AppEvents::openSettingsRequest);
        MenuRow* settings = menu(MenuBarContentView::Action::Settings);
        hover(settings, true); // menu rows take hover without condition
        QCOMPARE(settings->foreground(), QColor(Qt::white));
        QTest::mouseClick(settings, Qt::LeftButton);
        QCOMPARE(settingsRequests.count(), 1);
    }
};

QTEST_MAIN(TestPopoverContent)
#include "tst_popover_content.moc"
