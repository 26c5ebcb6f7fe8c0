#include "model/server_list_codec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace tarnwick;

class TestServerListCodec : public QObject {
    Q_OBJECT

private:
    static QByteArray validJson()
    {
        return QByteArrayLiteral(
            R"([{"id":"1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11","displayName":"NAS","host":"nas.local",)"
            R"("shares":[{"id":"7A1F8E2C-3D4B-4C5D-8E6F-708192A3B4C5","name":"Media","username":""}],)"
            R"("isEnabled":true}])");
    }

private Q_SLOTS:
    void roundTripKeepsIdsOrderAndEveryField()
    {
        Server first = Server::create(QStringLiteral("Büro"), QStringLiteral("10.0.0.2"));
        first.shares = {Share::create(QStringLiteral("Team Docs")),
                        Share::create(QStringLiteral("b"))};
        first.shares[1].username = QStringLiteral("anna");
        Server second = Server::create(QString(), QString()); // empty host, no shares
        second.isEnabled = false;
        const QList<Server> servers{first, second};

        const QByteArray json = ServerListCodec::encode(servers);
        const auto decoded = ServerListCodec::decode(json);
        QVERIFY(decoded);
        QCOMPARE(*decoded, servers);
        QCOMPARE(decoded->at(0).shares.at(1).id, first.shares.at(1).id);
        QCOMPARE(ServerListCodec::encode(*decoded), json);
    }

    void writesCompactUpperCaseEveryMember()
    {
        Server server = Server::create(QString(), QString());
        const QByteArray json = ServerListCodec::encode({server});
        QVERIFY(!json.contains(' '));
        QVERIFY(!json.contains('\n'));
        const QJsonObject object = QJsonDocument::fromJson(json).array().at(0).toObject();
        QCOMPARE(object.keys().size(), 5);
        QVERIFY(object.value(QStringLiteral("shares")).isArray());
        QCOMPARE(object.value(QStringLiteral("displayName")).toString(), QString());
        const QString id = object.value(QStringLiteral("id")).toString();
        QCOMPARE(id.size(), 36);
        QCOMPARE(id, id.toUpper());
        QCOMPARE(QUuid::fromString(id), server.id);
    }

    void decodesAcceptedForms_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("servers");
        QTest::newRow("empty array") << QByteArrayLiteral("[]") << 0;
        QTest::newRow("valid") << validJson() << 1;
        QByteArray extra = validJson();
        extra.replace("\"isEnabled\"", "\"color\":\"red\",\"isEnabled\"");
        QTest::newRow("unknown member ignored") << extra << 1;
        QTest::newRow("whitespace") << QByteArrayLiteral(" [ ] \n") << 0;
    }
    void decodesAcceptedForms()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, servers);
        const auto decoded = ServerListCodec::decode(json);
        QVERIFY(decoded);
        QCOMPARE(decoded->size(), servers);
    }

    void lowerCaseIdReadsAsSameUuid()
    {
        QByteArray json = validJson();
        json.replace("1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11",
                     "1f0c4c6e-2b4b-4a53-9c8e-0b9a6a2e6c11");
        const auto decoded = ServerListCodec::decode(json);
        QVERIFY(decoded);
        QCOMPARE(decoded->at(0).id,
                 QUuid::fromString(QStringLiteral("1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11")));
        QVERIFY(ServerListCodec::encode(*decoded).contains("1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11"));
    }

    void rejectsWholeArray_data()
    {
        QTest::addColumn<QByteArray>("json");
        const QByteArray valid = validJson().mid(1, validJson().size() - 2);
        // Each broken server follows a valid one, which must not survive either.
        const auto row = [&](const char* tag, const QByteArray& from, const QByteArray& to) {
            QByteArray broken = valid;
            QVERIFY2(broken.contains(from), tag);
            broken.replace(broken.indexOf(from), from.size(), to);
            QTest::newRow(tag) << QByteArray("[" + valid + "," + broken + "]");
        };
        row("share without username", ",\"username\":\"\"", "");
        row("number for isEnabled", "\"isEnabled\":true", "\"isEnabled\":1");
        row("string for isEnabled", "\"isEnabled\":true", "\"isEnabled\":\"true\"");
        row("null host", "\"host\":\"nas.local\"", "\"host\":null");
        row("shares not array", "\"shares\":[", "\"shares\":{\"a\":[");
        row("missing displayName", "\"displayName\":\"NAS\",", "");
        row("bad uuid", "1F0C4C6E-2B4B", "ZZZZZZZZ-2B4B");
        row("uuid in braces", "\"1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11\"",
            "\"{1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11}\"");
        row("uuid without dashes", "\"1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11\"",
            "\"1F0C4C6E2B4B4A539C8E0B9A6A2E6C11\"");
        QTest::newRow("not json") << QByteArray("[{");
        QTest::newRow("object not array") << valid;
        QTest::newRow("array of numbers") << QByteArray("[1]");
    }
    void rejectsWholeArray()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!ServerListCodec::decode(json));
    }

    void equalityAndHashing()
    {
        Server a = Server::create(QStringLiteral("NAS"), QStringLiteral("h"));
        Server twin = a;
        twin.id = QUuid::createUuid();
        QVERIFY(a != twin); // equal fields, different identity

        Server flipped = a;
        flipped.isEnabled = false;
        QVERIFY(a != flipped);

        Server composed = a;
        composed.displayName = QStringLiteral("Caf\u00e9");
        Server decomposed = a;
        decomposed.displayName = QStringLiteral("Cafe\u0301");
        QVERIFY(composed == decomposed);
        QCOMPARE(qHash(composed), qHash(decomposed));

        Server reordered = a;
        reordered.shares = {Share::create(QStringLiteral("x")), Share::create(QStringLiteral("y"))};
        Server swapped = reordered;
        std::swap(swapped.shares[0], swapped.shares[1]);
        QVERIFY(reordered != swapped);
    }
};

QTEST_GUILESS_MAIN(TestServerListCodec)
#include "tst_server_list_codec.moc"
