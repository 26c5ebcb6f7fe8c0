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
    std::unique_ptr<ServerEditView> m_view;
    Server m_server;

    // Stores a server and opens its editor in an active window (for focus changes).
    void open(const QString& name, const QString& host, const QStringList& shares = {})
    {
        m_server = m_fx->add(name, host, shares);
        m_view = std::make_unique<ServerEditView>(m_server, m_fx->store, m_fx->lister);
        m_view->resize(380, 480);
        m_view->show();
        m_view->activateWindow();
        if (!QTest::qWaitForWindowActive(m_view.get()))
            qWarning("editor window not active");
    }
    Server stored() const { return m_fx->stored(m_server.id); }
    QStringList calls() const { return m_fx->lister->calls(); }
    QLineEdit* field(const char* name) const
    {
        return m_view->findChild<QLineEdit*>(QLatin1StringView(name));
    }
    QToolButton* refresh() const { return m_view->findChild<QToolButton*>(u"refresh"_qs); }
    QList<QCheckBox*> boxes() const
    {
        return m_view->findChild<QWidget*>(u"shareBoxes"_qs)->findChildren<QCheckBox*>();
    }
    QCheckBox* box(const QString& name) const
    {
        for (QCheckBox* box : boxes()) {
            if (box->property("shareName").toString() == name)
                return box;
        }
        return nullptr;
    }
    QString message() const
    {
        auto* label = m_view->findChild<QLabel*>(u"shareMessage"_qs);
        return label->isVisible() ? label->text() : QString();
    }
    // Types text key by key, also characters that have no key of their own.
    static void type(QWidget* widget, const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), {});
    }
    void typeHost(const QString& text)
    {
        field("host")->setFocus();
        field("host")->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field("host"), Qt::Key_Backspace);
        type(field("host"), text); // replaces the selection
    }
    // Each way of asking for the shares of the host typed.
    void trigger(const QString& how)
    {
        if (how == u"Return") {
            QTest::keyClick(field("host"), Qt::Key_Return);
        } else if (how == u"refresh") {
            refresh()->click();
        } else if (how == u"focus loss") {
            field("host")->setFocus();
            field("displayName")->setFocus();
        } else {
            m_view->hide();
            m_view->show();
        }
        QTest::qWait(0);
    }

