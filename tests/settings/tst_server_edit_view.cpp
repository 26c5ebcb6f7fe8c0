#include "fake_share_lister.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "settings/server_edit_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace tarnwick;
using tarnwick::test::FakeShareLister;
using Area = ServerEditView::ShareArea;

class TestServerEditView : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<ShareStore> m_store;
    std::shared_ptr<FakeShareLister> m_lister;

    Server addStored(const QString& name, const QString& host)
    {
        Server server = Server::create(name, host);
        m_store->addServer(server);
        return server;
    }
    Server stored(const QUuid& id) const
    {
        for (const Server& server : m_store->servers()) {
            if (server.id == id)
                return server;
        }
        return {};
    }
    std::unique_ptr<ServerEditView> open(const Server& server)
    {
        auto view = std::make_unique<ServerEditView>(server, *m_store, m_lister);
        view->resize(380, 480);
        view->show();
        view->activateWindow();
        if (!QTest::qWaitForWindowActive(view.get()))
            qWarning("editor window not active");
        return view;
    }
    static QLineEdit* field(ServerEditView& view, const char* name)
    {
        return view.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    static QStringList boxNames(ServerEditView& view)
    {
        QStringList names;
        for (QCheckBox* box :
             view.findChild<QWidget*>(QStringLiteral("shareBoxes"))->findChildren<QCheckBox*>())
            names.append(box->property("shareName").toString());
        return names;
    }
    static QCheckBox* box(ServerEditView& view, const QString& name)
    {
        for (QCheckBox* box : view.findChildren<QCheckBox*>()) {
            if (box->property("shareName").toString() == name)
                return box;
        }
        return nullptr;
    }
    static QString message(ServerEditView& view)
    {
        auto* label = view.findChild<QLabel*>(QStringLiteral("shareMessage"));
        return label->isVisible() ? label->text() : QString();
    }
    // Types text key by key, also characters that have no key of their own.
    static void type(QWidget* widget, const QString& text)
    {
        for (QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClicks(widget, QString(c));
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), {});
        }
    }
    static void typeHost(ServerEditView& view, const QString& text)
    {
        QLineEdit* host = field(view, "host");
        host->setFocus();
        host->selectAll();
        if (text.isEmpty())
            QTest::keyClick(host, Qt::Key_Backspace);
        else
            type(host, text);
    }

