#include "shell/share_notifier.h"

#include "model/app_settings.h"
#include "shell/app_events.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace tarnwick {

namespace {

constexpr int deadlineMs = 5000;
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kSettingsAction = QStringLiteral("settings");
const QString kSignInAction = QStringLiteral("sign-in");

} // namespace

ShareNotifier::ShareNotifier(QDBusConnection bus, QSettings& settings, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_settings(settings)
{
    if (m_bus.isConnected())
        m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
}

void ShareNotifier::update(const ShareStatusMap& statuses)
{
    using State = ShareStatus::State;
    using Reason = ShareStatus::Reason;
    const bool enabled = AppSettings::notifications(m_settings);
    for (auto it = statuses.constBegin(); it != statuses.constEnd(); ++it) {
        const ShareStatus& now = it.value();
        const auto before = m_previous.constFind(it.key());
        // Straight from mounted to not mounted: no unmount of ours was under way.
        const bool lost = before != m_previous.constEnd() && before->state == State::Mounted &&
                          now.state == State::NotMounted && now.reason == Reason::ServerUnreachable;
        if (lost && enabled)
            notify(qtTrId("notify.lost_title").arg(now.name), qtTrId("notify.lost_body"),
                   it.key().server);
        // A refused login is retried each cycle (busy in between): told once until it mounts
        // or fails otherwise.
        if (now.state == State::Mounted ||
            (now.state == State::NotMounted && now.reason != Reason::LoginRefused)) {
            m_refused.remove(it.key());
        } else if (now.state == State::NotMounted && !m_refused.contains(it.key())) {
            // Not mounted because the login was refused, not told yet.
            m_refused.insert(it.key());
            if (enabled)
                notify(qtTrId("notify.login_title").arg(now.name), qtTrId("notify.login_body"),
                       it.key().server, it.key());
        }
    }
    m_previous = statuses;
}

void ShareNotifier::notify(const QString& summary, const QString& body, const QUuid& server,
                           const std::optional<ShareKey>& signIn)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QStringList actions{kSettingsAction, qtTrId("notify.open_settings")};
    const bool offersSignIn = signIn && m_signInOffered;
    if (offersSignIn)
        actions = QStringList{kSignInAction, qtTrId("notify.sign_in")} + actions;
    call << QStringLiteral("Tarnwick") << uint(0) << QStringLiteral("tarnwick") << summary << body
         << actions << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("tarnwick")}}
         << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, deadlineMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, server,
             signIn = offersSignIn ? signIn : std::nullopt](QDBusPendingCallWatcher* done) {
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isValid())
                    m_sent.insert(reply.value(), server);
                if (reply.isValid() && signIn)
                    m_signIns.insert(reply.value(), *signIn);
                done->deleteLater();
            });
}

void ShareNotifier::actionInvoked(uint id, const QString& action)
{
    if (action == kSettingsAction && m_sent.contains(id))
        Q_EMIT AppEvents::instance().openServerSettingsRequest(m_sent.value(id));
    if (action == kSignInAction && m_signIns.contains(id))
        Q_EMIT AppEvents::instance().signInRequest(m_signIns.value(id));
}

} // namespace tarnwick
