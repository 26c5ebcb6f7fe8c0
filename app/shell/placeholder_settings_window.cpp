#include "shell/placeholder_settings_window.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace tarnwick {

PlaceholderSettingsWindow::PlaceholderSettingsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(qtTrId("settings.window_title"));
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    tabs->addTab(new QWidget(tabs), qtTrId("tab.servers"));
    tabs->addTab(new QWidget(tabs), qtTrId("tab.general"));
    layout->addWidget(tabs);
    resize(600, 540);
}

} // namespace tarnwick
