#include "settings/server_edit_view.h"

#include "discovery/bonjour_browser.h"
#include "model/mac_address.h"
#include "model/share_store.h"
#include "model/unicode_text.h"
#include "mount/mount_manager.h"
#include "mount/share_name.h"
#include "platform/profile_factory.h"
#include "settings/scroll_page.h"
#include "settings/section_box.h"
#include "settings/server_login_row.h"
#include "settings/sign_in_dialog.h"
#include "style/share_check_list.h"
#include "style/style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tarnwick {

namespace {

// Ascending by code point after canonical normalisation: upper case before lower case,
// duplicates kept.
QStringList sortedShareNames(const QStringList& names)
{
    QList<std::pair<QList<uint>, QString>> keyed;
    keyed.reserve(names.size());
    for (const QString& name : names)
        keyed.append({UnicodeText::canonical(name).toUcs4(), name});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList sorted;
    sorted.reserve(keyed.size());
    for (const auto& entry : keyed)
        sorted.append(entry.second);
    return sorted;
}

} // namespace

ServerEditView::ServerEditView(const Server& server, ShareStore& store,
                               std::shared_ptr<const ShareLister> lister, QWidget* parent)
    : QWidget(parent)
    , m_server(server)
    , m_store(store)
    , m_lister(lister)
    , m_bonjour(
          new BonjourBrowser(std::move(lister), ProfileFactory::createDiscoveryBackend(), this))
{
    QVBoxLayout* stack = ScrollPage::install(this, QMargins(16, 16, 16, 16));
    m_stack = stack;
    QWidget* content = stack->parentWidget();

    // Server information.
    auto* info = new SectionBox(qtTrId("server.section.info"), content);
    auto* form = new QFormLayout;
    form->setContentsMargins(4, 4, 4, 4);
    form->setVerticalSpacing(8);
    m_name = new QLineEdit(info);
    m_name->setObjectName(QStringLiteral("displayName"));
    m_name->setPlaceholderText(qtTrId("server.display_name"));
    // The default name shows as an empty field, so typing replaces it.
    m_name->setText(server.displayName == qtTrId("server.new_name") ? QString()
                                                                    : server.displayName);
    form->addRow(qtTrId("server.display_name"), m_name);
    m_host = new QLineEdit(info);
    m_host->setObjectName(QStringLiteral("host"));
    m_host->setPlaceholderText(QStringLiteral("192.168.1.x"));
    m_host->setText(server.host);
    m_host->installEventFilter(this);
    form->addRow(qtTrId("server.host"), m_host);
    m_enabled = new QCheckBox(qtTrId("server.enabled"), info);
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_enabled->setChecked(server.isEnabled);
    form->addRow(m_enabled);
    info->contentLayout()->addLayout(form);
    stack->addWidget(info);

    // Shares.
    auto* shares = new SectionBox(qtTrId("server.shares_header"), content);
    m_refresh = new QToolButton(shares);
    m_refresh->setObjectName(QStringLiteral("refresh"));
    m_refresh->setAutoRaise(true);
    Style::showSymbol(m_refresh, QStringLiteral("arrow.clockwise"), 12,
                      [](const QPalette& colours) {
                          return colours.color(QPalette::Active, QPalette::ButtonText);
                      });
    m_refresh->setToolTip(qtTrId("add_server.load_shares"));
    m_refresh->setAccessibleName(m_refresh->toolTip());
    shares->headerLayout()->addStretch(1);
    shares->headerLayout()->addWidget(m_refresh);

    m_shareMessage = Style::secondaryLabel(QString(), true, shares);
    m_shareMessage->setObjectName(QStringLiteral("shareMessage"));
    m_shareMessage->setWordWrap(true);
    m_signIn = new QPushButton(qtTrId("server.login.sign_in"), shares);
    m_signIn->setObjectName(QStringLiteral("listingSignIn"));
    m_signIn->setVisible(false);
    connect(m_signIn, &QPushButton::clicked, this, &ServerEditView::openSignIn);
    m_loadingRow = new QWidget(shares);
    auto* loading = new QHBoxLayout(m_loadingRow);
    loading->setContentsMargins(0, 0, 0, 0);
    loading->addWidget(Style::busyIndicator(m_loadingRow, 32));
    loading->addWidget(
        Style::secondaryLabel(qtTrId("discovery.loading_shares"), true, m_loadingRow));
    loading->addStretch(1);
    m_shareBoxes = new ShareCheckList(8, shares);
    auto* area = new QVBoxLayout;
    area->setContentsMargins(4, 4, 4, 4);
    area->setSpacing(8);
    area->addWidget(m_shareMessage);
    area->addWidget(m_signIn, 0, Qt::AlignLeft);
    area->addWidget(m_loadingRow);
    area->addWidget(m_shareBoxes);
    // Hidden shares ("$") and those the host lists only after a login are added by name.
    auto* byName = new QHBoxLayout;
    m_shareName = new QLineEdit(shares);
    m_shareName->setObjectName(QStringLiteral("shareName"));
    m_shareName->setPlaceholderText(qtTrId("server.shares.add_by_name"));
    m_shareName->setAccessibleName(m_shareName->placeholderText());
    m_addShare = new QPushButton(qtTrId("server.shares.add"), shares);
    m_addShare->setObjectName(QStringLiteral("addShare"));
    m_addShare->setEnabled(false);
    byName->addWidget(m_shareName, 1);
    byName->addWidget(m_addShare);
    area->addLayout(byName);
    shares->contentLayout()->addLayout(area);
    stack->addWidget(shares);

    // Networks: a server at home is left alone elsewhere.
    auto* networks = new SectionBox(qtTrId("server.section.networks"), content);
    auto* connectOn = new QFormLayout;
    connectOn->setContentsMargins(4, 4, 4, 4);
    m_connectOn = new QComboBox(networks);
    m_connectOn->setObjectName(QStringLiteral("connectOn"));
    m_connectOn->addItems({qtTrId("server.networks.any"), qtTrId("server.networks.only")});
    m_chosenNetworks = server.networks;
    m_connectOn->setCurrentIndex(server.networks.isEmpty() ? 0 : 1);
    connectOn->addRow(qtTrId("server.networks.connect_on"), m_connectOn);
    networks->contentLayout()->addLayout(connectOn);
    m_networkArea = new QWidget(networks);
    auto* networkArea = new QVBoxLayout(m_networkArea);
    networkArea->setContentsMargins(4, 0, 4, 4);
    m_networkBoxes = new ShareCheckList(8, m_networkArea);
    m_networkBoxes->setObjectName(QStringLiteral("networkBoxes"));
    networkArea->addWidget(m_networkBoxes);
    m_networkName = new QLineEdit(m_networkArea);
    m_networkName->setObjectName(QStringLiteral("networkName"));
    m_networkName->setPlaceholderText(qtTrId("server.networks.add_by_name"));
    m_networkName->setAccessibleName(m_networkName->placeholderText());
    networkArea->addWidget(m_networkName);
    networks->contentLayout()->addWidget(m_networkArea);
    stack->addWidget(networks);

    // Wake-on-LAN: the card to wake when the server does not answer on its network.
    auto* wake = new SectionBox(qtTrId("server.section.wake"), content);
    auto* wakeRow = new QHBoxLayout;
    wakeRow->setContentsMargins(4, 4, 4, 4);
    m_wakeOnLan = new QLineEdit(server.wakeOnLan, wake);
    m_wakeOnLan->setObjectName(QStringLiteral("wakeOnLan"));
    m_wakeOnLan->setPlaceholderText(qtTrId("server.wake.placeholder"));
    m_wakeOnLan->setAccessibleName(qtTrId("server.section.wake"));
    m_useSeen = new QPushButton(wake);
    m_useSeen->setObjectName(QStringLiteral("useSeenAddress"));
    m_useSeen->hide();
    wakeRow->addWidget(m_wakeOnLan, 1);
    wakeRow->addWidget(m_useSeen);
    wake->contentLayout()->addLayout(wakeRow);
    m_wakeHint = Style::secondaryLabel(qtTrId("server.wake.hint"), true, wake);
    m_wakeHint->setWordWrap(true);
    wake->contentLayout()->addWidget(m_wakeHint);
    stack->addWidget(wake);
    stack->addStretch(1);

    // textEdited and clicked come from the user only, never from the setters above.
    connect(m_name, &QLineEdit::textEdited, this, &ServerEditView::apply);
    connect(m_enabled, &QCheckBox::clicked, this, &ServerEditView::apply);
    connect(m_host, &QLineEdit::textEdited, this, &ServerEditView::hostEdited);
    connect(m_host, &QLineEdit::returnPressed, this, [this] {
        apply();
        loadIfNeeded();
    });
    connect(m_refresh, &QToolButton::clicked, this, &ServerEditView::loadIfNeeded);
    connect(m_shareBoxes, &ShareCheckList::toggled, this, &ServerEditView::shareToggled);
    connect(m_shareName, &QLineEdit::textChanged, this,
            [this] { m_addShare->setEnabled(!typedShare().isEmpty()); });
    connect(m_shareName, &QLineEdit::returnPressed, this, &ServerEditView::addTypedShare);
    connect(m_addShare, &QPushButton::clicked, this, &ServerEditView::addTypedShare);
    connect(m_connectOn, &QComboBox::currentIndexChanged, this, [this] {
        showNetworkBoxes();
        apply();
    });
    connect(m_networkBoxes, &ShareCheckList::toggled, this,
            [this](const QString& name, bool ticked) {
                m_chosenNetworks.removeAll(name);
                if (ticked)
                    m_chosenNetworks.append(name);
                apply();
            });
    connect(m_networkName, &QLineEdit::returnPressed, this, &ServerEditView::addTypedNetwork);
    connect(m_wakeOnLan, &QLineEdit::textEdited, this, &ServerEditView::wakeEdited);
    connect(m_useSeen, &QPushButton::clicked, this, [this] {
        m_wakeOnLan->setText(m_seenAddress);
        wakeEdited();
    });
    lookUpNeighbour();
    showNetworkBoxes();
    QPointer<ServerEditView> self(this);
    ProfileFactory::readKnownNetworks(this, [self](const QStringList& known) {
        if (self)
            self->networksRead(known);
    });
    for (const Share& share : m_server.shares)
        m_keptShares.append(share.name);
    showShareBoxes();
    connect(&m_store, &ShareStore::serversChanged, this, &ServerEditView::storeChanged);
    showShareState();
}

