#include "model/server_list_codec.h"
#include "test_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace tarnwick;
using test::s;

namespace {

const QByteArray kServerId = "1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11";
const QByteArray kServer =
    R"({"id":"1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11","displayName":"NAS","host":"nas.local",)"
    R"("shares":[{"id":"7A1F8E2C-3D4B-4C5D-8E6F-708192A3B4C5","name":"Media","username":""}],)"
    R"("isEnabled":true})";

// kServer with the first occurrence of from replaced by to.
QByteArray edited(const QByteArray& from, const QByteArray& to)
{
    QByteArray text = kServer;
    const qsizetype at = text.indexOf(from);
    if (at < 0)
        qFatal("no %s in the sample", from.constData());
    return text.replace(at, from.size(), to);
}

} // namespace

class TestServerListCodec : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsIdsOrderAndEveryField()
    {
        Server first = Server::create(s("Büro"), s("10.0.0.2"));
        first.shares = {Share::create(s("Team Docs")), Share::create(s("b"))};
        first.shares[1].username = s("anna");
        Server second = Server::create(QString(), QString()); // empty host, no shares
        second.isEnabled = false;
        const QList<Server> servers{first, second};

        const QByteArray json = ServerListCodec::encode(servers);
        const auto decoded = ServerListCodec::decode(json);
        QVERIFY(decoded);
        QCOMPARE(*decoded, servers);
        QCOMPARE(ServerListCodec::encode(*decoded), json);

        // Compact, every member written (also empty ones), ids in upper case.
        QCOMPARE(json, QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact));
        const QJsonObject object = QJsonDocument::fromJson(json).array().at(1).toObject();
        QCOMPARE(object.keys(),
                 test::list("displayName|host|id|isEnabled|shares")); // QJsonObject sorts keys
        QCOMPARE(object.value(s("id")).toString(),
                 second.id.toString(QUuid::WithoutBraces).toUpper());
    }

    void decodesAcceptedForms_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("servers");
        QTest::newRow("empty array") << QByteArray(" [ ] \n") << 0;
        QTest::newRow("valid") << "[" + kServer + "]" << 1;
        QTest::newRow("unknown member ignored")
            << "[" + edited("\"host\"", "\"x\":1,\"host\"") + "]" << 1;
        QTest::newRow("lower-case id") << "[" + edited(kServerId, kServerId.toLower()) + "]" << 1;
    }
    void decodesAcceptedForms()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, servers);
        const auto decoded = ServerListCodec::decode(json);
        QVERIFY(decoded);
        QCOMPARE(decoded->size(), servers);
        if (servers)
            QCOMPARE(decoded->at(0).id, QUuid::fromString(QLatin1StringView(kServerId)));
    }

    void rejectsWholeArray_data()
    {
        QTest::addColumn<QByteArray>("json");
        // Each broken server follows a valid one, which must not survive either.
        const auto row = [](const char* tag, const char* from, const char* to) {
            QTest::newRow(tag) << "[" + kServer + "," + edited(from, to) + "]";
        };
        row("share without username", ",\"username\":\"\"", "");
        row("number for isEnabled", "true", "1");
        row("string for isEnabled", "true", "\"true\"");
        row("null host", "\"nas.local\"", "null");
        row("shares not array", "\"shares\":[", "\"shares\":{\"a\":[");
        row("missing displayName", "\"displayName\":\"NAS\",", "");
        row("bad uuid", "1F0C4C6E-", "ZZZZZZZZ-");
        row("uuid in braces", "\"1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11\"",
            "\"{1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11}\"");
        row("uuid without dashes", "1F0C4C6E-2B4B-4A53-9C8E-", "1F0C4C6E2B4B4A539C8E");
        row("uuid with a final line feed", "0B9A6A2E6C11\"", "0B9A6A2E6C11\\n\"");
        QTest::newRow("not json") << QByteArray("[{");
        QTest::newRow("object not array") << kServer;
        QTest::newRow("array of numbers") << QByteArray("[1]");
    }
    void rejectsWholeArray()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!ServerListCodec::decode(json));
    }

    void equalityAndHashing()
    {
        const Server a = Server::create(s("NAS"), s("h"));
        Server twin = a, flipped = a, composed = a, decomposed = a;
        twin.id = QUuid::createUuid();
        QVERIFY(a != twin); // equal fields, different identity
        flipped.isEnabled = false;
        QVERIFY(a != flipped);

        composed.displayName = s("Caf\u00e9");
        decomposed.displayName = s("Cafe\u0301");
        QVERIFY(composed == decomposed);
        QCOMPARE(qHash(composed), qHash(decomposed));
    }
};

QTEST_GUILESS_MAIN(TestServerListCodec)
#include "tst_server_list_codec.moc"
