#include "settings/settings_window.h"

#include "settings/general_settings_view.h"
#include "settings/servers_view.h"
#include "settings/settings_style.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace tarnwick {

SettingsWindow::SettingsWindow(ShareStore& store, QSettings& settings,
                               std::shared_ptr<const ShareLister> lister, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_tabs(new QTabWidget(this))
    , m_servers(new ServersView(store, std::move(lister)))
    , m_general(new GeneralSettingsView(settings))
{
    setObjectName(QStringLiteral("settingsWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(fixedWidth, fixedHeight);

    const QColor symbolColor = palette().color(QPalette::WindowText);
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(m_servers,
                   SettingsStyle::icon(SettingsStyle::Symbol::ExternalDrive, symbolColor),
                   qtTrId("tab.servers"));
    m_tabs->addTab(m_general, SettingsStyle::icon(SettingsStyle::Symbol::Gear, symbolColor),
                   qtTrId("tab.general"));
    m_tabs->setCurrentIndex(0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);

    setWindowTitle(qtTrId("settings.window_title"));
}

} // namespace tarnwick