ServerEditView::ShareArea ServerEditView::shareArea() const
{
    if (trimmedHost().isEmpty())
        return ShareArea::EnterHostFirst;
    if (m_isLoadingShares)
        return ShareArea::Loading;
    if (m_sharesLoaded && m_availableShares.isEmpty()) {
        switch (m_failure) {
        case ShareListing::Failure::LoginRefused:
            return ShareArea::LoginRefused;
        case ShareListing::Failure::Unreachable:
            return ShareArea::Unreachable;
        case ShareListing::Failure::None:
            break;
        }
        return ShareArea::NoSharesFound;
    }
    if (!m_availableShares.isEmpty())
        return ShareArea::Shares;
    return ShareArea::Hint;
}

void ServerEditView::showLogin(MountManager& manager)
{
    if (m_login)
        return;
    auto* box = new SectionBox(qtTrId("server.section.login"), m_stack->parentWidget());
    m_login = new ServerLoginRow(manager, m_server, box);
    box->contentLayout()->addWidget(m_login);
    m_stack->insertWidget(1, box);
    m_manager = &manager;
    showShareState();
}

void ServerEditView::openSignIn()
{
    if (!m_manager)
        return;
    Server server = m_server;
    server.host = trimmedHost();
    auto* dialog = new SignInDialog(*m_manager, server, m_lister, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The login is in the keyring now (or the user sees why not): the lister finds it.
    connect(dialog, &QDialog::accepted, this, [this] {
        m_lastLoadedHost.clear();
        loadIfNeeded();
    });
    dialog->open();
}

void ServerEditView::loadIfNeeded()
{
    const QString host = trimmedHost();
    if (host.isEmpty() || host == m_lastLoadedHost)
        return;
    m_lastLoadedHost = host;
    m_isLoadingShares = true;
    m_sharesLoaded = false;
    setAvailableShares({});
    const quint64 listing = ++m_listing;
    showShareState();
    QPointer<ServerEditView> self(this);
    m_bonjour->listShares(host, [self, listing](const ShareListing& result) {
        if (self)
            self->sharesListed(listing, result);
    });
}

void ServerEditView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!trimmedHost().isEmpty())
        loadIfNeeded();
}

