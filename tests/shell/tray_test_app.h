#pragma once

#include "fake_tool_rig.h"
#include "model/app_settings.h"
#include "platform/macos/mac_tool_profile.h"
#include "shell/placeholder_settings_window.h"
#include "shell/tray_application.h"

#include <QTemporaryDir>

#include <memory>

namespace tarnwick::test {

// A whole TrayApplication on the fake tools, without a system bus and with the engine's
// own timers out of the way.
struct TrayTestApp {
    FakeToolRig rig;
    QTemporaryDir dir;
    std::unique_ptr<TrayApplication> tray;

    TrayTestApp()
    {
        TrayServices services;
        services.settingsWindow = [](ShareStore&, QSettings&) -> QWidget* {
            return new PlaceholderSettingsWindow;
        };
        services.systemBus = QDBusConnection(QStringLiteral("no bus"));
        services.timing.startupDelay = std::chrono::hours(1);
        services.timing.defaultInterval = std::chrono::hours(1);
        services.timing.refreshPeriod = std::chrono::hours(1);
        services.timing.pollSchedule = {std::chrono::milliseconds(0)};
        tray = std::make_unique<TrayApplication>(
            AppSettings::open(dir.filePath(QStringLiteral("t.conf"))),
            std::make_shared<MacToolProfile>(rig.root()), std::move(services));
    }
};

} // namespace tarnwick::test
