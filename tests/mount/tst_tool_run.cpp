#include "mount/stop_signal.h"
#include "mount/tool_run.h"
#include "test_text.h"

#include <QTest>

#include <thread>

using namespace tarnwick;
using test::s;

class TestToolRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runs_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("capture");
        QTest::addColumn<int>("limit"); // 0: none; 1: a 200 ms deadline; 2: a stop after 200 ms
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const auto row = [](const char* tag, const char* script, bool capture, int limit,
                            int status, const char* out, const char* err) {
            QTest::newRow(tag) << QByteArray(script) << capture << limit << status << s(out)
                               << s(err);
        };
        row("both streams apart", "echo out; echo err >&2; echo out2", true, 0, 0, "out\nout2\n",
            "err\n");
        row("discarded", "echo out; echo err >&2; exit 4", false, 0, 4, "", "");
        row("killed by a signal", "kill -9 $$", true, 0, 9, "", "");
        row("invalid UTF-8 reads empty", "printf 'ok\\377'; printf '\\303\\244' >&2", true, 0, 0,
            "", "\u00e4");
        row("no input: end of file at once", "cat", true, 0, 0, "", "");
        // The child ignores TERM, so only the KILL after the grace ends it (else: past the
        // test's time limit).
        const char* deaf = "trap '' TERM; echo started; exec sleep 1000";
        row("deadline", deaf, true, 1, kToolTimedOut, "started\n", "");
        row("stop signal", deaf, true, 2, kToolTimedOut, "started\n", "");
        // Interleaved writes: a reader that drains one pipe at a time would deadlock here.
        QTest::newRow("megabytes on both streams")
            << QByteArray("i=0; while [ $i -lt 32 ]; do head -c 65536 /dev/zero | tr '\\0' a; "
                          "head -c 65536 /dev/zero | tr '\\0' b >&2; i=$((i+1)); done")
            << true << 0 << 0 << QString(2 << 20, u'a') << QString(2 << 20, u'b');
    }
    void runs()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, capture);
        QFETCH(int, limit);
        StopSignal stop;
        ToolInput input;
        input.deadline = std::chrono::milliseconds(limit == 1 ? 200 : 0);
        input.stop = limit == 2 ? &stop : nullptr;
        std::thread stopper([&] {
            if (limit == 2)
                stop.sleepFor(std::chrono::milliseconds(200));
            stop.stop();
        });
        const auto streams = capture ? ToolStream::Capture : ToolStream::Discard;
        const ToolResult r =
            runTool(s("/bin/sh"), {s("-c"), QString::fromUtf8(script)}, streams, streams, input);
        stopper.join();
        QTEST(r.status, "status");
        QCOMPARE(r.timedOut, limit != 0);
        QTEST(r.out, "out");
        QTEST(r.err, "err");
    }
};

QTEST_GUILESS_MAIN(TestToolRun)
#include "tst_tool_run.moc"
