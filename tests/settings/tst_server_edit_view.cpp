#include "settings/server_edit_view.h"
#include "settings_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace tarnwick;
using Area = ServerEditView::ShareArea;

// The server editor over a real store, with a fake share lister.
class TestServerEditView : public QObject {
    Q_OBJECT

    std::unique_ptr<test::SettingsFixture> m_fx;

    std::unique_ptr<ServerEditView> open(const Server& server)
    {
        auto view = std::make_unique<ServerEditView>(server, m_fx->store, m_fx->lister);
        view->resize(380, 480);
        view->show();
        view->activateWindow(); // focus changes need an active window
        if (!QTest::qWaitForWindowActive(view.get()))
            qWarning("editor window not active");
        return view;
    }
    QStringList calls() const { return m_fx->lister->calls(); }
    static QLineEdit* field(ServerEditView& view, const QString& name)
    {
        return view.findChild<QLineEdit*>(name);
    }
    static QToolButton* refresh(ServerEditView& view)
    {
        return view.findChild<QToolButton*>(u"refresh"_qs);
    }
    static QStringList boxNames(ServerEditView& view)
    {
        QStringList names;
        for (QCheckBox* box :
             view.findChild<QWidget*>(u"shareBoxes"_qs)->findChildren<QCheckBox*>())
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
        auto* label = view.findChild<QLabel*>(u"shareMessage"_qs);
        return label->isVisible() ? label->text() : QString();
    }
    // Types text key by key, also characters that have no key of their own.
    static void type(QWidget* widget, const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), {});
    }
    static void typeHost(ServerEditView& view, const QString& text)
    {
        QLineEdit* host = field(view, u"host"_qs);
        host->setFocus();
        host->selectAll();
        if (text.isEmpty())
            QTest::keyClick(host, Qt::Key_Backspace);
        type(host, text); // replaces the selection
    }
    // Each way of asking for the shares of the host typed.
    static void trigger(ServerEditView& view, const QString& how)
    {
        if (how == u"Return") {
            QTest::keyClick(field(view, u"host"_qs), Qt::Key_Return);
        } else if (how == u"refresh") {
            refresh(view)->click();
        } else if (how == u"focus loss") {
            field(view, u"host"_qs)->setFocus();
            field(view, u"displayName"_qs)->setFocus();
        } else {
            view.hide();
            view.show();
        }
        QTest::qWait(0);
    }