bool ServerEditView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_host && event->type() == QEvent::FocusOut && !trimmedHost().isEmpty())
        loadIfNeeded();
    return QWidget::eventFilter(watched, event);
}

void ServerEditView::storeChanged()
{
    // The store's copy carries the shares ticked meanwhile; the next apply starts from it.
    for (const Server& server : m_store.servers()) {
        if (server.id == m_server.id) {
            m_server = server;
            for (const Share& share : server.shares) {
                if (!m_keptShares.contains(share.name))
                    m_keptShares.append(share.name);
            }
            showShareBoxes();
            m_addShare->setEnabled(!typedShare().isEmpty());
            if (m_login)
                m_login->setServer(server);
            return;
        }
    }
}

void ServerEditView::apply()
{
    Server server = m_server;
    server.displayName = m_name->text().isEmpty() ? qtTrId("server.new_name")
                                                  : UnicodeText::trimBlanks(m_name->text());
    server.host = trimmedHost();
    server.isEnabled = m_enabled->isChecked();
    server.networks = m_connectOn->currentIndex() == 1 ? m_chosenNetworks : QStringList();
    // A half-typed address keeps the stored one until it is complete.
    const QString wake = m_wakeOnLan->text().trimmed();
    if (wake.isEmpty())
        server.wakeOnLan.clear();
    else if (const auto mac = MacAddress::normalized(wake))
        server.wakeOnLan = *mac;
    m_store.updateServer(server);
}

