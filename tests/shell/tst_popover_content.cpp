#include "shell/app_events.h"
#include "shell/menu_bar_content_view.h"
#include "shell/menu_row.h"
#include "shell/popover_style.h"
#include "shell/section_header.h"
#include "shell/share_row.h"
#include "shell/translations.h"
#include "shell_test_engine.h"

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

    std::unique_ptr<ShellTestEngine> m_engine;
    std::unique_ptr<MenuBarContentView> m_view;

    ShareStore& store() { return *m_engine->store; }
    MountManager& manager() { return *m_engine->manager; }
    FakeToolRig& rig() { return m_engine->rig; }

    static Server server(const QString& name, const QString& host, const QStringList& shares,
                         bool enabled = true)
    {
        Server result = Server::create(name, host);
        result.isEnabled = enabled;
        for (const QString& share : shares)
            result.shares.append(Share::create(share));
        return result;
    }

    void startWith(const QList<Server>& servers, const QStringList& mounted = {})
    {
        for (const QString& name : mounted)
            m_engine->mountInTable(name);
        store().setServers(servers);
        m_engine->startManager();
        for (const QString& name : mounted)
            QTRY_VERIFY(manager().isMounted(name));
        m_view = std::make_unique<MenuBarContentView>(store(), manager());
        m_view->show();
    }

    ShareRow* row(int index) const
    {
        const QList<ShareRow*> rows = m_view->shareRows();
        return index < rows.size() ? rows.at(index) : nullptr;
    }

    static void hover(QWidget* widget, bool inside)
    {
        if (inside) {
            const QPointF centre = QRectF(widget->rect()).center();
            QEnterEvent enter(centre, widget->mapToGlobal(centre), widget->mapToGlobal(centre));
            QApplication::sendEvent(widget, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(widget, &leave);
        }
    }

    QString osascriptScript(int call) const
    {
        return QString::fromUtf8(m_engine->rig.stdinOf(QStringLiteral("osascript"), call));
    }

private Q_SLOTS:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void init() { m_engine = std::make_unique<ShellTestEngine>(); }

    void cleanup()
    {
        m_view.reset();
        m_engine.reset();
    }

    void rowStateFollowsBothSets_data()
    {
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<QString>("heldTool"); // a click starts this tool and holds it
        QTest::addColumn<ShareState>("state");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QColor>("tint");
        QTest::addColumn<bool>("primaryName");

        const QColor secondary = PopoverStyle::secondary(
            QApplication::palette().color(QPalette::Active, QPalette::WindowText));
        QTest::newRow("idle") << false << QString() << ShareState::Idle << u"circle"_qs << secondary
                              << false;
        QTest::newRow("mounted") << true << QString() << ShareState::Mounted
                                 << u"checkmark.circle.fill"_qs << PopoverStyle::green() << true;
        QTest::newRow("busy mounting")
            << false << u"osascript"_qs << ShareState::Busy << u"arrow.triangle.2.circlepath"_qs
            << PopoverStyle::orange() << false;
        // Busy beats mounted for the icon, but the name keeps the mounted level.
        QTest::newRow("busy unmounting")
            << true << u"umount"_qs << ShareState::Busy << u"arrow.triangle.2.circlepath"_qs
            << PopoverStyle::orange() << true;
    }

    void rowStateFollowsBothSets()
    {
        QFETCH(bool, mounted);
        QFETCH(QString, heldTool);
        QFETCH(ShareState, state);
        QFETCH(QString, symbol);
        QFETCH(QColor, tint);
        QFETCH(bool, primaryName);

        startWith({server(u"NAS"_qs, u"nas.local"_qs, {u"Public"_qs})},
                  mounted ? QStringList{u"Public"_qs} : QStringList{});
        ShareRow* shareRow = row(0);
        QVERIFY(shareRow);
        if (!heldTool.isEmpty()) {
            m_engine->hold(heldTool);
            QTest::mouseClick(shareRow, Qt::LeftButton);
            QTRY_COMPARE(rig().callCount(heldTool), 1);
        }
        QCOMPARE(shareRow->state(), state);
        QCOMPARE(shareRow->iconSymbol(), symbol);
        QCOMPARE(shareRow->iconTint(), tint);
        const QColor text = QApplication::palette().color(QPalette::Active, QPalette::WindowText);
        QCOMPARE(shareRow->nameColor(), primaryName ? text : PopoverStyle::secondary(text));
        QCOMPARE(shareRow->isEnabled(), state != ShareState::Busy);

        m_engine->release();
        if (!heldTool.isEmpty())
            QTRY_VERIFY(shareRow->state() != ShareState::Busy);
    }

    void clickMountsFromTheRowsServerOrUnmountsByName()
    {
        // Two servers share the name "Public"; "Media" is mounted; server B is disabled.
        startWith({server(u"A"_qs, u"host-a"_qs, {u"Public"_qs, u"Media"_qs}),
                   server(u"B"_qs, u"host-b"_qs, {u"Public"_qs}, false)},
                  {u"Media"_qs});
        QCOMPARE(m_view->shareRows().size(), 3);
        ShareRow* publicOfB = row(2);
        QCOMPARE(publicOfB->server().host, u"host-b"_qs);

        QTest::mouseClick(publicOfB, Qt::LeftButton);
        QTRY_COMPARE(rig().callCount(u"osascript"_qs), 1);
        QVERIFY2(osascriptScript(1).contains(u"smb://host-b/Public"_qs),
                 qPrintable(osascriptScript(1)));
        QTRY_VERIFY(!manager().isBusy(u"Public"_qs));

        QTest::mouseClick(row(1), Qt::LeftButton); // Media, mounted
        QTRY_COMPARE(rig().callCount(u"umount"_qs), 1);
        QCOMPARE(rig().args(u"umount"_qs, 1).last(), rig().volumes() + u"/Media"_qs);
        QCOMPARE(rig().callCount(u"osascript"_qs), 1);
    }

    void rowsOfOneShareNameShowOneState()
    {
        startWith({server(u"A"_qs, u"host-a"_qs, {u"Public"_qs}),
                   server(u"B"_qs, u"host-b"_qs, {u"Public"_qs})},
                  {u"Public"_qs});
        QCOMPARE(row(0)->state(), ShareState::Mounted);
        QCOMPARE(row(1)->state(), ShareState::Mounted);

        m_engine->hold(u"umount"_qs);
        QTest::mouseClick(row(1), Qt::LeftButton);
        QTRY_COMPARE(rig().callCount(u"umount"_qs), 1);
        QCOMPARE(row(0)->state(), ShareState::Busy);
        QCOMPARE(row(1)->state(), ShareState::Busy);
        m_engine->release();
        QTRY_COMPARE(row(0)->state(), ShareState::Idle);
        QCOMPARE(row(1)->state(), ShareState::Idle);
    }

    void busyRowIgnoresClicksAndHover()
    {
        startWith({server(u"NAS"_qs, u"nas"_qs, {u"Public"_qs, u"Media"_qs})});
        m_engine->hold(u"osascript"_qs);
        QTest::mouseClick(row(0), Qt::LeftButton);
        QTRY_COMPARE(rig().callCount(u"osascript"_qs), 1);
        QCOMPARE(row(0)->state(), ShareState::Busy);

        QTest::mouseClick(row(0), Qt::LeftButton);
        row(0)->click();
        hover(row(0), true);
        QVERIFY(!row(0)->isHovered());

        // Hovered first, then busy: the highlight stays until the pointer leaves.
        hover(row(1), true);
        QVERIFY(row(1)->isHovered());
        QTest::mouseClick(row(1), Qt::LeftButton);
        QTRY_COMPARE(rig().callCount(u"osascript"_qs), 2);
        QCOMPARE(row(1)->state(), ShareState::Busy);
        QVERIFY(row(1)->isHovered());
        hover(row(1), false);
        QVERIFY(!row(1)->isHovered());

        m_engine->release();
        QTRY_VERIFY(manager().busyShares().isEmpty());
        QCOMPARE(rig().callCount(u"osascript"_qs), 2);
    }

    void hoverTurnsTheForegroundWhite()
    {
        startWith({server(u"NAS"_qs, u"nas"_qs, {u"Mounted"_qs, u"Idle"_qs})}, {u"Mounted"_qs});
        const QColor white(Qt::white);
        hover(row(0), true);
        hover(row(1), true);
        QCOMPARE(row(0)->nameColor(), white);
        QCOMPARE(row(1)->nameColor(), PopoverStyle::secondary(white));
        QCOMPARE(row(1)->iconTint(), PopoverStyle::secondary(white));
        QCOMPARE(row(0)->iconTint(), PopoverStyle::green());

        MenuRow* quit = m_view->menuRow(MenuBarContentView::Action::Quit);
        hover(quit, true);
        QVERIFY(quit->isHovered());
        QCOMPARE(quit->foreground(), white);
        hover(quit, false);
        QVERIFY(!quit->isHovered());
    }

    void emptyListShowsTheTextAndAllActions()
    {
        startWith({});
        QVERIFY(m_view->emptyText());
        QCOMPARE(m_view->emptyText()->text(), qtTrId("menu.no_servers"));
        QVERIFY(m_view->emptyText()->isVisible());
        QVERIFY(m_view->headers().isEmpty());
        QVERIFY(m_view->shareRows().isEmpty());
        const QStringList titles{qtTrId("menu.mount_all"), qtTrId("menu.unmount_all"),
                                 qtTrId("menu.settings"), qtTrId("menu.quit")};
        for (int i = 0; i < titles.size(); ++i) {
            MenuRow* action = m_view->menuRow(MenuBarContentView::Action(i));
            QVERIFY(action);
            QCOMPARE(action->text(), titles.at(i));
            QVERIFY(action->isVisible());
        }
        QCOMPARE(m_view->width(), PopoverStyle::width);
    }

    void serverWithoutSharesShowsOnlyItsHeader()
    {
        startWith({server(u"Empty"_qs, u"e"_qs, {}), server(u"Full"_qs, u"f"_qs, {u"S"_qs})});
        QStringList titles;
        for (SectionHeader* header : m_view->headers())
            titles.append(header->text());
        QCOMPARE(titles, (QStringList{u"Empty"_qs, u"Full"_qs}));
        QCOMPARE(m_view->shareRows().size(), 1);
        QVERIFY(!m_view->emptyText());
    }

    void rowsFollowTheStoreWhileShown()
    {
        startWith({server(u"NAS"_qs, u"nas"_qs, {u"Public"_qs, u"Media"_qs})});
        ShareRow* media = row(1);
        hover(media, true);

        Server changed = store().servers().first();
        changed.displayName = u"Renamed"_qs;
        changed.shares.removeFirst();
        store().updateServer(changed);
        store().addServer(server(u"Second"_qs, u"two"_qs, {u"Photos"_qs}));

        QCOMPARE(m_view->headers().size(), 2);
        QCOMPARE(m_view->headers().first()->text(), u"Renamed"_qs);
        QCOMPARE(m_view->shareRows().size(), 2);
        QCOMPARE(row(0), media); // the same row, still under the pointer
        QVERIFY(media->isHovered());
        QCOMPARE(row(0)->server().displayName, u"Renamed"_qs);
        QCOMPARE(row(1)->share().name, u"Photos"_qs);

        store().setServers({});
        QVERIFY(m_view->shareRows().isEmpty());
        QVERIFY(m_view->emptyText());
    }

    void rowsFollowTheManagerWhileShown()
    {
        startWith({server(u"NAS"_qs, u"nas"_qs, {u"Public"_qs})});
        QCOMPARE(row(0)->state(), ShareState::Idle);
        m_engine->mountInTable(u"Public"_qs);
        manager().refreshMountedVolumes();
        QTRY_COMPARE(row(0)->state(), ShareState::Mounted);
    }

    void actionRowsReachTheManagerAndTheApplication()
    {
        startWith(
            {server(u"On"_qs, u"on"_qs, {u"A"_qs}), server(u"Off"_qs, u"off"_qs, {u"B"_qs}, false)},
            {u"B"_qs});

        QTest::mouseClick(m_view->menuRow(MenuBarContentView::Action::MountAll), Qt::LeftButton);
        QTRY_COMPARE(rig().callCount(u"osascript"_qs), 1); // only the enabled server's share
        QCOMPARE(rig().args(u"ping"_qs, 1).last(), u"on"_qs);
        QTRY_VERIFY(manager().busyShares().isEmpty());

        QTest::mouseClick(m_view->menuRow(MenuBarContentView::Action::UnmountAll), Qt::LeftButton);
        QTRY_COMPARE(rig().callCount(u"umount"_qs), 1);
        QCOMPARE(rig().args(u"umount"_qs, 1).last(), rig().volumes() + u"/B"_qs);

        QSignalSpy settingsRequests(&AppEvents::instance(), &AppEvents::openSettingsRequest);
        QTest::mouseClick(m_view->menuRow(MenuBarContentView::Action::Settings), Qt::LeftButton);
        QCOMPARE(settingsRequests.count(), 1);
    }

    void actionTextsFollowTheLanguage()
    {
        startWith({});
        Translations::install(*qApp, QLocale(QLocale::German, QLocale::Germany));
        QTRY_COMPARE(m_view->menuRow(MenuBarContentView::Action::Quit)->text(),
                     u"Tarnwick beenden"_qs);
        Translations::install(*qApp, QLocale(QLocale::English));
        QTRY_COMPARE(m_view->menuRow(MenuBarContentView::Action::Quit)->text(),
                     u"Quit Tarnwick"_qs);
    }
};

QTEST_MAIN(TestPopoverContent)
#include "tst_popover_content.moc"
