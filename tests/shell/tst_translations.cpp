#include "shell/symbol_icons.h"
#include "shell/translations.h"

#include <QApplication>
#include <QDirIterator>
#include <QDomDocument>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

using namespace tarnwick;

// The interface texts and symbols that ship inside the binary.
class TestTranslations : public QObject {
    Q_OBJECT

    QString m_source;

    // Every key the code looks up: qtTrId("...") anywhere under app/.
    QStringList keysUsedInCode() const
    {
        static const QRegularExpression call(QStringLiteral("qtTrId\\(\\s*\"([^\"]+)\""));
        QStringList keys;
        QDirIterator files(m_source + QStringLiteral("/app"),
                           {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            for (const QRegularExpressionMatch& match : call.globalMatch(text))
                keys.append(match.captured(1));
        }
        keys.removeDuplicates();
        keys.sort();
        return keys;
    }

    // id -> translation of a .ts table; unfinished or empty entries are left out.
    QMap<QString, QString> table(const QString& language) const
    {
        QFile file(m_source + QStringLiteral("/translations/tarnwick_%1.ts").arg(language));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file.fileName()));
        QDomDocument document;
        if (!document.setContent(&file))
            qFatal("%s is not XML", qPrintable(file.fileName()));
        QMap<QString, QString> entries;
        const QDomNodeList messages = document.elementsByTagName(QStringLiteral("message"));
        for (int i = 0; i < messages.size(); ++i) {
            const QDomElement message = messages.at(i).toElement();
            const QDomElement translation =
                message.firstChildElement(QStringLiteral("translation"));
            if (translation.attribute(QStringLiteral("type")).isEmpty() &&
                !translation.text().trimmed().isEmpty())
                entries.insert(message.attribute(QStringLiteral("id")), translation.text());
        }
        return entries;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_source = qEnvironmentVariable("TARNWICK_SOURCE_DIR");
        QVERIFY2(!m_source.isEmpty(), "TARNWICK_SOURCE_DIR must name the source tree");
        QVERIFY(keysUsedInCode().contains(QStringLiteral("menu.mount_all")));
    }

    void cleanup() { Translations::uninstall(*qApp); }

    void everyKeyInTheCodeIsTranslated_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QStringLiteral("en");
        QTest::newRow("German") << QStringLiteral("de");
    }

    void everyKeyInTheCodeIsTranslated()
    {
        QFETCH(QString, language);
        const QMap<QString, QString> entries = table(language);
        QStringList missing;
        for (const QString& key : keysUsedInCode()) {
            if (!entries.contains(key))
                missing.append(key);
        }
        QVERIFY2(
            missing.isEmpty(),
            qPrintable(QStringLiteral("no %1 text for: %2").arg(language, missing.join(u", "))));
    }

    void bothTablesHoldTheSameFinishedKeys()
    {
        // The settings window's keys are in the tables before its code exists; neither
        // language may lag behind the other.
        const QStringList english = table(QStringLiteral("en")).keys();
        const QStringList german = table(QStringLiteral("de")).keys();
        QCOMPARE(german, english);
        static const QRegularExpression form(QStringLiteral("^[a-z_]+(\\.[a-z_]+)+$"));
        for (const QString& key : english)
            QVERIFY2(form.match(key).hasMatch(), qPrintable(key));
    }

    void embeddedTablesFollowTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("winner");
        QTest::addColumn<QString>("tableLanguage");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QStringLiteral("de") << QStringLiteral("de");
        QTest::newRow("Swiss German") << QLocale(QLocale::German, QLocale::Switzerland)
                                      << QStringLiteral("de") << QStringLiteral("de");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedKingdom)
                                 << QStringLiteral("en") << QStringLiteral("en");
        // No French table: English rather than raw keys.
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << QStringLiteral("en")
                                << QStringLiteral("en");
    }

    void embeddedTablesFollowTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, winner);
        QFETCH(QString, tableLanguage);
        QCOMPARE(Translations::install(*qApp, locale), winner);
        const QMap<QString, QString> expected = table(tableLanguage);
        for (auto entry = expected.cbegin(); entry != expected.cend(); ++entry)
            QCOMPARE(qtTrId(qPrintable(entry.key())), entry.value());
    }

    void everySymbolHasABundledDrawing()
    {
        for (const QString& symbol : SymbolIcons::symbols()) {
            QVERIFY2(QFile::exists(SymbolIcons::bundledPath(symbol)), qPrintable(symbol));
            QVERIFY(SymbolIcons::themeName(symbol).endsWith(u"-symbolic"_qs));
            const QImage drawn = SymbolIcons::tinted(symbol, Qt::red, 16, 2.0)
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(drawn.size(), QSize(32, 32));
            int covered = 0;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    const QColor pixel = drawn.pixelColor(x, y);
                    if (pixel.alpha() > 0) {
                        ++covered;
                        QCOMPARE(pixel.red(), 255); // tinted, whatever the drawing's colour
                        QCOMPARE(pixel.green(), 0);
                    }
                }
            }
            QVERIFY2(covered > 20, qPrintable(symbol));
        }
        QVERIFY(SymbolIcons::icon(u"no.such.symbol"_qs).isNull());
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
