#include "shell/tray_icon.h"

#include "mount/engine_log.h"
#include "shell/dbus_menu_exporter.h"
#include "shell/desktop_notification.h"
#include "shell/share_list_model.h"
#include "shell/status_notifier_item.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QtEndian>

namespace tarnwick {

namespace {

// The XEmbed icon from the same pixmaps the StatusNotifierItem exports.
QIcon xembedIconImage()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48}) {
        const SniPixmap pixmap = StatusNotifierItem::renderPixmap(size);
        QImage image(size, size, QImage::Format_ARGB32);
        const auto* in = reinterpret_cast<const quint32*>(pixmap.argb.constData());
        for (int y = 0; y < size; ++y) {
            auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
            for (int x = 0; x < size; ++x)
                line[x] = qFromBigEndian(in[y * size + x]);
        }
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

TrayIcon::TrayIcon(ShareListModel& model, QDBusConnection bus, bool menuOnly,
                   std::chrono::milliseconds grace, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_bus(std::move(bus))
{
    m_menu = new DbusMenuExporter(model, m_bus, this);
    m_item = new StatusNotifierItem(m_bus, DbusMenuExporter::path(), menuOnly, this);
    const auto showSummary = [this] {
        m_item->setToolTipText(m_model.summary());
        m_item->setNeedsAttention(m_model.needsAttention());
    };
    showSummary();
    connect(&model, &ShareListModel::changed, m_item, showSummary);
    connect(m_item, &StatusNotifierItem::activated, this, [this](const QPoint& pos) {
        m_clickAnchor = pos.isNull() ? QRect() : QRect(pos, QSize(1, 1));
        Q_EMIT popoverRequested();
    });
    connect(m_item, &StatusNotifierItem::contextMenuRequested, this, &TrayIcon::menuRequested);
    connect(m_item, &StatusNotifierItem::registeredChanged, this, &TrayIcon::updateXEmbed);

    m_grace.setSingleShot(true);
    m_grace.setInterval(grace);
    connect(&m_grace, &QTimer::timeout, this, &TrayIcon::reportIfNoTray);
    m_grace.start();
    // The XEmbed icon waits for the watcher's first answer: created while a watcher runs, Qt's
    // tray icon would export a second item instead.
    connect(m_item, &StatusNotifierItem::registrationAnswered, this, &TrayIcon::updateXEmbed);
    if (!m_bus.isConnected())
        QTimer::singleShot(0, this, &TrayIcon::updateXEmbed);
}

TrayIcon::~TrayIcon()
{
    delete m_xembed;
}

void TrayIcon::updateXEmbed()
{
    // Only X11 has XEmbed trays. Qt's own tray icon picks its kind once per process, the
    // first time it is asked: ask only while no watcher is known, so it picks XEmbed.
    if (QGuiApplication::platformName() != u"xcb"_qs)
        return;
    if (m_item->isRegistered()) {
        if (m_xembed)
            m_xembed->hide();
        return;
    }
    if (!m_xembed) {
        m_xembed = new QSystemTrayIcon(xembedIconImage());
        m_xembed->setToolTip(m_model.summary());
        connect(&m_model, &ShareListModel::changed, m_xembed,
                [this] { m_xembed->setToolTip(m_model.summary()); });
        connect(m_xembed, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
                        return;
                    m_clickAnchor = QRect();
                    Q_EMIT popoverRequested();
                });
    }
    // Shown also without a tray: it docks as soon as one appears.
    m_xembed->show();
}

TrayIcon::Host TrayIcon::host() const
{
    if (m_item->isRegistered())
        return Host::StatusNotifier;
    if (m_xembed && QSystemTrayIcon::isSystemTrayAvailable())
        return Host::XEmbed;
    return Host::None;
}

QRect TrayIcon::anchor() const
{
    if (host() == Host::XEmbed)
        return m_xembed->geometry();
    return m_clickAnchor;
}

void TrayIcon::reportIfNoTray()
{
    if (m_reported || host() != Host::None)
        return;
    m_reported = true;
    writeLogLine(
        u"[Tray] No system tray: no StatusNotifierWatcher on the session bus and no XEmbed "
        "tray; start Tarnwick again to open its settings"_qs);
    DesktopNotification::send(m_bus, qtTrId("tray.none_title"), qtTrId("tray.none_body"));
    Q_EMIT noTrayFound();
}

} // namespace tarnwick
