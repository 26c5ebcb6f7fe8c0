#include "shell/status_notifier_item.h"

#include "mount/engine_log.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QStandardPaths>
#include <QtEndian>

#include <cstring>

namespace tarnwick {

namespace {

constexpr int registerDeadlineMs = 5000;
const QString kBundledIcon = QStringLiteral(":/tray/tarnwick-symbolic.svg");
const QString kThemeFile = QStringLiteral("hicolor/symbolic/apps/tarnwick-symbolic.svg");

} // namespace

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, const QString& menuPath,
                                       bool itemIsMenu, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_menu(menuPath)
    , m_itemIsMenu(itemIsMenu)
    , m_iconThemePath(provideIconThemePath())
{
    registerTrayDbusTypes();
    for (int size : {16, 22, 32, 48})
        m_pixmaps.append(renderPixmap(size));
    if (!m_bus.isConnected())
        return;
    m_bus.registerObject(path(), this,
                         QDBusConnection::ExportScriptableContents |
                             QDBusConnection::ExportAllProperties);
    // A new owner is a watcher that appeared late or a host that restarted: register again.
    m_watcher = new QDBusServiceWatcher(watcherService(), m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                setRegistered(false);
                if (!owner.isEmpty())
                    registerWithWatcher();
            });
    registerWithWatcher();
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_bus.isConnected())
        m_bus.unregisterObject(path());
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(watcherService(), u"/StatusNotifierWatcher"_qs,
                                       watcherService(), u"RegisterStatusNotifierItem"_qs);
    // The unique name: hosts then look for the item at /StatusNotifierItem.
    call << m_bus.baseService();
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, registerDeadlineMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<> reply = *w;
        if (!reply.isError()) {
            setRegistered(true);
        } else if (reply.error().type() != QDBusError::ServiceUnknown &&
                   reply.error().name() != u"org.freedesktop.DBus.Error.NameHasNoOwner"_qs) {
            // Without auto-start the bus answers NameHasNoOwner while no watcher runs: no
            // refusal; the owner change registers the item once one appears.
            writeLogLine(u"[Tray] StatusNotifierWatcher refused the item: "_qs +
                         reply.error().message());
        }
        Q_EMIT registrationAnswered();
    });
}

void StatusNotifierItem::setRegistered(bool registered)
{
    if (m_registered == registered)
        return;
    m_registered = registered;
    Q_EMIT registeredChanged(registered);
}

void StatusNotifierItem::setToolTipText(const QString& text)
{
    if (text == m_toolTipText)
        return;
    m_toolTipText = text;
    Q_EMIT NewToolTip();
}

void StatusNotifierItem::setNeedsAttention(bool attention)
{
    if (attention == m_attention)
        return;
    m_attention = attention;
    Q_EMIT NewStatus(status());
}

SniToolTip StatusNotifierItem::toolTip() const
{
    return {iconNameValue(), {}, title(), m_toolTipText};
}

SniPixmap StatusNotifierItem::renderPixmap(int size)
{
    // The glyph drawn a pixel smaller, white; its shape, dark and shifted a pixel in each
    // direction, underneath as the rim.
    // Rendered from the SVG at build time for these sizes, as coverage (no image decoder to
    // load); any other size is scaled from the SVG here.
    const int side = size - 2;
    QImage glyph;
    QFile coverage(u":/tray/glyph-%1.a8"_qs.arg(side));
    if (coverage.open(QIODevice::ReadOnly) && coverage.size() == qint64(side) * side) {
        const QByteArray alpha = coverage.readAll();
        glyph = QImage(side, side, QImage::Format_Alpha8);
        for (int y = 0; y < side; ++y)
            std::memcpy(glyph.scanLine(y), alpha.constData() + y * side, size_t(side));
    } else {
        QImageReader reader(kBundledIcon);
        reader.setScaledSize(QSize(side, side));
        glyph = reader.read();
    }
    glyph = glyph.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto tinted = [&glyph](const QColor& colour) {
        QImage out = glyph;
        QPainter painter(&out);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(out.rect(), colour);
        return out;
    };
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        const QImage rim = tinted(QColor(0x20, 0x20, 0x20, 230));
        for (int dx = 0; dx <= 2; ++dx) {
            for (int dy = 0; dy <= 2; ++dy)
                painter.drawImage(dx, dy, rim);
        }
        painter.drawImage(1, 1, tinted(QColor(0xf6, 0xf6, 0xf6)));
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap{size, size, QByteArray(size * size * 4, Qt::Uninitialized)};
    auto* out = reinterpret_cast<quint32*>(pixmap.argb.data());
    for (int y = 0; y < size; ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x)
            out[y * size + x] = qToBigEndian(line[x]); // A, R, G, B bytes on the wire
    }
    return pixmap;
}

QString StatusNotifierItem::provideIconThemePath()
{
    if (!QStandardPaths::locate(QStandardPaths::GenericDataLocation, u"icons/"_qs + kThemeFile)
             .isEmpty())
        return {};
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    const QString root = runtime + u"/tarnwick-icons"_qs;
    const QString target = root + u'/' + kThemeFile;
    QDir().mkpath(root + u"/hicolor/symbolic/apps"_qs);
    QFile::remove(target);
    if (!QFile::copy(kBundledIcon, target))
        return {};
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    // Hosts that read the theme's index find the directory through it.
    QFile index(root + u"/hicolor/index.theme"_qs);
    if (index.open(QIODevice::WriteOnly | QIODevice::Truncate))
        index.write("[Icon Theme]\nName=Hicolor\nDirectories=symbolic/apps\n\n"
                    "[symbolic/apps]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    return root;
}

void StatusNotifierItem::Activate(int x, int y)
{
    Q_EMIT activated(x == 0 && y == 0 ? QPoint() : QPoint(x, y));
}

void StatusNotifierItem::SecondaryActivate(int, int) {}

void StatusNotifierItem::ContextMenu(int x, int y)
{
    // Hosts show the exported menu themselves; this comes only from those that do not.
    Q_EMIT contextMenuRequested(x == 0 && y == 0 ? QPoint() : QPoint(x, y));
}

void StatusNotifierItem::Scroll(int, const QString&) {}

} // namespace tarnwick