void ServerEditView::hostEdited()
{
    apply();
    if (trimmedHost() != m_lastLoadedHost) {
        // Leaving the listed host forgets it, so typing it again lists it again, and
        // abandons a listing still under way: its result would belong to another host.
        m_lastLoadedHost.clear();
        m_sharesLoaded = false;
        setAvailableShares({});
        if (m_isLoadingShares) {
            m_isLoadingShares = false;
            ++m_listing;
        }
    }
    showShareState();
}

void ServerEditView::sharesListed(quint64 listing, const ShareListing& result)
{
    if (listing != m_listing)
        return;
    m_isLoadingShares = false;
    m_sharesLoaded = true;
    m_failure = result.failure;
    setAvailableShares(sortedShareNames(result.names));
    showShareState();
    // The listing reached the host: the neighbour table now knows its card.
    lookUpNeighbour();
}

void ServerEditView::wakeEdited()
{
    const QString text = m_wakeOnLan->text().trimmed();
    const bool valid = text.isEmpty() || MacAddress::parse(text).has_value();
    m_wakeHint->setText(valid ? qtTrId("server.wake.hint") : qtTrId("server.wake.invalid"));
    apply();
}

void ServerEditView::lookUpNeighbour()
{
    const QString host = trimmedHost();
    if (host.isEmpty())
        return;
    QPointer<ServerEditView> self(this);
    ProfileFactory::readNeighbourAddress(this, host, [self, host](const QString& address) {
        if (self)
            self->neighbourRead(host, address);
    });
}

void ServerEditView::neighbourRead(const QString& host, const QString& address)
{
    // An answer for a host edited away since is stale.
    if (host != trimmedHost())
        return;
    m_seenAddress = address;
    m_useSeen->setText(qtTrId("server.wake.use_seen").arg(address));
    m_useSeen->setVisible(!address.isEmpty() && address != m_wakeOnLan->text().trimmed());
}

QString ServerEditView::trimmedHost() const
{
    return UnicodeText::trimBlanks(m_host->text());
}

