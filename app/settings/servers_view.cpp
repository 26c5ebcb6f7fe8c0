#include "settings/servers_view.h"

#include "discovery/bonjour_browser.h"
#include "model/share_store.h"
#include "model/unicode_text.h"
#include "mount/mount_manager.h"
#include "platform/profile_factory.h"
#include "settings/discovery_sheet.h"
#include "settings/server_edit_view.h"
#include "settings/server_list_widget.h"
#include "settings/server_row.h"
#include "style/divider.h"
#include "style/style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarnwick {

namespace {

constexpr int idRole = Qt::UserRole + 1;

// A borderless symbol button; its tooltip is also its name for screen readers.
QToolButton* symbolButton(const QString& symbol, const QString& toolTip, const QString& objectName,
                          QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setAutoRaise(true);
    Style::showSymbol(button, symbol, 14, [](const QPalette& colours) {
        return colours.color(QPalette::Active, QPalette::ButtonText);
    });
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    return button;
}

} // namespace

ServersView::ServersView(ShareStore& store, std::shared_ptr<const ShareLister> lister,
                         MountManager* manager, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_lister(lister)
    , m_manager(manager)
    , m_bonjour(
          new BonjourBrowser(std::move(lister), ProfileFactory::createDiscoveryBackend(), this))
{
    // Left column: the list and its buttons.
    auto* sidebar = new QWidget(this);
    sidebar->setFixedWidth(220);
    m_list = new ServerListWidget(sidebar);
    m_list->setObjectName(QStringLiteral("serverList"));
    auto* add = symbolButton(QStringLiteral("plus"), qtTrId("servers.add_server_help"),
                             QStringLiteral("addServer"), sidebar);
    m_remove = symbolButton(QStringLiteral("minus"), qtTrId("servers.remove_server_help"),
                            QStringLiteral("removeServer"), sidebar);
    auto* discover =
        symbolButton(QStringLiteral("antenna.radiowaves.left.and.right"),
                     qtTrId("servers.discover_help"), QStringLiteral("discover"), sidebar);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 6, 6, 6);
    buttons->addWidget(add);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    buttons->addWidget(discover);
    auto* column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_list, 1);
    column->addWidget(new Divider(Qt::Horizontal, 0, sidebar));
    column->addLayout(buttons);

    // Right: the editor or the placeholder.
    m_detail = new QStackedWidget(this);
    m_placeholder = new QWidget(m_detail);
    m_placeholder->setObjectName(QStringLiteral("placeholder"));
    auto* symbol = new QLabel(m_placeholder);
    symbol->setObjectName(QStringLiteral("placeholderSymbol"));
    Style::showSymbol(symbol, QStringLiteral("externaldrive.connected.to.line.below"), 40,
                      &Style::secondaryText);
    auto* title = Style::secondaryLabel(qtTrId("servers.empty_title"), false);
    title->setAlignment(Qt::AlignHCenter);
    title->setWordWrap(true);
    auto* placeholder = new QVBoxLayout(m_placeholder);
    placeholder->setContentsMargins(24, 24, 24, 24);
    placeholder->setSpacing(12);
    placeholder->addStretch(1);
    placeholder->addWidget(symbol, 0, Qt::AlignHCenter);
    placeholder->addWidget(title); // full width, so a long text wraps instead of clipping
    placeholder->addStretch(1);
    m_detail->addWidget(m_placeholder);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(sidebar);
    layout->addWidget(new Divider(Qt::Vertical, 0, this));
    layout->addWidget(m_detail, 1);

    connect(add, &QToolButton::clicked, this, &ServersView::addServer);
    connect(m_remove, &QToolButton::clicked, this, &ServersView::removeSelectedServer);
    connect(discover, &QToolButton::clicked, this, &ServersView::openDiscovery);
    connect(m_list, &ServerListWidget::deleteRequested, this, &ServersView::deleteServers);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &ServersView::listSelectionChanged);
    connect(&m_store, &ShareStore::serversChanged, this, &ServersView::serversChanged);
    serversChanged();
}

ServersView::~ServersView()
{
    // The sheet goes away with the tab; the search must not outlive it.
    if (m_sheet)
        m_bonjour->stopSearch();
}

DiscoverySheet* ServersView::discoverySheet() const
{
    return m_sheet;
}

void ServersView::setSelectedServerId(const QUuid& id)
{
    m_selectedServerId = id;
    showRows();
    showDetail();
}

