#include "model/app_settings.h"
#include "shell/app_events.h"
#include "shell/share_notifier.h"
#include "shell/share_status_text.h"
#include "shell/translations.h"
#include "style/style.h"
#include "tray_test_app.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarnwick;
using namespace tarnwick::test;
using State = ShareStatus::State;
using Reason = ShareStatus::Reason;

class TestShareStatusView : public QObject {
    Q_OBJECT
    StandInNotifications m_server;
    static ShareStatus status(QChar code)
    {
        // m mounted, b mounting, u unmounting, n not mounted, r login refused, x unreachable
        const qsizetype i = u"mbunrx"_qs.indexOf(code);
        const State states[] = {State::Mounted, State::Mounting, State::Unmounting};
        const Reason reasons[] = {Reason::None, Reason::LoginRefused, Reason::ServerUnreachable};
        return {u"Media"_qs,
                i < 3 ? states[i] : State::NotMounted,
                i < 3 ? Reason::None : reasons[i - 3],
                0,
                {}};
    }
private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(Translations::install(*qApp, QLocale(QLocale::English)), u"en"_qs);
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(u"/org/freedesktop/Notifications"_qs, &m_server,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(u"org.freedesktop.Notifications"_qs));
    }
    void statusSaysWhyAndShowsIt_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("attention");
        QTest::newRow("mounted, reason stale") << State::Mounted << Reason::TimedOut << QString()
                                               << u"checkmark.circle.fill"_qs << false;
        QTest::newRow("mounting") << State::Mounting << Reason::LoginRefused << QString()
                                  << u"arrow.triangle.2.circlepath"_qs << false;
        QTest::newRow("never tried")
            << State::NotMounted << Reason::None << QString() << u"circle"_qs << false;
        QTest::newRow("unreachable") << State::NotMounted << Reason::ServerUnreachable
                                     << u"Server not reachable"_qs << u"wifi.slash"_qs << true;
        QTest::newRow("refused") << State::NotMounted << Reason::LoginRefused
                                 << u"Login refused — store the new password"_qs
                                 << u"exclamationmark.triangle"_qs << true;
        QTest::newRow("no share") << State::NotMounted << Reason::NoSuchShare
                                  << u"No such share on the server"_qs
                                  << u"exclamationmark.triangle"_qs << false;
        QTest::newRow("failed") << State::NotMounted << Reason::MountFailed
                                << u"Mount failed (32)"_qs << u"exclamationmark.triangle"_qs
                                << false;
    }
    void statusSaysWhyAndShowsIt()
    {
        QFETCH(State, state);
        QFETCH(Reason, reason);
        QFETCH(QString, text);
        QFETCH(QString, symbol);
        const QDateTime tried(QDate(2024, 5, 6), QTime(14, 5));
        const ShareStatus s{u"Media"_qs, state, reason, 32, tried};
        QCOMPARE(ShareStatusText::reason(s), text);
        QCOMPARE(ShareStatusText::symbol(s), symbol);
        QFETCH(bool, attention);
        QCOMPARE(ShareStatusText::needsAttention(s), attention);
        // The time of the last try follows the reason, in the locale's short format.
        const QString detail = ShareStatusText::detail(s, QLocale(QLocale::German));
        QCOMPARE(detail.startsWith(text) && detail.endsWith(u"14:05"_qs), !text.isEmpty());
        QCOMPARE(ShareStatusText::tint(s, Qt::black) == Style::secondary(Qt::black),
                 state == State::NotMounted && reason == Reason::None);
    }
    void notifiesOncePerChangeOfStatus_data()
    {
        QTest::addColumn<QString>("publications"); // one status code per publication
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("told");
        const QString refused = u"Login for “Media” refused|settings,Open settings"_qs;
        const QString lost = u"“Media” is no longer mounted|settings,Open settings"_qs;
        QTest::newRow("refused over five cycles") << u"rbrbr"_qs << true << QStringList{refused};
        QTest::newRow("refused, mounted, refused")
            << u"rmbr"_qs << true << QStringList{refused, refused};
        QTest::newRow("detached") << u"mxxbx"_qs << true << QStringList{lost};
        QTest::newRow("unmounted by the user, unreachable")
            << u"munxbx"_qs << true << QStringList{};
        QTest::newRow("switched off") << u"mxrbr"_qs << false << QStringList{};
    }
    void notifiesOncePerChangeOfStatus()
    {
        QFETCH(QString, publications);
        QFETCH(QStringList, told);
        QTemporaryDir dir;
        QSettings settings(dir.filePath(u"t.conf"_qs), QSettings::IniFormat);
        QFETCH(bool, enabled);
        if (!enabled)
            settings.setValue(AppSettings::notificationsKey, false);
        m_server.summaries.clear();
        ShareNotifier notifier(QDBusConnection::sessionBus(), settings);
        for (QChar code : publications)
            notifier.update({{u"media"_qs, status(code)}});
        QTRY_COMPARE(m_server.summaries, told);
        QTest::qWait(50); // nothing more on its way
        QCOMPARE(m_server.summaries, told);
        if (told.isEmpty())
            return;
        // "Open settings" on the server opens the settings window; another's action does not.
        QSignalSpy opened(&AppEvents::instance(), &AppEvents::openSettingsRequest);
        for (uint id : {uint(told.size()), 99u}) {
            QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_qs,
                                                             u"org.freedesktop.Notifications"_qs,
                                                             u"ActionInvoked"_qs);
            QDBusConnection::sessionBus().send(signal << id << u"settings"_qs);
        }
        QTRY_COMPARE(opened.count(), 1);
        QTest::qWait(50);
        QCOMPARE(opened.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestShareStatusView)
#include "tst_share_status_view.moc"
