#include "shell/menu_bar_content_view.h"

#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "shell/app_events.h"
#include "shell/menu_row.h"
#include "shell/popover_style.h"
#include "shell/section_header.h"
#include "shell/share_open_button.h"
#include "shell/share_row.h"
#include "style/divider.h"
#include "style/style.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnwick {

MenuBarContentView::MenuBarContentView(ShareStore& store, MountManager& manager, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_manager(manager)
{
    setFixedWidth(PopoverStyle::width);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, PopoverStyle::verticalPadding, 0, PopoverStyle::verticalPadding);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_serverLayout = new QVBoxLayout;
    m_serverLayout->setSpacing(0);
    layout->addLayout(m_serverLayout);
    m_menuLayout = new QVBoxLayout;
    m_menuLayout->setSpacing(0);
    layout->addLayout(m_menuLayout);

    connect(&store, &ShareStore::serversChanged, this, &MenuBarContentView::rebuildServers);
    rebuildServers();
    rebuildMenu();
}

QList<SectionHeader*> MenuBarContentView::headers() const
{
    QList<SectionHeader*> found;
    for (QWidget* widget : m_serverWidgets) {
        if (auto* header = qobject_cast<SectionHeader*>(widget))
            found.append(header);
    }
    return found;
}

QList<ShareRow*> MenuBarContentView::shareRows() const
{
    QList<ShareRow*> found;
    for (QWidget* widget : m_serverWidgets) {
        if (auto* row = qobject_cast<ShareRow*>(widget))
            found.append(row);
    }
    return found;
}

MenuRow* MenuBarContentView::menuRow(Action action) const
{
    const auto index = static_cast<qsizetype>(action);
    return index < m_menuRows.size() ? m_menuRows.at(index).data() : nullptr;
}

void MenuBarContentView::rebuildServers()
{
    // Rows are keyed by (server id, share id) so that a row under the pointer survives an
    // unrelated change of the list with its hover state.
    QMultiHash<QPair<QUuid, QUuid>, ShareRow*> previous;
    for (QWidget* widget : std::as_const(m_serverWidgets)) {
        m_serverLayout->removeWidget(widget);
        if (auto* row = qobject_cast<ShareRow*>(widget)) {
            previous.insert({row->server().id, row->share().id}, row);
        } else {
            widget->hide();
            widget->deleteLater();
        }
    }
    m_serverWidgets.clear();
    m_emptyText = nullptr;

    const QList<Server>& servers = m_store.servers();
    if (servers.isEmpty()) {
        m_emptyText = new QLabel(qtTrId("menu.no_servers"), this);
        m_emptyText->setTextFormat(Qt::PlainText);
        m_emptyText->setContentsMargins(PopoverStyle::emptyHPadding, PopoverStyle::emptyVPadding,
                                        PopoverStyle::emptyHPadding, PopoverStyle::emptyVPadding);
        Style::makeSecondary(m_emptyText);
        m_serverWidgets.append(m_emptyText);
    }
    for (const Server& server : servers) {
        m_serverWidgets.append(new SectionHeader(server.displayName, this));
        for (const Share& share : server.shares) {
            ShareRow* row = previous.take({server.id, share.id});
            if (row)
                row->setRecords(share, server);
            else
                row = new ShareRow(share, server, m_manager, this);
            m_serverWidgets.append(row);
        }
    }
    for (ShareRow* gone : std::as_const(previous)) {
        gone->hide();
        gone->deleteLater();
    }
    for (QWidget* widget : std::as_const(m_serverWidgets)) {
        m_serverLayout->addWidget(widget);
        widget->show();
    }
    updateTabOrder();
}

void MenuBarContentView::updateTabOrder()
{
    // Rows made later (a share added while running) would otherwise come after Quit.
    QWidget* previous = nullptr;
    const auto follow = [&previous](QWidget* row) {
        if (previous)
            setTabOrder(previous, row);
        previous = row;
    };
    for (ShareRow* row : shareRows()) {
        follow(row);
        follow(row->openButton());
    }
    for (const QPointer<MenuRow>& row : std::as_const(m_menuRows)) {
        if (row)
            follow(row);
    }
}

void MenuBarContentView::rebuildMenu()
{
    while (QLayoutItem* item = m_menuLayout->takeAt(0)) {
        if (QWidget* widget = item->widget())
            widget->deleteLater();
        delete item;
    }
    m_menuRows.clear();

    MountManager* manager = &m_manager;
    const auto addRow = [this](const QString& title, std::function<void()> action) {
        auto* row = new MenuRow(title, std::move(action), this);
        m_menuRows.append(row);
        m_menuLayout->addWidget(row);
    };
    const auto addDivider = [this] {
        m_menuLayout->addWidget(new Divider(Qt::Horizontal, PopoverStyle::dividerPadding, this));
    };
    addDivider();
    addRow(qtTrId("menu.mount_all"), [manager] { manager->mountAll(); });
    addRow(qtTrId("menu.unmount_all"), [manager] { manager->unmountAll(); });
    addDivider();
    addRow(qtTrId("menu.settings"), [] { Q_EMIT AppEvents::instance().openSettingsRequest(); });
    addDivider();
    // The quit path (aboutToQuit) does the unmounting.
    addRow(qtTrId("menu.quit"), [] { QCoreApplication::quit(); });
    updateTabOrder();
}

void MenuBarContentView::clearHover()
{
    for (HoverRow* row : findChildren<HoverRow*>())
        row->clearHover();
}

void MenuBarContentView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        rebuildMenu();
        rebuildServers();
    }
    QWidget::changeEvent(event);
}

} // namespace tarnwick