void ServersView::addServer()
{
    const Server server = Server::create(qtTrId("server.new_name"), QString());
    m_store.addServer(server);
    setSelectedServerId(server.id);
}

void ServersView::removeSelectedServer()
{
    if (m_selectedServerId.isNull())
        return;
    const QList<Server>& servers = m_store.servers();
    for (qsizetype i = 0; i < servers.size(); ++i) {
        if (servers.at(i).id == m_selectedServerId) {
            m_store.removeServers({int(i)});
            setSelectedServerId(QUuid());
            return;
        }
    }
}

void ServersView::deleteServers(const QSet<int>& positions)
{
    m_store.removeServers(positions);
    setSelectedServerId(QUuid());
}

void ServersView::openDiscovery()
{
    if (m_sheet)
        return;
    // The search starts (emptying what an earlier one found) before the sheet is built, so
    // the sheet never shows, or lists the shares of, servers of the last search.
    m_bonjour->startSearch();
    // A fresh sheet each time, so it starts with nothing listed, ticked or added.
    m_sheet = new DiscoverySheet(*m_bonjour, this);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_sheet, &DiscoverySheet::addRequested, this, &ServersView::addDiscoveredServer);
    connect(m_sheet, &QDialog::finished, this, [this] { m_bonjour->stopSearch(); });
    m_sheet->open();
}

void ServersView::addDiscoveredServer(const DiscoveredServer& discovered,
                                      const QStringList& shareNames)
{
    const QList<Server>& servers = m_store.servers();
    const bool known = std::any_of(servers.begin(), servers.end(), [&](const Server& server) {
        return UnicodeText::equivalent(server.host, discovered.host);
    });
    if (known)
        return;
    Server server = Server::create(discovered.name, discovered.host);
    for (const QString& name : shareNames)
        server.shares.append(Share::create(name));
    m_store.addServer(server);
    setSelectedServerId(server.id);
}

void ServersView::serversChanged()
{
    showRows();
    showDetail();
}

void ServersView::showRows()
{
    m_showingRows = true;
    const QList<Server>& servers = m_store.servers();
    // Rows are reused while the list keeps its length, so typing in the editor does not
    // rebuild the list on every keystroke.
    while (m_list->count() > servers.size())
        delete m_list->takeItem(m_list->count() - 1);
    for (qsizetype i = 0; i < servers.size(); ++i) {
        const Server& server = servers.at(i);
        QListWidgetItem* item = m_list->item(int(i));
        if (!item) {
            item = new QListWidgetItem(m_list);
            m_list->setItemWidget(item, new ServerRow(server));
        }
        item->setData(idRole, server.id);
        auto* row = static_cast<ServerRow*>(m_list->itemWidget(item));
        row->setServer(server);
        item->setSizeHint(row->sizeHint());
        // The row is a widget over the item; screen readers read the item.
        item->setData(Qt::AccessibleTextRole, row->accessibleText());
        item->setSelected(!m_selectedServerId.isNull() && server.id == m_selectedServerId);
    }
    m_remove->setEnabled(!m_selectedServerId.isNull());
    m_showingRows = false;
}

void ServersView::showDetail()
{
    const QList<Server>& servers = m_store.servers();
    const auto selected =
        m_selectedServerId.isNull()
            ? servers.end()
            : std::find_if(servers.begin(), servers.end(),
                           [&](const Server& server) { return server.id == m_selectedServerId; });
    if (selected == servers.end()) {
        if (m_editor) {
            m_editor->deleteLater();
            m_detail->removeWidget(m_editor);
            m_editor = nullptr;
        }
        m_detail->setCurrentWidget(m_placeholder);
        return;
    }
    // The editor belongs to one server: another selection gets a fresh one.
    if (m_editor && m_editor->serverId() == selected->id)
        return;
    if (m_editor) {
        m_editor->deleteLater();
        m_detail->removeWidget(m_editor);
    }
    m_editor = new ServerEditView(*selected, m_store, m_lister, m_detail);
    if (m_manager && m_manager->offersSignIn())
        m_editor->showLogin(*m_manager);
    m_detail->addWidget(m_editor);
    m_detail->setCurrentWidget(m_editor);
}

void ServersView::listSelectionChanged()
{
    if (m_showingRows)
        return;
    const QList<QListWidgetItem*> items = m_list->selectedItems();
    setSelectedServerId(items.isEmpty() ? QUuid() : items.first()->data(idRole).toUuid());
}

} // namespace tarnwick
