#include "settings/settings_window.h"

#include "settings/general_settings_view.h"
#include "settings/servers_view.h"
#include "style/style.h"
#include "style/symbol_icons.h"

#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tarnwick {

SettingsWindow::SettingsWindow(ShareStore& store, QSettings& settings,
                               std::shared_ptr<const ShareLister> lister, MountManager* manager,
                               QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_tabs(new QTabWidget(this))
    , m_servers(new ServersView(store, std::move(lister), manager))
    , m_general(new GeneralSettingsView(settings))
{
    setObjectName(QStringLiteral("settingsWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(fixedWidth, fixedHeight);

    m_tabs->setDocumentMode(true);
    m_tabs->addTab(m_servers, qtTrId("tab.servers"));
    m_tabs->addTab(m_general, qtTrId("tab.general"));
    m_tabs->setCurrentIndex(0);
    Style::follow(m_tabs, [this](const QPalette& colours) {
        const QColor color = Style::text(colours);
        m_tabs->setTabIcon(0, SymbolIcons::tintedIcon(
                                  QStringLiteral("externaldrive.connected.to.line.below"), color));
        m_tabs->setTabIcon(1, SymbolIcons::tintedIcon(QStringLiteral("gear"), color));
    });
    // Escape and Ctrl+W close the window from the keyboard.
    auto* close = new QShortcut(this);
    close->setKeys({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(close, &QShortcut::activated, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);

    setWindowTitle(qtTrId("settings.window_title"));
}

void SettingsWindow::showServer(const QUuid& server)
{
    m_tabs->setCurrentWidget(m_servers);
    m_servers->setSelectedServerId(server);
}

void SettingsWindow::showDiscovery()
{
    m_tabs->setCurrentWidget(m_servers);
    m_servers->openDiscovery();
}

} // namespace tarnwick
