#include "shell/tray_menu_model.h"

#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "shell/app_events.h"
#include "shell/share_status_text.h"

#include <QCoreApplication>
#include <QEvent>

namespace tarnwick {

TrayMenuModel::TrayMenuModel(ShareStore& store, MountManager& manager, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_manager(&manager)
{
    connect(&store, &ShareStore::serversChanged, this, &TrayMenuModel::rebuild);
    connect(&manager, &MountManager::busySharesChanged, this, &TrayMenuModel::rebuild);
    connect(&manager, &MountManager::mountedVolumesChanged, this, &TrayMenuModel::rebuild);
    connect(&manager, &MountManager::shareStatusesChanged, this, &TrayMenuModel::rebuild);
    // A new translator reaches the application object, not this one.
    qApp->installEventFilter(this);
    rebuild();
}

QString TrayMenuModel::accessibleText(const QString& name, bool mounted, bool busy)
{
    if (busy)
        return qtTrId("a11y.share_busy").arg(name);
    return mounted ? qtTrId("a11y.share_mounted").arg(name)
                   : qtTrId("a11y.share_not_mounted").arg(name);
}

QString TrayMenuModel::summary() const
{
    int mounted = 0;
    for (const TrayMenuEntry& entry : m_entries)
        mounted += entry.kind == TrayMenuEntry::Kind::Share && entry.mounted ? 1 : 0;
    QString text = qtTrId("tray.summary").arg(mounted).arg(m_shares.size());
    if (!m_failing.isEmpty())
        text += u'\n' + qtTrId("tray.failing").arg(m_failing.join(u", "_qs));
    return text;
}

int TrayMenuModel::idFor(const QString& key)
{
    auto found = m_ids.constFind(key);
    if (found == m_ids.constEnd())
        found = m_ids.insert(key, m_nextId++);
    return *found;
}

void TrayMenuModel::rebuild()
{
    using Kind = TrayMenuEntry::Kind;
    QList<TrayMenuEntry> entries;
    m_shares.clear();
    m_opens.clear();
    QStringList failing;
    bool attention = false;
    const auto add = [&entries](int id, Kind kind, const QString& label, bool enabled = true,
                                bool mounted = false, const QString& spoken = {}) {
        entries.append({id, kind, label, enabled, mounted, spoken});
    };
    int separators = 0;
    const auto separator = [&] {
        add(idFor(u"separator:"_qs + QString::number(separators++)), Kind::Separator, {});
    };
    const QList<Server>& servers = m_store.servers();
    if (servers.isEmpty())
        add(idFor(u"text:empty"_qs), Kind::Text, qtTrId("menu.no_servers"), false);
    for (const Server& server : servers) {
        add(idFor(server.id.toString()), Kind::Header, server.displayName, false);
        for (const Share& share : server.shares) {
            const ShareKey key = ShareKey::of(server, share);
            const ShareStatus status = m_manager ? m_manager->statusOf(key) : ShareStatus{};
            const bool busy = m_manager && m_manager->isBusy(key);
            const bool mounted = m_manager && m_manager->isMounted(key);
            const int id = idFor(server.id.toString() + u'/' + share.id.toString());
            const QString detail = ShareStatusText::detail(status);
            const QString reason = ShareStatusText::reason(status);
            if (!reason.isEmpty())
                failing.append(qtTrId("menu.share_detail").arg(share.name, reason));
            attention = attention || (server.isEnabled && ShareStatusText::needsAttention(status));
            // Hosts show no second line: the short reason follows the name, the time of the
            // last try goes to the row's description.
            const QString spoken = accessibleText(share.name, mounted, busy);
            add(id, Kind::Share,
                reason.isEmpty() ? share.name : qtTrId("menu.share_detail").arg(share.name, reason),
                !busy, mounted,
                detail.isEmpty() ? spoken : qtTrId("menu.share_detail").arg(spoken, detail));
            m_shares.insert(id, {share, server});
            if (mounted && !busy) {
                const int open =
                    idFor(server.id.toString() + u'/' + share.id.toString() + u"/open"_qs);
                add(open, Kind::Action, qtTrId("menu.open_share").arg(share.name));
                m_opens.insert(open, key);
            }
        }
    }
    separator();
    add(MountAll, Kind::Action, qtTrId("menu.mount_all"));
    add(UnmountAll, Kind::Action, qtTrId("menu.unmount_all"));
    separator();
    add(Settings, Kind::Action, qtTrId("menu.settings"));
    separator();
    add(Quit, Kind::Action, qtTrId("menu.quit"));
    if (entries == m_entries && failing == m_failing && attention == m_needsAttention)
        return;
    m_entries = entries;
    m_failing = failing;
    m_needsAttention = attention;
    ++m_revision;
    Q_EMIT changed();
}

bool TrayMenuModel::activate(int id)
{
    if (!m_manager)
        return false;
    switch (id) {
    case MountAll:
        m_manager->mountAll();
        return true;
    case UnmountAll:
        m_manager->unmountAll();
        return true;
    case Settings:
        Q_EMIT AppEvents::instance().openSettingsRequest();
        return true;
    case Quit:
        // The quit path (aboutToQuit) does the unmounting.
        QCoreApplication::quit();
        return true;
    default:
        break;
    }
    if (const auto open = m_opens.constFind(id); open != m_opens.constEnd()) {
        Q_EMIT AppEvents::instance().openLocationRequest(m_manager->locationOf(*open));
        return true;
    }
    const auto share = m_shares.constFind(id);
    if (share == m_shares.constEnd())
        return false;
    // Decided at the moment of the click, as in the popover's row.
    const ShareKey key = ShareKey::of(share->second, share->first);
    if (m_manager->isBusy(key))
        return false;
    if (m_manager->isMounted(key))
        m_manager->unmountShare(key);
    else
        m_manager->mountShare(share->first, share->second);
    return true;
}

bool TrayMenuModel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::LanguageChange)
        rebuild();
    return QObject::eventFilter(watched, event);
}

} // namespace tarnwick
