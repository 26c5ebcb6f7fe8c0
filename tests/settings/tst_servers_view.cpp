#include "fake_share_lister.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "settings/server_edit_view.h"
#include "settings/server_list_widget.h"
#include "settings/server_row.h"
#include "settings/servers_view.h"
#include "settings/settings_style.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace tarnwick;
using tarnwick::test::FakeShareLister;

class TestServersView : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<ShareStore> m_store;
    std::shared_ptr<FakeShareLister> m_lister;
    std::unique_ptr<ServersView> m_view;

    ServerListWidget* list() const
    {
        return m_view->findChild<ServerListWidget*>(QStringLiteral("serverList"));
    }
    QToolButton* button(const char* name) const
    {
        return m_view->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    ServerRow* row(int index) const
    {
        return static_cast<ServerRow*>(list()->itemWidget(list()->item(index)));
    }
    bool placeholderShown() const
    {
        return m_view->findChild<QWidget*>(QStringLiteral("placeholder"))->isVisible();
    }
    Server addStored(const QString& name, const QString& host)
    {
        Server server = Server::create(name, host);
        m_store->addServer(server);
        return server;
    }
    void clickRow(int index)
    {
        const QRect rect = list()->visualItemRect(list()->item(index));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // Counts the pixels of pixmap close to color (alpha included: secondary is translucent).
    static int pixelsNear(const QPixmap& pixmap, const QColor& color)
    {
        const QImage image = pixmap.toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (qAbs(pixel.alpha() - color.alpha()) < 16 &&
                    qAbs(pixel.red() - color.red()) < 8 &&
                    qAbs(pixel.green() - color.green()) < 8 &&
                    qAbs(pixel.blue() - color.blue()) < 8)
                    ++count;
            }
        }
        return count;
    }

