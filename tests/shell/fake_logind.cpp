// A stand-in for systemd-logind on a private system bus: the Inhibit method with a real
// file descriptor whose closing it notices, PrepareForShutdown on request, and a control
// interface that reports what happened. Started by D-Bus activation.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace {

QDBusConnection bus()
{
    // The bus that started this process (its address is not in the system-bus variable).
    static const QDBusConnection connection = QDBusConnection::connectToBus(
        qEnvironmentVariable("DBUS_STARTER_ADDRESS"), QStringLiteral("starter"));
    return connection;
}

struct State {
    uint active = 0;
    uint taken = 0;
    uint released = 0;
    QString last; // what and mode of the last lock taken
};
State g_state;

} // namespace

class Manager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& /*who*/,
                                    const QString& /*why*/, const QString& mode)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        // We keep the read end: end of file there means every copy of the write end,
        // the one the caller holds included, is closed.
        auto* notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [notifier, fd = ends[0]] {
            char byte;
            if (::read(fd, &byte, 1) > 0)
                return;
            notifier->setEnabled(false);
            notifier->deleteLater();
            ::close(fd);
            --g_state.active;
            ++g_state.released;
        });
        ++g_state.active;
        ++g_state.taken;
        g_state.last = what + u' ' + mode;
        QDBusUnixFileDescriptor handed(ends[1]); // a duplicate travels in the reply
        ::close(ends[1]);
        return handed;
    }

Q_SIGNALS:
    void PrepareForShutdown(bool start);
};

class Control : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarnwick.FakeLogind")

public:
    explicit Control(Manager* manager)
        : m_manager(manager)
    {
    }

public Q_SLOTS:
    void EmitPrepareForShutdown(bool start) { Q_EMIT m_manager->PrepareForShutdown(start); }
    uint Active() { return g_state.active; }
    uint Taken() { return g_state.taken; }
    uint Released() { return g_state.released; }
    QString Last() { return g_state.last; }

private:
    Manager* m_manager;
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Manager manager;
    Control control(&manager);
    QDBusConnection connection = bus();
    if (!connection.isConnected())
        return 1;
    connection.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
    connection.registerObject(QStringLiteral("/control"), &control,
                              QDBusConnection::ExportAllSlots);
    if (!connection.registerService(QStringLiteral("org.freedesktop.login1")))
        return 1;
    return QCoreApplication::exec();
}

#include "fake_logind.moc"