private Q_SLOTS:
    void init()
    {
        m_settings = AppSettings::open(m_dir.filePath(QStringLiteral("editor.conf")));
        m_settings->clear();
        m_store = std::make_unique<ShareStore>(*m_settings);
        m_lister = std::make_shared<FakeShareLister>();
    }

    void nameFieldAppliesDefaultAndTrimming_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("left empty") << QString() << qtTrId("server.new_name");
        QTest::newRow("blanks around")
            << QStringLiteral(" \u00a0Office NAS  ") << QStringLiteral("Office NAS");
        QTest::newRow("blanks only") << QStringLiteral("   ") << QString();
    }
    void nameFieldAppliesDefaultAndTrimming()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const Server server = addStored(qtTrId("server.new_name"), QString());
        auto view = open(server);
        QLineEdit* name = field(*view, "displayName");
        QCOMPARE(name->text(), QString()); // the default name shows as an empty field

        type(name, typed);
        auto* enabled = view->findChild<QCheckBox*>(QStringLiteral("enabled"));
        enabled->click();
        QCOMPARE(stored(server.id).displayName, expected);
        QCOMPARE(stored(server.id).isEnabled, false);
        QCOMPARE(name->text(), typed); // the field keeps what was typed
    }

    void everyKeystrokeIsStored()
    {
        const Server server = addStored(QStringLiteral("NAS"), QString());
        auto view = open(server);
        QLineEdit* name = field(*view, "displayName");
        QSignalSpy changes(m_store.get(), &ShareStore::serversChanged);
        QTest::keyClicks(name, QStringLiteral("-2"));
        QCOMPARE(changes.count(), 2);
        QCOMPARE(stored(server.id).displayName, QStringLiteral("NAS-2"));
        // Reopened from the settings file, not just the store in memory.
        m_settings->sync();
        ShareStore reread(*AppSettings::open(m_settings->fileName()));
        QCOMPARE(reread.servers().first().displayName, QStringLiteral("NAS-2"));
    }

    void hostTrimmedBeforeStoringAndListing()
    {
        const Server server = addStored(QStringLiteral("NAS"), QString());
        auto view = open(server);
        QCOMPARE(view->shareArea(), Area::EnterHostFirst);
        typeHost(*view, QStringLiteral(" nas.local\u2003"));
        QCOMPARE(stored(server.id).host, QStringLiteral("nas.local"));
        QCOMPARE(view->shareArea(), Area::Hint);
        QVERIFY(m_lister->calls().isEmpty()); // typing alone lists nothing

        QTest::keyClick(field(*view, "host"), Qt::Key_Return);
        QTRY_COMPARE(view->shareArea(), Area::NoSharesFound);
        QCOMPARE(m_lister->calls(), QStringList{QStringLiteral("nas.local")});
    }

    void blankHostNeverLists()
    {
        const Server server = addStored(QStringLiteral("NAS"), QString());
        auto view = open(server);
        typeHost(*view, QStringLiteral("  "));
        QTest::keyClick(field(*view, "host"), Qt::Key_Return);
        view->findChild<QToolButton*>(QStringLiteral("refresh"))->click();
        QCOMPARE(view->shareArea(), Area::EnterHostFirst);
        QCOMPARE(message(*view), qtTrId("server.shares.enter_host_first"));
        QVERIFY(!view->findChild<QToolButton*>(QStringLiteral("refresh"))->isEnabled());
        QTest::qWait(0);
        QVERIFY(m_lister->calls().isEmpty());
    }

    void showingThePaneListsItsHostOnce()
    {
        m_lister->setShares(QStringLiteral("nas"), {QStringLiteral("Public")});
        const Server server = addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        auto view = open(server);
        QTRY_COMPARE(boxNames(*view), QStringList{QStringLiteral("Public")});
        view->hide();
        view->show();
        QTest::qWait(0);
        QCOMPARE(m_lister->calls().size(), 1);
    }

    void tickedShareSurvivesNameEdit()
    {
        m_lister->setShares(QStringLiteral("nas"), {QStringLiteral("Public")});
        const Server server = addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        auto view = open(server);
        QTRY_VERIFY(box(*view, QStringLiteral("Public")));
        box(*view, QStringLiteral("Public"))->click();
        QCOMPARE(stored(server.id).shares.size(), 1);

        QTest::keyClicks(field(*view, "displayName"), QStringLiteral(" 2"));
        QCOMPARE(stored(server.id).displayName, QStringLiteral("NAS 2"));
        QCOMPARE(stored(server.id).shares.size(), 1);
        QCOMPARE(stored(server.id).shares.first().name, QStringLiteral("Public"));
        QVERIFY(box(*view, QStringLiteral("Public"))->isChecked());
    }

    void tickingAddsAndUntickingRemovesTheFirstOfThatName()
    {
        m_lister->setShares(QStringLiteral("nas"),
                            {QStringLiteral("Media"), QStringLiteral("Public")});
        Server server = Server::create(QStringLiteral("NAS"), QStringLiteral("nas"));
        server.shares = {Share::create(QStringLiteral("Public")),
                         Share::create(QStringLiteral("Public")),
                         Share::create(QStringLiteral("Old"))};
        m_store->addServer(server);
        auto view = open(server);
        QTRY_VERIFY(box(*view, QStringLiteral("Public")));
        QVERIFY(box(*view, QStringLiteral("Public"))->isChecked());
        QVERIFY(!box(*view, QStringLiteral("Media"))->isChecked());

        box(*view, QStringLiteral("Public"))->click();
        QList<Share> shares = stored(server.id).shares;
        QCOMPARE(shares.size(), 2);
        QCOMPARE(shares.at(0).id, server.shares.at(1).id);  // the second "Public" stays
        QCOMPARE(shares.at(1).name, QStringLiteral("Old")); // not listed, not touched
        QVERIFY(box(*view, QStringLiteral("Public"))->isChecked());

        box(*view, QStringLiteral("Media"))->click();
        shares = stored(server.id).shares;
        QCOMPARE(shares.size(), 3);
        QCOMPARE(shares.last().name, QStringLiteral("Media"));
        QCOMPARE(shares.last().username, QString());
    }

    void refreshListsAHostOnceUntilTheHostChanges()
    {
        const Server server = addStored(QStringLiteral("NAS"), QString());
        auto view = open(server);
        auto* refresh = view->findChild<QToolButton*>(QStringLiteral("refresh"));
        typeHost(*view, QStringLiteral("nas"));
        refresh->click();
        QTRY_COMPARE(view->shareArea(), Area::NoSharesFound);
        refresh->click();
        QTest::keyClick(field(*view, "host"), Qt::Key_Return);
        QTest::qWait(0);
        QCOMPARE(m_lister->calls().size(), 1);

        typeHost(*view, QStringLiteral("nas2"));
        refresh->click();
        QTRY_COMPARE(m_lister->calls(),
                     (QStringList{QStringLiteral("nas"), QStringLiteral("nas2")}));
    }

    void failedListingThenOneChangedCharacterShowsTheHint()
    {
        const Server server = addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        auto view = open(server);
        QTRY_COMPARE(message(*view), qtTrId("add_server.no_shares_found"));
        QLineEdit* host = field(*view, "host");
        host->setFocus();
        host->end(false);
        QTest::keyClick(host, Qt::Key_X);
        QCOMPARE(message(*view), qtTrId("add_server.shares_hint"));
        QCOMPARE(view->shareArea(), Area::Hint);
    }

    void sharesSortedByCodePointUpperCaseFirst()
    {
        // "é" decomposed sorts by its canonical (composed) form, after "z".
        const QString decomposed = QStringLiteral("e\u0301cole");
        m_lister->setShares(QStringLiteral("nas"),
                            {QStringLiteral("beta"), decomposed, QStringLiteral("Beta"),
                             QStringLiteral("alpha"), QStringLiteral("zeta")});
        const Server server = addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        auto view = open(server);
        QTRY_COMPARE(view->shareArea(), Area::Shares);
        QCOMPARE(boxNames(*view),
                 (QStringList{QStringLiteral("Beta"), QStringLiteral("alpha"),
                              QStringLiteral("beta"), QStringLiteral("zeta"), decomposed}));
    }

    void ampersandInAShareNameIsShownVerbatim()
    {
        m_lister->setShares(QStringLiteral("nas"), {QStringLiteral("R&D")});
        const Server server = addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        auto view = open(server);
        QTRY_VERIFY(box(*view, QStringLiteral("R&D")));
        QCOMPARE(box(*view, QStringLiteral("R&D"))->text(), QStringLiteral("R&&D"));
        box(*view, QStringLiteral("R&D"))->click();
        QCOMPARE(stored(server.id).shares.first().name, QStringLiteral("R&D"));
    }

    // Editing the host while its listing runs abandons that listing: its late result does
    // not fill the list of another host.
    void lateResultForAnEarlierHostIsDropped()
    {
        m_lister->setShares(QStringLiteral("old"), {QStringLiteral("Stale")});
        const Server server = addStored(QStringLiteral("NAS"), QString());
        auto view = open(server);
        m_lister->hold();
        typeHost(*view, QStringLiteral("old"));
        QTest::keyClick(field(*view, "host"), Qt::Key_Return);
        QCOMPARE(view->shareArea(), Area::Loading);
        QVERIFY(!view->findChild<QToolButton*>(QStringLiteral("refresh"))->isEnabled());

        typeHost(*view, QStringLiteral("new"));
        QCOMPARE(view->shareArea(), Area::Hint);
        QVERIFY(view->findChild<QToolButton*>(QStringLiteral("refresh"))->isEnabled());
        QTRY_COMPARE(m_lister->calls().size(), 1);
        m_lister->release();
        QTest::qWait(50); // let the dropped result arrive; nothing may change
        QCOMPARE(view->shareArea(), Area::Hint);
        QVERIFY(view->availableShares().isEmpty());
    }

    // Leaving the listed host forgets it: typing it back and pressing Return lists again.
    void typingTheListedHostBackListsItAgain()
    {
        m_lister->setShares(QStringLiteral("nas"), {QStringLiteral("Public")});
        const Server server = addStored(QStringLiteral("NAS"), QStringLiteral("nas"));
        auto view = open(server);
        QTRY_COMPARE(view->shareArea(), Area::Shares);
        QLineEdit* host = field(*view, "host");
        host->setFocus();
        host->end(false);
        QTest::keyClick(host, Qt::Key_X);
        QCOMPARE(view->shareArea(), Area::Hint);
        QTest::keyClick(host, Qt::Key_Backspace);
        QCOMPARE(view->shareArea(), Area::Hint);
        QTest::keyClick(host, Qt::Key_Return);
        QTRY_COMPARE(view->shareArea(), Area::Shares);
        QCOMPARE(m_lister->calls(), (QStringList{QStringLiteral("nas"), QStringLiteral("nas")}));
    }

    void leavingTheHostFieldLists()
    {
        const Server server = addStored(QStringLiteral("NAS"), QString());
        auto view = open(server);
        typeHost(*view, QStringLiteral("nas"));
        field(*view, "displayName")->setFocus();
        QTRY_COMPARE(m_lister->calls(), QStringList{QStringLiteral("nas")});
    }
};

QTEST_MAIN(TestServerEditView)
#include "tst_server_edit_view.moc"
