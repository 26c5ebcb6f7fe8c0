#include "mount/stop_signal.h"
#include "mount/tool_run.h"
#include "test_text.h"

#include <QTest>

#include <csignal>
#include <thread>

using namespace tarnwick;
using test::s;

namespace {

ToolResult sh(const char* script, ToolStream streams = ToolStream::Capture)
{
    return runTool(s("/bin/sh"), {s("-c"), s(script)}, streams, streams);
}

} // namespace

class TestToolRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runs_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("capture");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const auto row = [](const char* tag, const char* script, bool capture, int status,
                            const char* out, const char* err) {
            QTest::newRow(tag) << QByteArray(script) << capture << status << s(out) << s(err);
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
        QFETCH(QByteArray, script);
        QFETCH(bool, capture);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const ToolResult r =
            sh(script.constData(), capture ? ToolStream::Capture : ToolStream::Discard);
        QCOMPARE(r.status, status);
        QCOMPARE(r.out, out);
        QCOMPARE(r.err, err);
    }

    void megabytesOnBothStreamsDoNotBlock()
    {
        // Interleaved writes: a reader that drains one pipe at a time would deadlock here.
        const ToolResult r = sh("i=0; while [ $i -lt 32 ]; do head -c 65536 /dev/zero | tr "
                                "'\\0' a; head -c 65536 /dev/zero | tr '\\0' b >&2; "
                                "i=$((i+1)); done");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QString(2 * 1024 * 1024, u'a'));
        QCOMPARE(r.err.size(), 2 * 1024 * 1024);
    }

    void endedAtDeadlineOrStop_data()
    {
        QTest::addColumn<bool>("byStop");
        QTest::newRow("deadline") << false;
        QTest::newRow("stop signal") << true;
    }
    void endedAtDeadlineOrStop()
    {
        // The child ignores TERM, so only the KILL after the grace ends it.
        QFETCH(bool, byStop);
        StopSignal stop;
        ToolInput input;
        std::thread stopper;
        if (byStop) {
            input.stop = &stop;
            stopper = std::thread([&stop] {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                stop.stop();
            });
        } else {
            input.deadline = std::chrono::milliseconds(200);
        }
        const ToolResult r =
            runTool(s("/bin/sh"), {s("-c"), s("trap '' TERM; echo $$; exec sleep 30")},
                    ToolStream::Capture, ToolStream::Capture, input);
        if (stopper.joinable())
            stopper.join();
        QVERIFY(r.timedOut);
        QCOMPARE(r.status, kToolTimedOut);
        const pid_t child = r.out.trimmed().toInt();
        QVERIFY(child > 0);
        QCOMPARE(::kill(child, 0), -1);
    }
};

QTEST_GUILESS_MAIN(TestToolRun)
#include "tst_tool_run.moc"
