#include "shell/translations.h"

#include <QApplication>
#include <QDirIterator>
#include <QDomDocument>
#include <QRegularExpression>
#include <QTest>

using namespace tarnwick;

// Every qtTrId key under app/ has a finished text in the embedded table of each language.
class TestTranslations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyKeyIsTranslatedInTheEmbeddedTables_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("language");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << u"de"_qs;
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedKingdom) << u"en"_qs;
        QTest::newRow("French, no table: English")
            << QLocale(QLocale::French, QLocale::France) << u"en"_qs;
    }
    void everyKeyIsTranslatedInTheEmbeddedTables()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, language);
        const QString source = qEnvironmentVariable("TARNWICK_SOURCE_DIR");
        QStringList keys;
        static const QRegularExpression call(u"qtTrId\\(\\s*\"([^\"]+)\""_qs);
        QDirIterator files(source + u"/app"_qs, {u"*.cpp"_qs, u"*.h"_qs}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            for (const auto& match : call.globalMatch(QString::fromUtf8(file.readAll())))
                keys.append(match.captured(1));
        }
        QVERIFY(keys.contains(u"menu.mount_all"_qs) && keys.contains(u"tab.general"_qs));
        QFile ts(source + u"/translations/tarnwick_%1.ts"_qs.arg(language));
        QDomDocument document;
        QVERIFY(ts.open(QIODevice::ReadOnly) && document.setContent(&ts));
        QMap<QString, QString> expected;
        const QDomNodeList messages = document.elementsByTagName(u"message"_qs);
        for (int i = 0; i < messages.size(); ++i) {
            const QDomElement text = messages.at(i).firstChildElement(u"translation"_qs);
            if (text.attribute(u"type"_qs).isEmpty())
                expected.insert(messages.at(i).toElement().attribute(u"id"_qs), text.text());
        }
        QCOMPARE(Translations::install(*qApp, locale), language);
        QStringList wrong;
        for (const QString& key : std::as_const(keys)) {
            if (expected.value(key).trimmed().isEmpty() ||
                qtTrId(qPrintable(key)) != expected.value(key))
                wrong.append(key);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(language + u" lacks: "_qs + wrong.join(u", ")));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
