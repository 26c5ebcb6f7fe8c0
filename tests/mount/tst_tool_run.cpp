#include "mount/tool_run.h"
#include "test_text.h"

#include <QTest>
#include <QtConcurrent>

using namespace tarnwick;
using test::s;

namespace {

ToolResult sh(const QStringList& args, ToolStream streams = ToolStream::Capture,
              const ToolInput& input = {})
{
    return runTool(s("/bin/sh"), QStringList{s("-c")} + args, streams, streams, input);
}

} // namespace

class TestToolRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runs_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("capture");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const auto row = [](const char* tag, const char* script, bool capture, int status,
                            const char* out, const char* err) {
            QTest::newRow(tag) << s(script) << capture << status << s(out) << s(err);
        };
        row("both streams apart", "echo out; echo err >&2; echo out2", true, 0, "out\nout2\n",
            "err\n");
        row("discarded", "echo out; echo err >&2; exit 4", false, 4, "", "");
        row("high status", "exit 255", true, 255, "", "");
        row("killed by a signal", "kill -9 $$", true, 9, "", "");
        row("invalid UTF-8 reads empty", "printf 'ok\\377'; printf '\\303\\244' >&2", true, 0, "",
            "\u00e4");
        row("no input: end of file at once", "cat", true, 0, "", "");
    }
    void runs()
    {
        QFETCH(QString, script);
        QFETCH(bool, capture);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const ToolResult r = sh({script}, capture ? ToolStream::Capture : ToolStream::Discard);
        QCOMPARE(r.status, status);
        QCOMPARE(r.out, out);
        QCOMPARE(r.err, err);
    }

    void argumentsInputAndEnvironmentArrive()
    {
        ToolInput input{QByteArray("secret text"), {}};
        input.extraEnv.insert(s("TARNWICK_TEST_VALUE"), s("v1"));
        const ToolResult r = sh({s("printf '%s|' \"$@\"; cat; echo \" $TARNWICK_TEST_VALUE "
                                   "${HOME:+home}\""),
                                 s("sh"), s("a b"), s("smb "), s("$HOME"), QString()},
                                ToolStream::Capture, input);
        QCOMPARE(r.out, s("a b|smb |$HOME||secret text v1 home\n"));
    }

    void megabytesOnBothStreamsDoNotBlock()
    {
        // Interleaved writes: a reader that drains one pipe at a time would deadlock here.
        const ToolResult r = sh({s("i=0; while [ $i -lt 32 ]; do head -c 65536 /dev/zero | tr "
                                   "'\\0' a; head -c 65536 /dev/zero | tr '\\0' b >&2; "
                                   "i=$((i+1)); done")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QString(2 * 1024 * 1024, u'a'));
        QCOMPARE(r.err.size(), 2 * 1024 * 1024);
    }

    void toolThatCannotStartIsAFailedRun()
    {
        for (const char* path : {"/nonexistent/tool", "/etc/hostname", "/tmp"}) {
            const ToolResult r = runTool(s(path), {}, ToolStream::Capture, ToolStream::Capture);
            QCOMPARE(r.status, kToolNotStarted);
            QVERIFY(r.out.isEmpty() && r.err.isEmpty());
        }
    }

    void runsFromManyThreadsAtOnce()
    {
        QList<int> inputs(16);
        std::iota(inputs.begin(), inputs.end(), 0);
        const QList<int> statuses = QtConcurrent::blockingMapped(
            inputs, [](int i) { return sh({QStringLiteral("exit %1").arg(i)}).status; });
        QCOMPARE(statuses, inputs);
    }
};

QTEST_GUILESS_MAIN(TestToolRun)
#include "tst_tool_run.moc"
