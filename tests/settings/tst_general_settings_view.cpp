#include "log_capture.h"
#include "model/app_settings.h"
#include "settings/general_settings_view.h"
#include "settings/interval_text.h"
#include "settings/login_item.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSaveFile>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using namespace tarnwick;

// Gives "general.interval_value" a format with a number, whatever tables are loaded.
class IntervalFormatTranslator : public QTranslator {
public:
    static inline const QString pattern = QStringLiteral("every %lld s");
    QString translate(const char*, const char* sourceText, const char*, int) const override
    {
        return qstrcmp(sourceText, "general.interval_value") == 0 ? pattern : QString();
    }
    bool isEmpty() const override { return false; }
};

class TestGeneralSettingsView : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    IntervalFormatTranslator m_translator;
    QString m_configHome;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<GeneralSettingsView> m_view;

    QSlider* slider() const { return m_view->findChild<QSlider*>(QStringLiteral("interval")); }
    QString intervalText() const
    {
        return m_view->findChild<QLabel*>(QStringLiteral("intervalValue"))->text();
    }
    QCheckBox* check(const char* name) const
    {
        return m_view->findChild<QCheckBox*>(QString::fromLatin1(name));
    }
    static QString shown(double seconds)
    {
        return IntervalText::format(IntervalFormatTranslator::pattern, seconds);
    }
    void open()
    {
        m_view = std::make_unique<GeneralSettingsView>(*m_settings);
        m_view->show();
    }
    // Writes the settings file the way another program would, behind QSettings' back.
    void writeElsewhere(const QByteArray& ini)
    {
        QTest::qWait(20); // a new modification time, so QSettings sees a change
        QDir().mkpath(QFileInfo(m_settings->fileName()).absolutePath());
        QSaveFile file(m_settings->fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + ini + "\n");
        QVERIFY(file.commit());
    }
    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase() { QCoreApplication::installTranslator(&m_translator); }

    void init()
    {
        m_configHome = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
        QDir().mkpath(m_configHome);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome));
        m_settings = AppSettings::open(m_configHome + QStringLiteral("/tarnwick/tarnwick.conf"));
        m_settings->clear();
        m_settings->sync();
    }
    void cleanup() { m_view.reset(); }

    void nothingStoredUntilTheSliderMoves()
    {
        open();
        QCOMPARE(intervalText(), shown(120));
        QCOMPARE(slider()->value() * 30, 120);
        QVERIFY(!check("keepMountedOnQuit")->isChecked());
        // A change elsewhere makes the tab re-read the file; still nothing of ours appears.
        writeElsewhere("other=1");
        QTRY_VERIFY(m_settings->contains(QStringLiteral("other")));
        QVERIFY(!m_settings->contains(AppSettings::mountIntervalKey));
        QVERIFY(!m_settings->contains(AppSettings::keepMountedOnQuitKey));
        QCOMPARE(intervalText(), shown(120));
    }

    void sliderStoresMultiplesOfThirty_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<double>("expected");
        QTest::newRow("left end") << int(QAbstractSlider::SliderToMinimum) << 30.0;
        QTest::newRow("right end") << int(QAbstractSlider::SliderToMaximum) << 600.0;
        QTest::newRow("one step up") << int(QAbstractSlider::SliderSingleStepAdd) << 150.0;
        QTest::newRow("one page down") << int(QAbstractSlider::SliderPageStepSub) << 90.0;
    }
    void sliderStoresMultiplesOfThirty()
    {
        QFETCH(int, action);
        QFETCH(double, expected);
        open();
        slider()->triggerAction(QAbstractSlider::SliderAction(action));
        const QVariant stored = m_settings->value(AppSettings::mountIntervalKey);
        QCOMPARE(stored.typeId(), QMetaType::Double);
        QCOMPARE(stored.toDouble(), expected);
        QCOMPARE(intervalText(), shown(expected));
        m_settings->sync();
        QCOMPARE(AppSettings::mountInterval(*AppSettings::open(m_settings->fileName())), expected);
    }

    void everyPositionIsAMultipleOfThirty()
    {
        open();
        QSet<double> seen;
        for (int i = slider()->minimum(); i <= slider()->maximum(); ++i) {
            slider()->setValue(i);
            const double seconds = m_settings->value(AppSettings::mountIntervalKey).toDouble();
            QCOMPARE(std::fmod(seconds, 30.0), 0.0);
            QVERIFY(seconds >= 30.0 && seconds <= 600.0);
            seen.insert(seconds);
        }
        QCOMPARE(seen.size(), 20);
    }

    void valueStoredElsewhereIsShown_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fraction") << QByteArray("45.9") << QStringLiteral("45");
        QTest::newRow("negative fraction") << QByteArray("-45.9") << QStringLiteral("-45");
        QTest::newRow("beyond the slider") << QByteArray("3600") << QStringLiteral("3600");
        QTest::newRow("not a number") << QByteArray("soon") << QStringLiteral("120");
    }
    void valueStoredElsewhereIsShown()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, expected);
        writeElsewhere("mountInterval=" + stored);
        m_settings->sync();
        open(); // read when the tab is created
        QCOMPARE(intervalText(), QStringLiteral("every %1 s").arg(expected));

        writeElsewhere("mountInterval=270\nkeepMountedOnQuit=true"); // and while it is open
        QTRY_COMPARE(intervalText(), shown(270));
        QCOMPARE(slider()->value() * 30, 270);
        QTRY_VERIFY(check("keepMountedOnQuit")->isChecked());
        // Showing the new values wrote nothing back.
        QCOMPARE(readFile(m_settings->fileName()),
                 QByteArray("[General]\nmountInterval=270\nkeepMountedOnQuit=true\n"));
    }

    void keepMountedOnQuitIsStoredWhenToggled()
    {
        open();
        check("keepMountedOnQuit")->click();
        QCOMPARE(m_settings->value(AppSettings::keepMountedOnQuitKey).typeId(), QMetaType::Bool);
        QVERIFY(AppSettings::keepMountedOnQuit(*m_settings));
        check("keepMountedOnQuit")->click();
        QVERIFY(m_settings->contains(AppSettings::keepMountedOnQuitKey));
        QVERIFY(!AppSettings::keepMountedOnQuit(*m_settings));
    }

    void launchAtLoginReadsTheEntryWithoutTouchingIt_data()
    {
        QTest::addColumn<QByteArray>("entry"); // empty: no file
        QTest::addColumn<bool>("checked");
        QTest::newRow("no entry") << QByteArray() << false;
        QTest::newRow("entry") << LoginItem::entryContents(QStringLiteral("/usr/bin/tarnwick"))
                               << true;
        QTest::newRow("hidden entry")
            << QByteArray("[Desktop Entry]\nType=Application\nExec=tarnwick\nHidden=true\n")
            << false;
        QTest::newRow("switched off in GNOME")
            << QByteArray("[Desktop Entry]\nExec=tarnwick\nX-GNOME-Autostart-enabled=false\n")
            << false;
        QTest::newRow("key of another group")
            << QByteArray("[Desktop Entry]\nExec=tarnwick\n[Desktop Action x]\nHidden=true\n")
            << true;
    }
    void launchAtLoginReadsTheEntryWithoutTouchingIt()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, checked);
        const QString path = m_configHome + QStringLiteral("/autostart/tarnwick.desktop");
        QCOMPARE(LoginItem::entryPath(), path);
        if (!entry.isEmpty()) {
            QDir().mkpath(m_configHome + QStringLiteral("/autostart"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(entry);
        }
        open();
        QCOMPARE(check("launchAtLogin")->isChecked(), checked);
        m_view.reset();
        QCOMPARE(QFile::exists(path), !entry.isEmpty());
        QCOMPARE(readFile(path), entry);
    }

    void togglingLaunchAtLoginWritesAndRemovesTheEntry()
    {
        test::LogCapture log;
        const QString path = m_configHome + QStringLiteral("/autostart/tarnwick.desktop");
        open();
        check("launchAtLogin")->click();
        QVERIFY(QFile::exists(path));
        QVERIFY(LoginItem::isEnabled());
        QVERIFY(readFile(path).contains(
            "\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));
        check("launchAtLogin")->click();
        QVERIFY(!QFile::exists(path));
        QVERIFY(log.lines().isEmpty());
    }

    void launchAtLoginFailureIsLoggedAndTheToggleStays()
    {
        test::LogCapture log;
        // The autostart directory cannot be created where a file is in the way.
        QFile blocker(m_configHome + QStringLiteral("/autostart"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        open();
        check("launchAtLogin")->click();
        QVERIFY(check("launchAtLogin")->isChecked());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(QStringLiteral("[Tarnwick] LoginItem error: ")));
        QVERIFY(log.lines().first().size() > 28);

        // An entry that cannot be removed (a directory in its place).
        QVERIFY(blocker.remove());
        QVERIFY(QDir().mkpath(LoginItem::entryPath() + QStringLiteral("/x")));
        log.clear();
        check("launchAtLogin")->click();
        QVERIFY(!check("launchAtLogin")->isChecked());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(QStringLiteral("[Tarnwick] LoginItem error: ")));
    }

    void execLineQuotesReservedCharacters_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("exec");
        QTest::newRow("plain") << QStringLiteral("/usr/bin/tarnwick")
                               << QByteArray("Exec=/usr/bin/tarnwick");
        QTest::newRow("space and percent") << QStringLiteral("/opt/My Apps/tarn%wick")
                                           << QByteArray("Exec=\"/opt/My Apps/tarn%%wick\"");
        QTest::newRow("dollar and quote")
            << QStringLiteral("/opt/a$b\"c") << QByteArray("Exec=\"/opt/a\\\\$b\\\\\"c\"");
        QTest::newRow("backslash")
            << QStringLiteral("/opt/a\\b") << QByteArray("Exec=\"/opt/a\\\\\\\\b\"");
    }
    void execLineQuotesReservedCharacters()
    {
        QFETCH(QString, executable);
        QFETCH(QByteArray, exec);
        const QList<QByteArray> lines = LoginItem::entryContents(executable).split('\n');
        QVERIFY2(lines.contains(exec), LoginItem::entryContents(executable).constData());
    }

    void versionComesFromTheBuild_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("shown");
        QTest::newRow("set") << QStringLiteral("1.4.2") << QStringLiteral("1.4.2");
        QTest::newRow("missing") << QString() << QStringLiteral("\u2013");
    }
    void versionComesFromTheBuild()
    {
        QFETCH(QString, version);
        QFETCH(QString, shown);
        QCoreApplication::setApplicationVersion(version);
        open();
        QCOMPARE(m_view->findChild<QLabel*>(QStringLiteral("version"))->text(), shown);
        const QString link = m_view->findChild<QLabel*>(QStringLiteral("website"))->text();
        QVERIFY(link.contains(QStringLiteral("href=\"") + GeneralSettingsView::websiteUrl));
    }

    void intervalFormat_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("printf lld") << QStringLiteral("%lld s") << 45.9 << QStringLiteral("45 s");
        QTest::newRow("printf d") << QStringLiteral("every %d sec") << 600.0
                                  << QStringLiteral("every 600 sec");
        QTest::newRow("qt style") << QStringLiteral("%1 Sekunden") << 120.0
                                  << QStringLiteral("120 Sekunden");
        QTest::newRow("toward zero") << QStringLiteral("%ld") << -0.9 << QStringLiteral("0");
        QTest::newRow("percent sign") << QStringLiteral("%d %%") << 30.0 << QStringLiteral("30 %");
        QTest::newRow("only the first")
            << QStringLiteral("%d/%d") << 30.0 << QStringLiteral("30/%d");
        QTest::newRow("foreign conversion")
            << QStringLiteral("%s %d") << 30.0 << QStringLiteral("%s 30");
        QTest::newRow("largest") << QStringLiteral("%lld") << 9223372036854774784.0
                                 << QStringLiteral("9223372036854774784");
        QTest::newRow("beyond 64 bits")
            << QStringLiteral("%lld s") << 1e19 << QStringLiteral("\u2013 s");
        QTest::newRow("infinite") << QStringLiteral("%lld") << qInf() << QStringLiteral("\u2013");
        QTest::newRow("not a number")
            << QStringLiteral("%lld") << qQNaN() << QStringLiteral("\u2013");
    }
    void intervalFormat()
    {
        QFETCH(QString, pattern);
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(IntervalText::format(pattern, seconds), text);
    }
};

QTEST_MAIN(TestGeneralSettingsView)
#include "tst_general_settings_view.moc"