private Q_SLOTS:
    void init() { m_fx = std::make_unique<test::SettingsFixture>(); }
    void cleanup() { m_fx.reset(); }

    void nameFieldAppliesDefaultAndTrimming_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("left empty") << QString() << qtTrId("server.new_name");
        QTest::newRow("blanks around") << u" \u00a0Office NAS  "_qs << u"Office NAS"_qs;
        QTest::newRow("blanks only") << u"   "_qs << QString();
    }
    void nameFieldAppliesDefaultAndTrimming()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const Server server = m_fx->add(qtTrId("server.new_name"), QString());
        auto view = open(server);
        QLineEdit* name = field(*view, u"displayName"_qs);
        QCOMPARE(name->text(), QString()); // the default name shows as an empty field
        type(name, typed);
        view->findChild<QCheckBox*>(u"enabled"_qs)->click();
        QCOMPARE(m_fx->stored(server.id).displayName, expected);
        QCOMPARE(m_fx->stored(server.id).isEnabled, false);
        QCOMPARE(name->text(), typed); // the field keeps what was typed
    }

    void hostIsListedOnceUntilItChanges_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("stored");
        QTest::newRow("Return, blanks around")
            << u" nas.local\u2003"_qs << u"Return"_qs << u"nas.local"_qs;
        QTest::newRow("refresh") << u"nas.local"_qs << u"refresh"_qs << u"nas.local"_qs;
        QTest::newRow("focus loss") << u"nas.local"_qs << u"focus loss"_qs << u"nas.local"_qs;
        QTest::newRow("shown again") << u"nas.local"_qs << u"show"_qs << u"nas.local"_qs;
        QTest::newRow("blank, Return") << u"  "_qs << u"Return"_qs << QString();
        QTest::newRow("blank, refresh") << u"  "_qs << u"refresh"_qs << QString();
        QTest::newRow("blank, shown again") << u"  "_qs << u"show"_qs << QString();
    }
    void hostIsListedOnceUntilItChanges()
    {
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, stored);
        const Server server = m_fx->add(u"NAS"_qs, QString());
        auto view = open(server);
        QCOMPARE(view->shareArea(), Area::EnterHostFirst);
        typeHost(*view, typed);
        QCOMPARE(m_fx->stored(server.id).host, stored);
        QVERIFY(calls().isEmpty()); // typing alone lists nothing
        trigger(*view, how);
        if (stored.isEmpty()) { // a blank host never lists
            QCOMPARE(view->shareArea(), Area::EnterHostFirst);
            QCOMPARE(message(*view), qtTrId("server.shares.enter_host_first"));
            QVERIFY(!refresh(*view)->isEnabled());
            QVERIFY(calls().isEmpty());
            return;
        }
        QTRY_COMPARE(view->shareArea(), Area::NoSharesFound);
        for (const QString& again : {u"Return"_qs, u"refresh"_qs, u"focus loss"_qs, u"show"_qs})
            trigger(*view, again);
        QCOMPARE(view->shareArea(), Area::NoSharesFound);
        QCOMPARE(calls(), QStringList{stored});
        typeHost(*view, u"nas2"_qs);
        refresh(*view)->click();
        QTRY_COMPARE(calls(), (QStringList{stored, u"nas2"_qs}));
    }

    void oneChangedCharacterBringsBackTheHintAndForgetsTheListedHost()
    {
        const Server server = m_fx->add(u"NAS"_qs, u"nas"_qs); // a listing that fails
        auto view = open(server);
        QTRY_COMPARE(message(*view), qtTrId("add_server.no_shares_found"));
        QLineEdit* host = field(*view, u"host"_qs);
        host->setFocus();
        host->end(false);
        QTest::keyClick(host, Qt::Key_X);
        QCOMPARE(message(*view), qtTrId("add_server.shares_hint"));
        QTest::keyClick(host, Qt::Key_Backspace);
        QCOMPARE(view->shareArea(), Area::Hint);
        QTest::keyClick(host, Qt::Key_Return); // typed back: listed again
        QTRY_COMPARE(calls(), (QStringList{u"nas"_qs, u"nas"_qs}));
        QTRY_COMPARE(view->shareArea(), Area::NoSharesFound);
    }

    void ticksChangeTheSharesAtOnceAndSurviveNameEdits()
    {
        m_fx->lister->setShares(u"nas"_qs, {u"Media"_qs, u"Public"_qs});
        const Server server =
            m_fx->add(u"NAS"_qs, u"nas"_qs, {u"Public"_qs, u"Public"_qs, u"Old"_qs});
        auto view = open(server);
        QTRY_VERIFY(box(*view, u"Public"_qs));
        QVERIFY(box(*view, u"Public"_qs)->isChecked());
        QVERIFY(!box(*view, u"Media"_qs)->isChecked());

        box(*view, u"Public"_qs)->click(); // removes the first of that name only
        QList<Share> shares = m_fx->stored(server.id).shares;
        QCOMPARE(shares.size(), 2);
        QCOMPARE(shares.at(0).id, server.shares.at(1).id);
        QCOMPARE(shares.at(1).name, u"Old"_qs); // not listed, not touched
        QVERIFY(box(*view, u"Public"_qs)->isChecked());
        box(*view, u"Media"_qs)->click();
        shares = m_fx->stored(server.id).shares;
        QCOMPARE(shares.size(), 3);
        QCOMPARE(shares.last().name, u"Media"_qs);
        QCOMPARE(shares.last().username, QString());

        QSignalSpy changes(&m_fx->store, &ShareStore::serversChanged);
        QTest::keyClicks(field(*view, u"displayName"_qs), u" 2"_qs);
        QCOMPARE(changes.count(), 2); // every keystroke is stored
        m_fx->settings->sync();
        const Server reread =
            ShareStore(*AppSettings::open(m_fx->settings->fileName())).servers().first();
        QCOMPARE(reread.displayName, u"NAS 2"_qs);
        QCOMPARE(reread.shares, shares);
        QVERIFY(box(*view, u"Media"_qs)->isChecked());
    }

    void sharesSortedByCodePointAndShownVerbatim()
    {
        // "é" decomposed sorts by its canonical (composed) form, after "z".
        const QString decomposed = u"e\u0301cole"_qs;
        m_fx->lister->setShares(
            u"nas"_qs, {u"beta"_qs, decomposed, u"Beta"_qs, u"R&D"_qs, u"alpha"_qs, u"zeta"_qs});
        const Server server = m_fx->add(u"NAS"_qs, u"nas"_qs);
        auto view = open(server);
        QTRY_COMPARE(view->shareArea(), Area::Shares);
        QCOMPARE(boxNames(*view), (QStringList{u"Beta"_qs, u"R&D"_qs, u"alpha"_qs, u"beta"_qs,
                                               u"zeta"_qs, decomposed}));
        QCOMPARE(box(*view, u"R&D"_qs)->text(), u"R&&D"_qs); // no mnemonic
        box(*view, u"R&D"_qs)->click();
        QCOMPARE(m_fx->stored(server.id).shares.first().name, u"R&D"_qs);
    }

    // Editing the host while its listing runs abandons that listing: its late result does
    // not fill the list of another host.
    void lateResultForAnEarlierHostIsDropped()
    {
        m_fx->lister->setShares(u"old"_qs, {u"Stale"_qs});
        const Server server = m_fx->add(u"NAS"_qs, QString());
        auto view = open(server);
        m_fx->lister->hold();
        typeHost(*view, u"old"_qs);
        trigger(*view, u"Return"_qs);
        QCOMPARE(view->shareArea(), Area::Loading);
        QVERIFY(!refresh(*view)->isEnabled());
        typeHost(*view, u"new"_qs);
        QCOMPARE(view->shareArea(), Area::Hint);
        QVERIFY(refresh(*view)->isEnabled());
        QTRY_COMPARE(calls().size(), 1);
        m_fx->lister->release();
        QTest::qWait(50); // let the dropped result arrive; nothing may change
        QCOMPARE(view->shareArea(), Area::Hint);
        QVERIFY(view->availableShares().isEmpty());
    }
};

QTEST_MAIN(TestServerEditView)
#include "tst_server_edit_view.moc"
