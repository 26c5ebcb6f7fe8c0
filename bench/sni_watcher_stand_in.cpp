// A StatusNotifierWatcher for footprint-bench.sh: takes the well-known name on the session
// bus and prints the wall-clock time (ns since the epoch) of each item's registration, so
// the bench can tell how long a tray program takes from exec to a registered item.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDateTime>
#include <QObject>

#include <chrono>
#include <cstdio>

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service)
    {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::printf("%lld %s\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
                    qPrintable(service));
        std::fflush(stdout);
        m_items.append(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    QStringList m_items;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")))
        return 1;
    return QCoreApplication::exec();
}

#include "sni_watcher_stand_in.moc"
