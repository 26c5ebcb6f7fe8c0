#include "shell/share_list_model.h"

#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "shell/app_events.h"
#include "shell/share_status_text.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSet>
#include <QUuid>

namespace tarnwick {

using Kind = ShareListRow::Kind;

namespace {

// Screen readers hear the state with the name.
QString spokenState(const QString& name, bool mounted, bool busy)
{
    if (busy)
        return qtTrId("a11y.share_busy").arg(name);
    return mounted ? qtTrId("a11y.share_mounted").arg(name)
                   : qtTrId("a11y.share_not_mounted").arg(name);
}

ShareListRow plainRow(int id, Kind kind, const QString& label, bool enabled = true)
{
    ShareListRow row;
    row.id = id;
    row.kind = kind;
    row.label = label;
    row.enabled = enabled;
    return row;
}

bool waitsForKeyring(const ShareListRow& row)
{
    return row.kind == Kind::Share && !row.busy &&
           row.status.reason == ShareStatus::Reason::KeyringLocked;
}

QString idKey(const ShareKey& key)
{
    return key.server.toString() + u'/' + key.share.toString();
}

} // namespace

ShareListModel::ShareListModel(ShareStore& store, MountManager& manager, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_manager(&manager)
{
    connect(&store, &ShareStore::serversChanged, this, &ShareListModel::rebuild);
    connect(&manager, &MountManager::shareStatusesChanged, this, &ShareListModel::updateShares);
    // A new translator reaches the application object, not this one.
    qApp->installEventFilter(this);
    rebuild();
}

const ShareListRow* ShareListModel::row(int id) const
{
    const auto found = m_index.constFind(id);
    return found == m_index.constEnd() ? nullptr : &m_rows.at(*found);
}

int ShareListModel::idFor(const QString& key)
{
    auto found = m_ids.constFind(key);
    if (found == m_ids.constEnd())
        found = m_ids.insert(key, m_nextId++);
    return *found;
}

ShareListRow ShareListModel::shareRow(int id, const Target& target) const
{
    const ShareKey key = ShareKey::of(target.server, target.share);
    ShareListRow row = plainRow(id, Kind::Share, target.share.name);
    row.name = target.share.name;
    row.status = m_manager ? m_manager->statusOf(key) : ShareStatus{};
    row.busy = m_manager && m_manager->isBusy(key);
    row.mounted = m_manager && m_manager->isMounted(key);
    row.enabled = !row.busy;
    row.reason = ShareStatusText::reason(row.status);
    row.detail = ShareStatusText::detail(row.status);
    row.symbol = ShareStatusText::symbol(row.status);
    // Menus show no second line: the short reason follows the name, the time of the last try
    // goes to the description.
    if (!row.reason.isEmpty())
        row.label = qtTrId("menu.share_detail").arg(row.name, row.reason);
    row.accessibleName = spokenState(row.name, row.mounted, row.busy);
    row.accessibleText = row.detail.isEmpty()
                             ? row.accessibleName
                             : qtTrId("menu.share_detail").arg(row.accessibleName, row.detail);
    return row;
}

bool ShareListModel::wantsSignIn(const ShareListRow& row) const
{
    return row.kind == Kind::Share && !row.busy && m_manager && m_manager->offersSignIn() &&
           row.status.reason == ShareStatus::Reason::LoginRefused;
}

void ShareListModel::rebuild()
{
    m_servers = m_store.servers();
    m_targets.clear();
    m_shareIds.clear();
    QList<ShareListRow> rows;
    int separators = 0;
    const auto separator = [&] {
        rows.append(
            plainRow(idFor(u"separator:"_qs + QString::number(separators++)), Kind::Separator, {}));
    };
    if (m_servers.isEmpty())
        rows.append(
            plainRow(idFor(u"text:empty"_qs), Kind::Empty, qtTrId("menu.no_servers"), false));
    for (const Server& server : std::as_const(m_servers)) {
        rows.append(plainRow(idFor(server.id.toString()), Kind::Header, server.displayName, false));
        for (const Share& share : server.shares) {
            const ShareKey key = ShareKey::of(server, share);
            const Target target{share, server};
            const int id = idFor(idKey(key));
            m_targets.insert(id, target);
            m_shareIds.insert(key, id);
            rows.append(shareRow(id, target));
            if (wantsSignIn(rows.last())) {
                const int signIn = idFor(idKey(key) + u"/sign-in"_qs);
                rows.append(plainRow(signIn, Kind::SignIn, qtTrId("menu.sign_in").arg(share.name)));
                rows.last().accessibleName = qtTrId("a11y.sign_in").arg(share.name);
                m_targets.insert(signIn, target);
            }
            if (!rows.last().mounted || rows.last().busy)
                continue;
            const int open = idFor(idKey(key) + u"/open"_qs);
            rows.append(plainRow(open, Kind::Open, qtTrId("menu.open_share").arg(share.name)));
            rows.last().accessibleName = qtTrId("a11y.open_share").arg(share.name);
            m_targets.insert(open, target);
        }
    }
    separator();
    if (std::any_of(rows.cbegin(), rows.cend(), waitsForKeyring))
        rows.append(plainRow(UnlockLogins, Kind::Action, qtTrId("menu.unlock_keyring")));
    rows.append(plainRow(MountAll, Kind::Action, qtTrId("menu.mount_all")));
    rows.append(plainRow(UnmountAll, Kind::Action, qtTrId("menu.unmount_all")));
    separator();
    rows.append(plainRow(Settings, Kind::Action, qtTrId("menu.settings")));
    separator();
    rows.append(plainRow(Quit, Kind::Action, qtTrId("menu.quit")));
    publish(std::move(rows));
}

void ShareListModel::updateShares(const QList<ShareKey>& changed)
{
    // The manager hears a change of the store before this model does and publishes the
    // statuses it brings: those go with a rebuild. The copy held here shares the store's
    // list until the store writes to it.
    if (m_store.servers().constData() != m_servers.constData()) {
        rebuild();
        return;
    }
    QList<ShareListRow> rows = m_rows;
    for (const ShareKey& key : changed) {
        const auto id = m_shareIds.constFind(key);
        if (id == m_shareIds.constEnd())
            continue;
        ShareListRow& row = rows[m_index.value(*id)];
        const ShareListRow now = shareRow(*id, m_targets.value(*id));
        // An Open, a Sign in or the Unlock row comes or goes.
        if ((row.mounted && !row.busy) != (now.mounted && !now.busy) ||
            wantsSignIn(row) != wantsSignIn(now) || waitsForKeyring(row) != waitsForKeyring(now)) {
            rebuild();
            return;
        }
        row = now;
    }
    publish(std::move(rows));
}

void ShareListModel::publish(QList<ShareListRow> rows)
{
    int shares = 0;
    int mounted = 0;
    QStringList failing; // "Name — reason" of each share that did not mount
    bool attention = false;
    QSet<QUuid> away;   // servers that live on networks that are not up
    QSet<QUuid> waking; // servers sent a wake-up and awaited
    for (const ShareListRow& row : std::as_const(rows)) {
        if (row.kind != Kind::Share)
            continue;
        ++shares;
        mounted += row.mounted ? 1 : 0;
        const auto target = m_targets.constFind(row.id);
        if (row.status.reason == ShareStatus::Reason::NotOnThisNetwork)
            away.insert(target->server.id);
        else if (row.status.reason == ShareStatus::Reason::Waking)
            waking.insert(target->server.id);
        else if (!row.reason.isEmpty())
            failing.append(row.label);
        attention =
            attention || (target->server.isEnabled && ShareStatusText::needsAttention(row.status));
    }
    QString summary = qtTrId("tray.summary").arg(mounted).arg(shares);
    if (!away.isEmpty())
        summary = qtTrId("tray.summary_away")
                      .arg(summary, away.size() == 1 ? qtTrId("tray.away_one")
                                                     : qtTrId("tray.away").arg(away.size()));
    if (!waking.isEmpty())
        summary += u'\n' + (waking.size() == 1 ? qtTrId("tray.waking_one")
                                               : qtTrId("tray.waking").arg(waking.size()));
    if (!failing.isEmpty())
        summary += u'\n' + qtTrId("tray.failing").arg(failing.join(u", "_qs));
    if (rows == m_rows && summary == m_summary && attention == m_needsAttention)
        return;
    m_rows = std::move(rows);
    m_index.clear();
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        m_index.insert(m_rows.at(i).id, i);
    m_summary = summary;
    m_needsAttention = attention;
    ++m_revision;
    Q_EMIT changed();
}

bool ShareListModel::activate(int id)
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
    case UnlockLogins:
        Q_EMIT AppEvents::instance().unlockLoginsRequest();
        return true;
    case Quit:
        // The quit path (aboutToQuit) does the unmounting.
        QCoreApplication::quit();
        return true;
    default:
        break;
    }
    const ShareListRow* clicked = row(id);
    const auto target = m_targets.constFind(id);
    if (!clicked || target == m_targets.constEnd())
        return false;
    const ShareKey key = ShareKey::of(target->server, target->share);
    if (clicked->kind == Kind::SignIn) {
        Q_EMIT AppEvents::instance().signInRequest(key);
        return true;
    }
    if (clicked->kind == Kind::Open) {
        const QString link = m_linkOf ? m_linkOf(key) : QString();
        Q_EMIT AppEvents::instance().openLocationRequest(
            link.isEmpty() ? m_manager->locationOf(key) : QUrl::fromLocalFile(link));
        return true;
    }
    // Decided at the moment of the click; the manager reports the outcome through its
    // statuses.
    if (m_manager->isBusy(key))
        return false;
    if (waitsForKeyring(*clicked))
        Q_EMIT AppEvents::instance().unlockLoginsRequest();
    else if (m_manager->isMounted(key))
        m_manager->unmountShare(key);
    else
        m_manager->mountShare(target->share, target->server);
    return true;
}

bool ShareListModel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::LanguageChange)
        rebuild();
    return QObject::eventFilter(watched, event);
}

} // namespace tarnwick