private Q_SLOTS:
    void init() { m_fx = std::make_unique<test::SettingsFixture>(); }
    void cleanup()
    {
        m_view.reset();
        m_fx.reset();
    }

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
        open(qtTrId("server.new_name"), QString());
        QCOMPARE(field("displayName")->text(), QString()); // the default shows as empty
        type(field("displayName"), typed);
        m_view->findChild<QCheckBox*>(u"enabled"_qs)->click();
        QCOMPARE(stored().displayName, expected);
        QCOMPARE(stored().isEnabled, false);
        QCOMPARE(field("displayName")->text(), typed); // the field keeps what was typed
    }

    void hostIsListedOnceUntilItChanges_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("host"); // stored and listed
        const QString nas = u"nas.local"_qs;
        QTest::newRow("Return, blanks around") << u" nas.local\u2003"_qs << u"Return"_qs << nas;
        QTest::newRow("refresh") << nas << u"refresh"_qs << nas;
        QTest::newRow("focus loss") << nas << u"focus loss"_qs << nas;
        QTest::newRow("shown again") << nas << u"show"_qs << nas;
        QTest::newRow("blank, Return") << u"  "_qs << u"Return"_qs << QString();
        QTest::newRow("blank, refresh") << u"  "_qs << u"refresh"_qs << QString();
        QTest::newRow("blank, shown again") << u"  "_qs << u"show"_qs << QString();
    }
    void hostIsListedOnceUntilItChanges()
    {
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, host);
        open(u"NAS"_qs, QString());
        QCOMPARE(m_view->shareArea(), Area::EnterHostFirst);
        typeHost(typed);
        QCOMPARE(stored().host, host);
        QVERIFY(calls().isEmpty()); // typing alone lists nothing
        trigger(how);
        if (host.isEmpty()) { // a blank host never lists
            QCOMPARE(m_view->shareArea(), Area::EnterHostFirst);
            QCOMPARE(message(), qtTrId("server.shares.enter_host_first"));
            QVERIFY(!refresh()->isEnabled());
            QVERIFY(calls().isEmpty());
            return;
        }
        QTRY_COMPARE(m_view->shareArea(), Area::NoSharesFound);
        for (const QString& again : {u"Return"_qs, u"refresh"_qs, u"focus loss"_qs, u"show"_qs})
            trigger(again);
        QCOMPARE(m_view->shareArea(), Area::NoSharesFound);
        QCOMPARE(calls(), QStringList{host});
        typeHost(u"nas2"_qs);
        refresh()->click();
        QTRY_COMPARE(calls(), (QStringList{host, u"nas2"_qs}));
    }

    void oneChangedCharacterBringsBackTheHintAndForgetsTheListedHost()
    {
        open(u"NAS"_qs, u"nas"_qs); // a listing that fails
        QTRY_COMPARE(message(), qtTrId("add_server.no_shares_found"));
        field("host")->setFocus();
        field("host")->end(false);
        QTest::keyClick(field("host"), Qt::Key_X);
        QCOMPARE(message(), qtTrId("add_server.shares_hint"));
        QTest::keyClick(field("host"), Qt::Key_Backspace);
        QCOMPARE(m_view->shareArea(), Area::Hint);
        QTest::keyClick(field("host"), Qt::Key_Return); // typed back: listed again
        QTRY_COMPARE(calls(), (QStringList{u"nas"_qs, u"nas"_qs}));
        QTRY_COMPARE(m_view->shareArea(), Area::NoSharesFound);
    }

    void ticksChangeTheSharesAtOnceAndSurviveNameEdits()
    {
        m_fx->lister->setShares(u"nas"_qs, {u"Media"_qs, u"Public"_qs});
        open(u"NAS"_qs, u"nas"_qs, {u"Public"_qs, u"Public"_qs, u"Old"_qs});
        QTRY_VERIFY(box(u"Public"_qs));
        QVERIFY(box(u"Public"_qs)->isChecked() && !box(u"Media"_qs)->isChecked());
        box(u"Public"_qs)->click(); // removes the first of that name only
        QList<Share> shares = stored().shares;
        QCOMPARE(shares.size(), 2);
        QCOMPARE(shares.at(0).id, m_server.shares.at(1).id);
        QCOMPARE(shares.at(1).name, u"Old"_qs); // not listed, not touched
        QVERIFY(box(u"Public"_qs)->isChecked());
        box(u"Media"_qs)->click();
        shares = stored().shares;
        QCOMPARE(shares.size(), 3);
        QCOMPARE(shares.last().name, u"Media"_qs);
        QCOMPARE(shares.last().username, QString());

        QSignalSpy changes(&m_fx->store, &ShareStore::serversChanged);
        QTest::keyClicks(field("displayName"), u" 2"_qs);
        QCOMPARE(changes.count(), 2); // every keystroke is stored
        m_fx->settings->sync();
        const Server reread =
            ShareStore(*AppSettings::open(m_fx->settings->fileName())).servers().first();
        QCOMPARE(reread.displayName, u"NAS 2"_qs);
        QCOMPARE(reread.shares, shares);
        QVERIFY(box(u"Media"_qs)->isChecked());
    }

    void sharesSortedByCodePointAndShownVerbatim()
    {
        // "é" decomposed sorts by its canonical (composed) form, after "z".
        const QString decomposed = u"e\u0301cole"_qs;
        m_fx->lister->setShares(
            u"nas"_qs, {u"beta"_qs, decomposed, u"Beta"_qs, u"R&D"_qs, u"alpha"_qs, u"zeta"_qs});
        open(u"NAS"_qs, u"nas"_qs);
        QTRY_COMPARE(m_view->shareArea(), Area::Shares);
        QStringList names;
        for (QCheckBox* box : boxes())
            names.append(box->property("shareName").toString());
        QCOMPARE(names, (QStringList{u"Beta"_qs, u"R&D"_qs, u"alpha"_qs, u"beta"_qs, u"zeta"_qs,
                                     decomposed}));
        QCOMPARE(box(u"R&D"_qs)->text(), u"R&&D"_qs); // no mnemonic
        box(u"R&D"_qs)->click();
        QCOMPARE(stored().shares.first().name, u"R&D"_qs);
    }

    // Editing the host while its listing runs abandons that listing: its late result does
    // not fill the list of another host.
    void lateResultForAnEarlierHostIsDropped()
    {
        m_fx->lister->setShares(u"old"_qs, {u"Stale"_qs});
        open(u"NAS"_qs, QString());
        m_fx->lister->hold();
        typeHost(u"old"_qs);
        trigger(u"Return"_qs);
        QCOMPARE(m_view->shareArea(), Area::Loading);
        QVERIFY(!refresh()->isEnabled());
        typeHost(u"new"_qs);
        QCOMPARE(m_view->shareArea(), Area::Hint);
        QVERIFY(refresh()->isEnabled());
        QTRY_COMPARE(calls().size(), 1);
        m_fx->lister->release();
        QTest::qWait(50); // let the dropped result arrive; nothing may change
        QCOMPARE(m_view->shareArea(), Area::Hint);
        QVERIFY(m_view->availableShares().isEmpty());
    }
};

QTEST_MAIN(TestServerEditView)
#include "tst_server_edit_view.moc"
