#include "log_capture.h"
#include "model/app_settings.h"
#include "settings/general_settings_view.h"
#include "settings/interval_text.h"
#include "settings/login_item.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
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
    QString translate(const char*, const char* key, const char*, int) const override
    {
        return qstrcmp(key, "general.interval_value") == 0 ? u"every %lld s"_qs : QString();
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

    QSlider* slider() const { return m_view->findChild<QSlider*>(u"interval"_qs); }
    QCheckBox* check(const char* name) const
    {
        return m_view->findChild<QCheckBox*>(QLatin1StringView(name));
    }
    QString label(const char* name) const
    {
        return m_view->findChild<QLabel*>(QLatin1StringView(name))->text();
    }
    QString entryPath() const { return m_configHome + u"/autostart/tarnwick.desktop"_qs; }
    void open()
    {
        m_view = std::make_unique<GeneralSettingsView>(*m_settings);
        m_view->show();
    }
    // Writes the settings file the way another program would, behind QSettings' back.
    void writeElsewhere(const QByteArray& ini)
    {
        QTest::qWait(20); // a new modification time, so QSettings sees a change
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
        // A fresh configuration home for each test and data row.
        m_configHome = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u'.' +
                                      QString::fromLatin1(QTest::currentDataTag()));
        QDir().mkpath(m_configHome + u"/tarnwick"_qs);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome));
        m_settings = AppSettings::open(m_configHome + u"/tarnwick/tarnwick.conf"_qs);
    }
    void cleanup() { m_view.reset(); }

    void storedValuesAreShownWithoutBeingWritten_data()
    {
        QTest::addColumn<QByteArray>("stored"); // empty: nothing stored
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing") << QByteArray() << u"120"_qs;
        QTest::newRow("fraction") << QByteArray("45.9") << u"45"_qs;
        QTest::newRow("beyond the slider") << QByteArray("3600") << u"3600"_qs;
        QTest::newRow("not a number") << QByteArray("soon") << u"120"_qs;
        QTest::newRow("beyond 64 bits") << QByteArray("1e19") << u"\u2013"_qs;
        QTest::newRow("infinite") << QByteArray("inf") << u"\u2013"_qs;
    }
    void storedValuesAreShownWithoutBeingWritten()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        if (!stored.isEmpty())
            writeElsewhere("mountInterval=" + stored);
        m_settings->sync();
        open(); // read when the tab is created
        QCOMPARE(label("intervalValue"), u"every %1 s"_qs.arg(shown));
        QVERIFY(!check("keepMountedOnQuit")->isChecked());
        m_settings->sync();
        QCOMPARE(m_settings->value(AppSettings::mountIntervalKey).toByteArray(), stored);
        QVERIFY(!m_settings->contains(AppSettings::keepMountedOnQuitKey));

        writeElsewhere("mountInterval=270\nkeepMountedOnQuit=true"); // and while it is open
        QTRY_COMPARE(label("intervalValue"), u"every 270 s"_qs);
        QCOMPARE(slider()->value() * 30, 270);
        QTRY_VERIFY(check("keepMountedOnQuit")->isChecked());
        QCOMPARE(readFile(m_settings->fileName()),
                 QByteArray("[General]\nmountInterval=270\nkeepMountedOnQuit=true\n"));
    }

    void controlsStoreWhatTheUserSets()
    {
        open();
        check("keepMountedOnQuit")->click();
        QCOMPARE(m_settings->value(AppSettings::keepMountedOnQuitKey), QVariant(true));
        check("keepMountedOnQuit")->click();
        QCOMPARE(m_settings->value(AppSettings::keepMountedOnQuitKey), QVariant(false));
        // The slider: its ends store 30.0 and 600.0, every position a multiple of 30.
        slider()->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(m_settings->value(AppSettings::mountIntervalKey).typeId(), QMetaType::Double);
        QCOMPARE(m_settings->value(AppSettings::mountIntervalKey).toDouble(), 30.0);
        QCOMPARE(label("intervalValue"), u"every 30 s"_qs);
        slider()->triggerAction(QAbstractSlider::SliderToMaximum);
        m_settings->sync();
        QCOMPARE(AppSettings::mountInterval(*AppSettings::open(m_settings->fileName())), 600.0);
        QSet<double> seen;
        for (int i = slider()->minimum(); i <= slider()->maximum(); ++i) {
            slider()->setValue(i);
            const double seconds = m_settings->value(AppSettings::mountIntervalKey).toDouble();
            QVERIFY(std::fmod(seconds, 30.0) == 0.0 && seconds >= 30.0 && seconds <= 600.0);
            seen.insert(seconds);
        }
        QCOMPARE(seen.size(), 20);
    }

    void launchAtLoginReadsTheEntryWithoutTouchingIt_data()
    {
        QTest::addColumn<QByteArray>("entry"); // empty: no file
        QTest::addColumn<bool>("checked");
        QTest::newRow("no entry") << QByteArray() << false;
        QTest::newRow("entry") << LoginItem::entryContents(u"/usr/bin/tarnwick"_qs) << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=tarnwick\nHidden=true\n")
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
        QCOMPARE(LoginItem::entryPath(), entryPath());
        if (!entry.isEmpty()) {
            QDir().mkpath(m_configHome + u"/autostart"_qs);
            QFile file(entryPath());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(entry) == entry.size());
        }
        open();
        QCOMPARE(check("launchAtLogin")->isChecked(), checked);
        m_view.reset();
        QCOMPARE(QFile::exists(entryPath()), !entry.isEmpty());
        QCOMPARE(readFile(entryPath()), entry);
    }

    void launchAtLoginWritesAndRemovesTheEntryAndLogsFailures()
    {
        test::LogCapture log;
        open();
        QCheckBox* toggle = check("launchAtLogin");
        toggle->click();
        QVERIFY(LoginItem::isEnabled());
        QVERIFY(readFile(entryPath())
                    .contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));
        toggle->click();
        QVERIFY(!QFile::exists(entryPath()));
        QVERIFY(log.lines().isEmpty());

        // A file where the directory goes: the toggle stays where the user put it.
        QVERIFY(QDir().rmdir(m_configHome + u"/autostart"_qs));
        QFile blocker(m_configHome + u"/autostart"_qs);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        toggle->click();
        QVERIFY(toggle->isChecked());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(u"[Tarnwick] LoginItem error: "_qs));
        QVERIFY(log.lines().first().size() > 28); // with a reason
        // An entry that cannot be removed: a directory.
        QVERIFY(blocker.remove() && QDir().mkpath(entryPath() + u"/x"_qs));
        log.clear();
        toggle->click();
        QVERIFY(!toggle->isChecked());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(u"[Tarnwick] LoginItem error: "_qs));
    }

    void execLineQuotesReservedCharacters()
    {
        QVERIFY(LoginItem::entryContents(u"/opt/My Apps/tarn%wick"_qs)
                    .contains("\nExec=\"/opt/My Apps/tarn%%wick\"\n"));
        QVERIFY(LoginItem::entryContents(u"/opt/a$b\"c\\d"_qs)
                    .contains("\nExec=\"/opt/a\\\\$b\\\\\"c\\\\\\\\d\"\n"));
        QVERIFY(LoginItem::entryContents(u"/usr/bin/tarnwick"_qs, u"/home/a b/t.conf"_qs)
                    .contains("\nExec=/usr/bin/tarnwick --settings \"/home/a b/t.conf\"\n"));
    }

    void aboutShowsTheBuildsVersionAndTheWebsite()
    {
        for (const QString& version : {u"1.4.2"_qs, QString()}) {
            QCoreApplication::setApplicationVersion(version);
            open();
            QCOMPARE(label("version"), version.isEmpty() ? u"\u2013"_qs : version);
        }
        QVERIFY(label("website").contains(u"href=\""_qs + GeneralSettingsView::websiteUrl));
    }

    // Formats a translation may use besides "%lld".
    void intervalFormat_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::newRow("qt style") << u"%1 Sekunden"_qs << u"45 Sekunden"_qs;
        QTest::newRow("percent sign") << u"%d %%"_qs << u"45 %"_qs;
        QTest::newRow("only the first") << u"%s %i/%d"_qs << u"%s 45/%d"_qs;
    }
    void intervalFormat()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(IntervalText::format(pattern, 45.9), text);
    }
};

QTEST_MAIN(TestGeneralSettingsView)
#include "tst_general_settings_view.moc"