private Q_SLOTS:
    void init()
    {
        m_settings = AppSettings::open(m_dir.filePath(QStringLiteral("servers.conf")));
        m_settings->clear();
        m_store = std::make_unique<ShareStore>(*m_settings);
        m_lister = std::make_shared<FakeShareLister>();
    }
    void cleanup() { m_view.reset(); }

    void startsWithoutSelectionAndPlaceholder()
    {
        addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        QVERIFY(m_view->selectedServerId().isNull());
        QVERIFY(list()->selectedItems().isEmpty());
        QVERIFY(!button("removeServer")->isEnabled());
        QVERIFY(placeholderShown());
        QCOMPARE(m_view->editor(), nullptr);
    }

    void plusTwiceAddsTwoDefaultServersAndSelectsEach()
    {
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        button("addServer")->click();
        const QUuid first = m_view->selectedServerId();
        button("addServer")->click();
        const QUuid second = m_view->selectedServerId();

        QCOMPARE(m_store->servers().size(), 2);
        QCOMPARE(m_store->servers().at(0).id, first);
        QCOMPARE(m_store->servers().at(1).id, second);
        for (const Server& server : m_store->servers()) {
            QCOMPARE(server.displayName, qtTrId("server.new_name"));
            QCOMPARE(server.host, QString());
            QVERIFY(server.shares.isEmpty());
            QVERIFY(server.isEnabled);
        }
        QVERIFY(first != second);
        QVERIFY(m_view->editor());
        QCOMPARE(m_view->editor()->serverId(), second);
        QVERIFY(list()->item(1)->isSelected());
        QVERIFY(!list()->item(0)->isSelected());
        QVERIFY(button("removeServer")->isEnabled());
    }

    void minusRemovesTheSelectedServer()
    {
        addStored(QStringLiteral("A"), QStringLiteral("a"));
        const Server b = addStored(QStringLiteral("B"), QStringLiteral("b"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        clickRow(1);
        QCOMPARE(m_view->selectedServerId(), b.id);
        button("removeServer")->click();
        QCOMPARE(m_store->servers().size(), 1);
        QCOMPARE(m_store->servers().first().host, QStringLiteral("a"));
        QVERIFY(m_view->selectedServerId().isNull());
        QVERIFY(placeholderShown());
        QVERIFY(!button("removeServer")->isEnabled());
    }

    void deletingAnUnselectedRowClearsTheSelection()
    {
        const Server a = addStored(QStringLiteral("A"), QStringLiteral("a"));
        addStored(QStringLiteral("B"), QStringLiteral("b"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        clickRow(0);
        QCOMPARE(m_view->selectedServerId(), a.id);

        // A right click on the other row opens its menu without selecting it.
        const QPoint onB = list()->visualItemRect(list()->item(1)).center();
        QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, onB);
        QCOMPARE(m_view->selectedServerId(), a.id);
        std::unique_ptr<QMenu> menu(list()->createRowMenu(onB));
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), qtTrId("servers.delete"));
        menu->actions().first()->trigger();

        QCOMPARE(m_store->servers().size(), 1);
        QCOMPARE(m_store->servers().first().id, a.id);
        QVERIFY(m_view->selectedServerId().isNull());
        QVERIFY(placeholderShown());
        QVERIFY(list()->selectedItems().isEmpty());
        QVERIFY(!list()->createRowMenu(QPoint(5, list()->viewport()->height() - 2)));
    }

    void deleteKeyRemovesTheSelectedRow()
    {
        addStored(QStringLiteral("A"), QStringLiteral("a"));
        addStored(QStringLiteral("B"), QStringLiteral("b"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        clickRow(0);
        QTest::keyClick(list(), Qt::Key_Delete);
        QCOMPARE(m_store->servers().size(), 1);
        QCOMPARE(m_store->servers().first().host, QStringLiteral("b"));
        QVERIFY(m_view->selectedServerId().isNull());
    }

    void staleSelectionShowsThePlaceholder()
    {
        const Server a = addStored(QStringLiteral("A"), QStringLiteral("a"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        clickRow(0);
        QVERIFY(m_view->editor());
        m_store->removeServers({0}); // removed elsewhere, e.g. by another window
        QCOMPARE(m_view->selectedServerId(), a.id);
        QVERIFY(placeholderShown());
        QCOMPARE(m_view->editor(), nullptr);
        button("removeServer")->click(); // names nothing: nothing happens
        QCOMPARE(m_view->selectedServerId(), a.id);

        m_view->setSelectedServerId(QUuid::createUuid());
        QVERIFY(placeholderShown());
    }

    void selectingAnotherServerCreatesAFreshEditor()
    {
        m_lister->setShares(QStringLiteral("a"), {QStringLiteral("Public")});
        const Server a = addStored(QStringLiteral("A"), QStringLiteral("a"));
        const Server b = addStored(QStringLiteral("B"), QStringLiteral("b"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        clickRow(0);
        QPointer<ServerEditView> first = m_view->editor();
        QTRY_COMPARE(first->shareArea(), ServerEditView::ShareArea::Shares);
        QLineEdit* name = first->findChild<QLineEdit*>(QStringLiteral("displayName"));
        QTest::keyClicks(name, QStringLiteral("x"));
        QCOMPARE(m_view->editor(), first.data()); // same server: the editor stays

        clickRow(1);
        QVERIFY(m_view->editor() != first.data());
        QCOMPARE(m_view->editor()->serverId(), b.id);
        QCOMPARE(m_view->editor()->findChild<QLineEdit*>(QStringLiteral("displayName"))->text(),
                 QStringLiteral("B"));
        QTRY_VERIFY(!first); // the old editor is gone

        // Back to A: a fresh editor lists A's shares again.
        clickRow(0);
        QCOMPARE(m_view->editor()->serverId(), a.id);
        QCOMPARE(m_view->editor()->findChild<QLineEdit*>(QStringLiteral("displayName"))->text(),
                 QStringLiteral("Ax"));
        QTRY_COMPARE(m_view->editor()->shareArea(), ServerEditView::ShareArea::Shares);
        QCOMPARE(m_lister->calls().count(QStringLiteral("a")), 2);
    }

    void rowsFollowTheStoreWithFallbackTexts()
    {
        Server server = addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        auto text = [this](const char* name) {
            return row(0)->findChild<QLabel*>(QString::fromLatin1(name))->text();
        };
        QCOMPARE(text("name"), QStringLiteral("NAS"));
        QCOMPARE(text("host"), QStringLiteral("nas"));
        server.displayName.clear();
        server.host.clear();
        m_store->updateServer(server);
        QCOMPARE(text("name"), qtTrId("server.new_name"));
        QCOMPARE(text("host"), qtTrId("server.no_host"));
        server.displayName = QStringLiteral("<b>Lab</b>");
        m_store->updateServer(server);
        QCOMPARE(row(0)->findChild<QLabel*>(QStringLiteral("name"))->textFormat(), Qt::PlainText);
    }

    void rackSymbolInAccentWhenEnabledElseSecondary()
    {
        Server server = addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        const QColor accent = SettingsStyle::accentColor(QApplication::palette());
        const QColor secondary = SettingsStyle::secondaryColor(QApplication::palette());
        QVERIFY(accent != secondary);
        auto symbol = [this] {
            return row(0)->findChild<QLabel*>(QStringLiteral("symbol"))->pixmap();
        };
        QVERIFY(pixelsNear(symbol(), accent) > 20);
        QCOMPARE(pixelsNear(symbol(), secondary), 0);
        server.isEnabled = false;
        m_store->updateServer(server);
        QVERIFY(pixelsNear(symbol(), secondary) > 20);
        QCOMPARE(pixelsNear(symbol(), accent), 0);
    }

    void addingADiscoveredServer_data()
    {
        QTest::addColumn<QString>("discoveredHost");
        QTest::addColumn<bool>("added");
        QTest::newRow("same characters") << QStringLiteral("caf\u00e9.local") << false;
        QTest::newRow("canonically equivalent") << QStringLiteral("cafe\u0301.local") << false;
        QTest::newRow("other letter case") << QStringLiteral("CAF\u00c9.local") << true;
        QTest::newRow("with a blank") << QStringLiteral("caf\u00e9.local ") << true;
        QTest::newRow("other host") << QStringLiteral("nas.local") << true;
    }
    void addingADiscoveredServer()
    {
        QFETCH(QString, discoveredHost);
        QFETCH(bool, added);
        const Server existing =
            addStored(QStringLiteral("Cafe"), QStringLiteral("caf\u00e9.local"));
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->show();
        m_view->setSelectedServerId(existing.id);

        const DiscoveredServer found{QUuid::createUuid(), QStringLiteral("Found"), discoveredHost,
                                     445};
        m_view->addDiscoveredServer(found, {QStringLiteral("Media"), QStringLiteral("Public")});
        if (!added) {
            QCOMPARE(m_store->servers(), QList<Server>{existing});
            QCOMPARE(m_view->selectedServerId(), existing.id);
            return;
        }
        QCOMPARE(m_store->servers().size(), 2);
        const Server server = m_store->servers().last();
        QCOMPARE(server.displayName, QStringLiteral("Found"));
        QCOMPARE(server.host, discoveredHost);
        QVERIFY(server.isEnabled);
        QCOMPARE(server.shares.size(), 2);
        QCOMPARE(server.shares.at(0).name, QStringLiteral("Media"));
        QCOMPARE(server.shares.at(1).name, QStringLiteral("Public"));
        QCOMPARE(m_store->servers().first(), existing); // nothing merged into the old one
        QCOMPARE(m_view->selectedServerId(), server.id);
        QCOMPARE(m_view->editor()->serverId(), server.id);
    }
};

QTEST_MAIN(TestServersView)
#include "tst_servers_view.moc"
