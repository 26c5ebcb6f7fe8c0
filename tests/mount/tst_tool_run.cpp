#include "log_capture.h"
#include "mount/engine_log.h"
#include "mount/tool_run.h"

#include <QTest>
#include <QtConcurrent>

using namespace tarnwick;

class TestToolRun : public QObject {
    Q_OBJECT

    static ToolResult sh(const QString& script, ToolStream out = ToolStream::Capture,
                         ToolStream err = ToolStream::Capture, const ToolInput& input = {})
    {
        return runTool(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, out, err, input);
    }

private Q_SLOTS:
    void exitStatuses_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("status");
        QTest::newRow("success") << QStringLiteral("exit 0") << 0;
        QTest::newRow("failure") << QStringLiteral("exit 3") << 3;
        QTest::newRow("high status") << QStringLiteral("exit 255") << 255;
        QTest::newRow("killed by signal") << QStringLiteral("kill -9 $$") << 9;
    }
    void exitStatuses()
    {
        QFETCH(QString, script);
        QFETCH(int, status);
        QCOMPARE(sh(script).status, status);
    }

    void capturesBothStreamsSeparately()
    {
        const ToolResult r = sh(QStringLiteral("echo out; echo err >&2; echo out2"));
        QCOMPARE(r.out, QStringLiteral("out\nout2\n"));
        QCOMPARE(r.err, QStringLiteral("err\n"));
    }

    void discardedStreamsStayEmpty()
    {
        const ToolResult r = sh(QStringLiteral("echo out; echo err >&2; exit 4"),
                                ToolStream::Discard, ToolStream::Discard);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.isEmpty());
        QCOMPARE(r.status, 4);
    }

    void megabytesOnBothStreamsDoNotBlock()
    {
        // Interleaved writes: a reader that drains one pipe at a time would deadlock here.
        const ToolResult r =
            sh(QStringLiteral("i=0; while [ $i -lt 32 ]; do head -c 65536 /dev/zero | tr '\\0' a; "
                              "head -c 65536 /dev/zero | tr '\\0' b >&2; i=$((i+1)); done"));
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.size(), 2 * 1024 * 1024);
        QCOMPARE(r.err.size(), 2 * 1024 * 1024);
        QVERIFY(r.out.count(u'a') == r.out.size());
    }

    void invalidUtf8ReadsEmpty()
    {
        const ToolResult r =
            sh(QStringLiteral("printf 'ok\\377\\376'; printf 'fine \\303\\244' >&2"));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(r.err, QStringLiteral("fine \u00e4"));
    }

    void missingToolIsAFailedRun_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/tool");
        QTest::newRow("not executable") << QStringLiteral("/etc/hostname");
        QTest::newRow("a directory") << QStringLiteral("/tmp");
    }
    void missingToolIsAFailedRun()
    {
        QFETCH(QString, path);
        const ToolResult r = runTool(path, {}, ToolStream::Capture, ToolStream::Capture);
        QCOMPARE(r.status, kToolNotStarted);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.isEmpty());
    }

    void standardInputAndEnvironment()
    {
        ToolInput input;
        input.stdinData = QByteArrayLiteral("secret text");
        input.extraEnv.insert(QStringLiteral("TARNWICK_TEST_VALUE"), QStringLiteral("v1"));
        const ToolResult r =
            sh(QStringLiteral("cat; echo; echo $TARNWICK_TEST_VALUE; echo ${HOME:+home}"),
               ToolStream::Capture, ToolStream::Capture, input);
        QCOMPARE(r.out, QStringLiteral("secret text\nv1\nhome\n"));
        // Without input, stdin is at end of file at once instead of inheriting ours.
        QCOMPARE(sh(QStringLiteral("cat")).out, QString());
    }

    void argumentsPassUnchanged()
    {
        const QStringList args{QStringLiteral("-c"),
                               QStringLiteral("printf '%s|' \"$@\""),
                               QStringLiteral("sh"),
                               QStringLiteral("a b"),
                               QStringLiteral("smb "),
                               QStringLiteral("$HOME"),
                               QString()};
        QCOMPARE(
            runTool(QStringLiteral("/bin/sh"), args, ToolStream::Capture, ToolStream::Discard).out,
            QStringLiteral("a b|smb |$HOME||"));
    }

    void runsFromManyThreadsAtOnce()
    {
        QList<int> inputs(16);
        std::iota(inputs.begin(), inputs.end(), 0);
        const QList<int> statuses = QtConcurrent::blockingMapped(
            inputs, [](int i) { return sh(QStringLiteral("exit %1").arg(i)).status; });
        QCOMPARE(statuses, inputs);
    }

    void logLinesAreWholeAndTagged()
    {
        test::LogCapture capture;
        QList<int> inputs(200);
        std::iota(inputs.begin(), inputs.end(), 0);
        QtConcurrent::blockingMap(inputs, [](int i) { log(QStringLiteral("[S%1] line").arg(i)); });
        const QStringList lines = capture.lines();
        QCOMPARE(lines.size(), 200);
        for (int i = 0; i < 200; ++i)
            QVERIFY(lines.contains(QStringLiteral("[Tarnwick] [S%1] line").arg(i)));
    }
};

QTEST_GUILESS_MAIN(TestToolRun)
#include "tst_tool_run.moc"
