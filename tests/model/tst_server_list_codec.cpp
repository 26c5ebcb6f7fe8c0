#include "model/server_list_codec.h"
#include "test_text.h"

#include <QTest>

using namespace tarnwick;
using test::s;

const QByteArray kServerId = "1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11";
const QByteArray kServer =
    R"({"id":"1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11","displayName":"NAS","host":"nas.local",)"
    R"("shares":[{"id":"7A1F8E2C-3D4B-4C5D-8E6F-708192A3B4C5","name":"Media","username":""}],)"
    R"("isEnabled":true})";

// kServer with the first occurrence of from replaced by to.
static QByteArray edited(const QByteArray& from, const QByteArray& to)
{
    const qsizetype at = kServer.indexOf(from);
    Q_ASSERT(at >= 0);
    return QByteArray(kServer).replace(at, from.size(), to);
}

class TestServerListCodec : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Ids, order and every field survive (decoding wants every member but "networks" and
    // "wakeOnLan"); compact text with upper-case ids, those two only when set; unknown members,
    // lower-case ids and MAC addresses in other spellings are read too.
    void roundTripKeepsIdsOrderAndEveryField()
    {
        Server first = Server::create(s("Büro"), s("10.0.0.2"));
        first.shares = {Share::create(s("Team Docs")),
                        Share{QUuid::createUuid(), s("b"), s("anna")}};
        first.networks = {s("Café"), s("home")};
        first.wakeOnLan = s("0A:1B:2C:3D:4E:5F");
        const Server second{QUuid::createUuid(), {}, {}, {}, false};
        const QByteArray json = ServerListCodec::encode({first, second});
        QCOMPARE(ServerListCodec::decode(json), (QList<Server>{first, second}));
        const QByteArray id = second.id.toString(QUuid::WithoutBraces).toUpper().toUtf8();
        QVERIFY(json.contains("\"id\":\"" + id + "\",\"isEnabled\":false,\"shares\":[]}"));
        QVERIFY(json.contains(R"("isEnabled":true,"networks":["Café","home"],"shares")"));
        QVERIFY(json.contains(R"(}],"wakeOnLan":"0A:1B:2C:3D:4E:5F"})"));

        QByteArray lenient =
            "[" + edited("\"host\"", "\"x\":1,\"wakeOnLan\":\"0a-1b-2c-3d-4e-5f\",\"host\"") + "]";
        const auto decoded =
            ServerListCodec::decode(lenient.replace(kServerId, kServerId.toLower()));
        QCOMPARE(decoded.value().value(0).id, QUuid::fromString(QLatin1StringView(kServerId)));
        QCOMPARE(decoded.value().value(0).wakeOnLan, first.wakeOnLan);
        QCOMPARE(ServerListCodec::decode(" [ ] \n"), QList<Server>{});
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
        row("null host", "\"nas.local\"", "null");
        row("shares not array", "\"shares\":[", "\"shares\":{\"a\":[");
        row("missing displayName", "\"displayName\":\"NAS\",", "");
        row("bad uuid", "1F0C4C6E-", "ZZZZZZZZ-");
        row("uuid in braces", "\"1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11\"",
            "\"{1F0C4C6E-2B4B-4A53-9C8E-0B9A6A2E6C11}\"");
        row("uuid without dashes", "1F0C4C6E-2B4B-4A53-9C8E-", "1F0C4C6E2B4B4A539C8E");
        row("networks not array", "\"isEnabled\"", "\"networks\":\"home\",\"isEnabled\"");
        row("network not text", "\"isEnabled\"", "\"networks\":[\"home\",1],\"isEnabled\"");
        // A MAC address is six hex pairs with one kind of separator, and names a single card.
        const auto wake = [&row](const char* tag, const char* mac) {
            row(tag, "\"isEnabled\"",
                (QByteArray("\"wakeOnLan\":") + mac + ",\"isEnabled\"").constData());
        };
        wake("wake not text", "1");
        wake("wake empty", "\"\"");
        wake("wake five pairs", "\"0A:1B:2C:3D:4E\"");
        wake("wake mixed separators", "\"0A:1B-2C:3D:4E:5F\"");
        wake("wake no separators", "\"0A1B2C3D4E5F\"");
        wake("wake not hex", "\"0A:1B:2C:3D:4E:5G\"");
        wake("wake group address", "\"01:1B:2C:3D:4E:5F\"");
        wake("wake all zero", "\"00:00:00:00:00:00\"");
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
};

QTEST_GUILESS_MAIN(TestServerListCodec)
#include "tst_server_list_codec.moc"
