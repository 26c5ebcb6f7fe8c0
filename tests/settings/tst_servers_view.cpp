#include "settings/server_edit_view.h"
#include "settings/server_list_widget.h"
#include "settings/server_row.h"
#include "settings/servers_view.h"
#include "style/style.h"
#include "settings/settings_window.h"
#include "settings_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace tarnwick;

// The settings window's Servers tab over a real store, with a fake share lister.
class TestServersView : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    std::unique_ptr<test::SettingsFixture> m_fx;
    std::unique_ptr<ServersView> m_view;

    ShareStore& store() { return m_fx->store; }
    void open()
    {
        m_view = std::make_unique<ServersView>(m_fx->store, m_fx->lister);
        m_view->show();
    }
    ServerListWidget* list() const { return m_view->findChild<ServerListWidget*>(); }
    QToolButton* button(const char* name) const
    {
        return m_view->findChild<QToolButton*>(QLatin1StringView(name));
    }
    QLabel* rowLabel(const char* name) const
    {
        return list()->itemWidget(list()->item(0))->findChild<QLabel*>(QLatin1StringView(name));
    }
    QPoint rowCentre(int index) const
    {
        return list()->visualItemRect(list()->item(index)).center();
    }
    void clickRow(int index)
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rowCentre(index));
    }
    QString editorName() const
    {
        return m_view->editor()->findChild<QLineEdit*>(u"displayName"_qs)->text();
    }
    // What the right side shows when nothing (that exists) is selected.
    bool placeholderOnly() const
    {
        return m_view->findChild<QWidget*>(u"placeholder"_qs)->isVisible() && !m_view->editor();
    }
    // The pixels of pixmap close to color (alpha included: secondary is translucent).
    static int pixelsNear(const QPixmap& pixmap, const QColor& color)
    {
        const QImage image = pixmap.toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                count += qAbs(pixel.alpha() - color.alpha()) < 16 &&
                         qAbs(pixel.red() - color.red()) < 8 &&
                         qAbs(pixel.green() - color.green()) < 8 &&
                         qAbs(pixel.blue() - color.blue()) < 8;
            }
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The General tab reads the launch-at-login entry; not the machine user's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }
    void init() { m_fx = std::make_unique<test::SettingsFixture>(); }
    void cleanup()
    {
        m_view.reset();
        m_fx.reset();
    }

    void windowOpensOnTheServersTabWithoutSelectionEachTime()
    {
        const Server nas = m_fx->add(u"NAS"_qs, u"nas"_qs);
        for (int opening = 0; opening < 2; ++opening) {
            QPointer<SettingsWindow> window =
                new SettingsWindow(store(), *m_fx->settings, m_fx->lister);
            window->show();
            QCOMPARE(window->size(), QSize(600, 540));
            QCOMPARE(window->minimumSize(), window->maximumSize());
            QCOMPARE(window->tabs()->count(), 2);
            QCOMPARE(window->tabs()->currentIndex(), 0);
            QCOMPARE(window->tabs()->tabText(0), qtTrId("tab.servers"));
            ServersView* servers = window->serversView();
            QVERIFY(servers->selectedServerId().isNull() && !servers->editor());
            QVERIFY(servers->findChild<QWidget*>(u"placeholder"_qs)->isVisible());
            QVERIFY(!servers->findChild<QToolButton*>(u"removeServer"_qs)->isEnabled());

            // The user picks a server and the General tab, then closes the window.
            servers->setSelectedServerId(nas.id);
            window->tabs()->setCurrentIndex(1);
            window->close();
            QTRY_VERIFY(!window); // closing discards the content
        }
    }

    void plusTwiceAddsTwoDefaultServersAndSelectsEach()
    {
        open();
        button("addServer")->click();
        const QUuid first = m_view->selectedServerId();
        button("addServer")->click();
        const QUuid second = m_view->selectedServerId();
        QVERIFY(!first.isNull() && first != second);
        QCOMPARE(store().servers().size(), 2);
        QCOMPARE(store().servers().at(0).id, first);
        QCOMPARE(store().servers().at(1).id, second);
        for (const Server& server : store().servers()) {
            QCOMPARE(server.displayName, qtTrId("server.new_name"));
            QVERIFY(server.host.isEmpty() && server.shares.isEmpty() && server.isEnabled);
        }
        QCOMPARE(m_view->editor()->serverId(), second);
        QVERIFY(list()->item(1)->isSelected() && !list()->item(0)->isSelected());
        QVERIFY(button("removeServer")->isEnabled());
    }

    void removingClearsTheSelection_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("minus") << u"minus"_qs << u"b"_qs;
        QTest::newRow("Delete key") << u"key"_qs << u"b"_qs;
        QTest::newRow("menu of an unselected row") << u"menu"_qs << u"a"_qs;
    }
    void removingClearsTheSelection()
    {
        QFETCH(QString, how);
        QFETCH(QString, remaining);
        const Server a = m_fx->add(u"A"_qs, u"a"_qs);
        m_fx->add(u"B"_qs, u"b"_qs);
        open();
        clickRow(0);
        QCOMPARE(m_view->selectedServerId(), a.id);
        if (how == u"minus") {
            button("removeServer")->click();
        } else if (how == u"key") {
            QTest::keyClick(list(), Qt::Key_Delete);
        } else {
            // A right click on the other row opens its menu without selecting it.
            QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, rowCentre(1));
            QCOMPARE(m_view->selectedServerId(), a.id);
            std::unique_ptr<QMenu> menu(list()->createRowMenu(rowCentre(1)));
            QCOMPARE(menu->actions().size(), 1);
            QCOMPARE(menu->actions().first()->text(), qtTrId("servers.delete"));
            menu->actions().first()->trigger();
        }
        QCOMPARE(store().servers().size(), 1);
        QCOMPARE(store().servers().first().host, remaining);
        QVERIFY(m_view->selectedServerId().isNull() && list()->selectedItems().isEmpty());
        QVERIFY(placeholderOnly());
        QVERIFY(!button("removeServer")->isEnabled());
        QVERIFY(!list()->createRowMenu(QPoint(5, list()->viewport()->height() - 2)));
    }

    void staleSelectionShowsThePlaceholder()
    {
        const Server a = m_fx->add(u"A"_qs, u"a"_qs);
        open();
        clickRow(0);
        QVERIFY(m_view->editor());
        store().removeServers({0}); // removed elsewhere, e.g. by another window
        QCOMPARE(m_view->selectedServerId(), a.id);
        QVERIFY(placeholderOnly());
        button("removeServer")->click(); // names nothing: nothing happens
        QCOMPARE(m_view->selectedServerId(), a.id);
        m_view->setSelectedServerId(QUuid::createUuid());
        QVERIFY(placeholderOnly());
    }

    void selectingAnotherServerCreatesAFreshEditor()
    {
        m_fx->lister->setShares(u"a"_qs, {u"Public"_qs});
        const Server a = m_fx->add(u"A"_qs, u"a"_qs);
        const Server b = m_fx->add(u"B"_qs, u"b"_qs);
        open();
        clickRow(0);
        QPointer<ServerEditView> first = m_view->editor();
        QTRY_COMPARE(first->shareArea(), ServerEditView::ShareArea::Shares);
        QTest::keyClicks(first->findChild<QLineEdit*>(u"displayName"_qs), u"x"_qs);
        QCOMPARE(m_view->editor(), first.data()); // same server: the editor stays

        clickRow(1);
        QCOMPARE(m_view->editor()->serverId(), b.id);
        QCOMPARE(editorName(), u"B"_qs);
        QTRY_VERIFY(!first); // the old editor is gone
        clickRow(0);         // back to A: a fresh editor lists A's shares again
        QCOMPARE(m_view->editor()->serverId(), a.id);
        QCOMPARE(editorName(), u"Ax"_qs);
        QTRY_COMPARE(m_view->editor()->shareArea(), ServerEditView::ShareArea::Shares);
        QCOMPARE(m_fx->lister->calls(), (QStringList{u"a"_qs, u"b"_qs, u"a"_qs}));
    }

    void rowShowsTheRecordWithFallbacksAndTheEnabledColour()
    {
        Server server = m_fx->add(u"NAS"_qs, u"nas"_qs);
        open();
        QCOMPARE(rowLabel("name")->text(), u"NAS"_qs);
        QCOMPARE(rowLabel("host")->text(), u"nas"_qs);
        QCOMPARE(rowLabel("name")->textFormat(), Qt::PlainText);
        const QColor accent = Style::accent(QApplication::palette());
        const QColor secondary = Style::secondaryText(QApplication::palette());
        QVERIFY(pixelsNear(rowLabel("symbol")->pixmap(), accent) > 20);
        QCOMPARE(pixelsNear(rowLabel("symbol")->pixmap(), secondary), 0);

        server.displayName.clear();
        server.host.clear();
        server.isEnabled = false;
        store().updateServer(server); // the row follows the store
        QCOMPARE(rowLabel("name")->text(), qtTrId("server.new_name"));
        QCOMPARE(rowLabel("host")->text(), qtTrId("server.no_host"));
        QVERIFY(pixelsNear(rowLabel("symbol")->pixmap(), secondary) > 20);
        QCOMPARE(pixelsNear(rowLabel("symbol")->pixmap(), accent), 0);
    }

    void addingADiscoveredServer_data()
    {
        QTest::addColumn<QString>("discoveredHost");
        QTest::addColumn<bool>("added");
        QTest::newRow("same characters") << u"caf\u00e9.local"_qs << false;
        QTest::newRow("canonically equivalent") << u"cafe\u0301.local"_qs << false;
        QTest::newRow("other letter case") << u"CAF\u00c9.local"_qs << true;
        QTest::newRow("with a blank") << u"caf\u00e9.local "_qs << true;
        QTest::newRow("other host") << u"nas.local"_qs << true;
    }
    void addingADiscoveredServer()
    {
        QFETCH(QString, discoveredHost);
        QFETCH(bool, added);
        const Server existing = m_fx->add(u"Cafe"_qs, u"caf\u00e9.local"_qs);
        open();
        m_view->setSelectedServerId(existing.id);
        m_view->addDiscoveredServer({QUuid::createUuid(), u"Found"_qs, discoveredHost, 445},
                                    {u"Media"_qs, u"Public"_qs});
        QCOMPARE(store().servers().first(), existing); // nothing merged into the old one
        if (!added) {
            QCOMPARE(store().servers().size(), 1);
            QCOMPARE(m_view->selectedServerId(), existing.id);
            return;
        }
        QCOMPARE(store().servers().size(), 2);
        const Server server = store().servers().last();
        QCOMPARE(server.displayName, u"Found"_qs);
        QCOMPARE(server.host, discoveredHost);
        QVERIFY(server.isEnabled);
        QCOMPARE(server.shares.size(), 2);
        QCOMPARE(server.shares.at(0).name, u"Media"_qs);
        QCOMPARE(server.shares.at(1).name, u"Public"_qs);
        QCOMPARE(m_view->selectedServerId(), server.id);
        QCOMPARE(m_view->editor()->serverId(), server.id);
    }
};

QTEST_MAIN(TestServersView)
#include "tst_servers_view.moc"
