#include "shell/translations.h"
#include "style/symbol_icons.h"

#include <QApplication>
#include <QDirIterator>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

using namespace tarnwick;

// The interface texts and symbols that ship inside the binary.
class TestTranslations : public QObject {
    Q_OBJECT

    QStringList m_keys; // every qtTrId("...") under app/

    // id -> finished translation in translations/tarnwick_<language>.ts
    static QMap<QString, QString> table(const QString& language)
    {
        QFile file(qEnvironmentVariable("TARNWICK_SOURCE_DIR") +
                   u"/translations/tarnwick_%1.ts"_qs.arg(language));
        QDomDocument document;
        if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file))
            qFatal("cannot read %s", qPrintable(file.fileName()));
        QMap<QString, QString> entries;
        const QDomNodeList messages = document.elementsByTagName(u"message"_qs);
        for (int i = 0; i < messages.size(); ++i) {
            const QDomElement translation = messages.at(i).firstChildElement(u"translation"_qs);
            if (translation.attribute(u"type"_qs).isEmpty())
                entries.insert(messages.at(i).toElement().attribute(u"id"_qs), translation.text());
        }
        return entries;
    }

private Q_SLOTS:
    void initTestCase()
    {
        static const QRegularExpression call(u"qtTrId\\(\\s*\"([^\"]+)\""_qs);
        QDirIterator files(qEnvironmentVariable("TARNWICK_SOURCE_DIR") + u"/app"_qs,
                           {u"*.cpp"_qs, u"*.h"_qs}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            for (const QRegularExpressionMatch& match :
                 call.globalMatch(QString::fromUtf8(file.readAll())))
                m_keys.append(match.captured(1));
        }
        m_keys.removeDuplicates();
        QVERIFY(m_keys.contains(u"menu.mount_all"_qs) && m_keys.contains(u"tab.general"_qs));
    }
    void cleanupTestCase() { Translations::uninstall(*qApp); }

    void everyKeyIsTranslatedInTheEmbeddedTables_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("language");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << u"de"_qs;
        QTest::newRow("Swiss German") << QLocale(QLocale::German, QLocale::Switzerland) << u"de"_qs;
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedKingdom) << u"en"_qs;
        // No French table: English rather than raw keys.
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << u"en"_qs;
    }
    void everyKeyIsTranslatedInTheEmbeddedTables()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, language);
        QCOMPARE(Translations::install(*qApp, locale), language);
        const QMap<QString, QString> expected = table(language);
        QStringList wrong;
        for (const QString& key : std::as_const(m_keys)) {
            if (expected.value(key).trimmed().isEmpty() ||
                qtTrId(qPrintable(key)) != expected.value(key))
                wrong.append(key);
        }
        QVERIFY2(wrong.isEmpty(),
                 qPrintable(u"no %1 text for: "_qs.arg(language) + wrong.join(u", ")));
    }

    void everySymbolHasABundledDrawingTakingTheTint()
    {
        for (const QString& symbol : SymbolIcons::symbols()) {
            QVERIFY2(QFile::exists(SymbolIcons::bundledPath(symbol)), qPrintable(symbol));
            const QImage drawn = SymbolIcons::tinted(symbol, Qt::red, 16, 2.0)
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(drawn.size(), QSize(32, 32));
            int covered = 0;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    const QRgb pixel = drawn.pixel(x, y);
                    if (qAlpha(pixel) == 0)
                        continue;
                    ++covered; // tinted, whatever the drawing's own colour
                    QVERIFY2(qRed(pixel) == 255 && qGreen(pixel) == 0, qPrintable(symbol));
                }
            }
            QVERIFY2(covered > 20, qPrintable(symbol));
        }
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