void ServerEditView::showShareState()
{
    const ShareArea area = shareArea();
    m_refresh->setEnabled(!trimmedHost().isEmpty() && !m_isLoadingShares);
    m_loadingRow->setVisible(area == ShareArea::Loading);
    m_shareBoxes->setVisible(!m_shareBoxes->names().isEmpty());
    switch (area) {
    case ShareArea::EnterHostFirst:
        m_shareMessage->setText(qtTrId("server.shares.enter_host_first"));
        break;
    case ShareArea::NoSharesFound:
        m_shareMessage->setText(qtTrId("add_server.no_shares_found"));
        break;
    case ShareArea::LoginRefused:
        m_shareMessage->setText(qtTrId("server.shares.login_refused"));
        break;
    case ShareArea::Unreachable:
        m_shareMessage->setText(qtTrId("server.shares.unreachable"));
        break;
    case ShareArea::Hint:
        m_shareMessage->setText(qtTrId("add_server.shares_hint"));
        break;
    case ShareArea::Loading:
    case ShareArea::Shares:
        break;
    }
    m_shareMessage->setVisible(area != ShareArea::Loading && area != ShareArea::Shares);
    m_signIn->setVisible(area == ShareArea::LoginRefused && m_manager && m_manager->offersSignIn());
}

void ServerEditView::setAvailableShares(const QStringList& names)
{
    m_availableShares = names;
    showShareBoxes();
}

void ServerEditView::showShareBoxes()
{
    // The listing as the host gives it, then the kept names it lacks, each once.
    QStringList names = m_availableShares;
    QStringList unlisted;
    for (const QString& name : std::as_const(m_keptShares)) {
        const auto same = [&name](const QString& other) {
            return UnicodeText::equivalent(other, name);
        };
        if (std::none_of(names.begin(), names.end(), same) &&
            std::none_of(unlisted.begin(), unlisted.end(), same))
            unlisted.append(name);
    }
    m_shareBoxes->setNames(names + sortedShareNames(unlisted));
    m_shareBoxes->setVisible(!m_shareBoxes->names().isEmpty());
    tickShareBoxes();
}

bool ServerEditView::isStored(const QString& name) const
{
    return std::any_of(m_server.shares.begin(), m_server.shares.end(), [&](const Share& share) {
        return UnicodeText::equivalent(share.name, name);
    });
}

void ServerEditView::tickShareBoxes()
{
    m_shareBoxes->setTicked([this](const QString& name) { return isStored(name); });
}

QString ServerEditView::typedShare() const
{
    // Only names the mount engine can use, and none that is stored already.
    const QString name = UnicodeText::trimBlanks(m_shareName->text());
    return ShareName::isUsable(name) && !isStored(name) ? name : QString();
}

void ServerEditView::addTypedShare()
{
    const QString name = typedShare();
    if (name.isEmpty())
        return;
    m_shareName->clear();
    m_store.addShare(Share::create(name), m_server.id);
}

void ServerEditView::shareToggled(const QString& name, bool ticked)
{
    if (ticked) {
        m_store.addShare(Share::create(name), m_server.id);
    } else {
        const auto share = std::find_if(
            m_server.shares.cbegin(), m_server.shares.cend(),
            [&](const Share& candidate) { return UnicodeText::equivalent(candidate.name, name); });
        if (share != m_server.shares.cend())
            m_store.removeShare(share->id, m_server.id);
    }
    // The boxes show what the store holds, also when it took nothing.
    tickShareBoxes();
}

void ServerEditView::networksRead(const QStringList& known)
{
    m_knownNetworks = known;
    showNetworkBoxes();
}

void ServerEditView::showNetworkBoxes()
{
    // The known networks, then the chosen ones the system does not know, each once.
    QStringList names = m_knownNetworks;
    for (const QString& name : std::as_const(m_chosenNetworks)) {
        if (!names.contains(name))
            names.append(name);
    }
    m_networkBoxes->setNames(names);
    m_networkBoxes->setTicked(
        [this](const QString& name) { return m_chosenNetworks.contains(name); });
    m_networkArea->setVisible(m_connectOn->currentIndex() == 1);
}

void ServerEditView::addTypedNetwork()
{
    const QString name = UnicodeText::trimBlanks(m_networkName->text());
    if (name.isEmpty() || m_chosenNetworks.contains(name))
        return;
    m_networkName->clear();
    m_chosenNetworks.append(name);
    showNetworkBoxes();
    apply();
}

} // namespace tarnwick
