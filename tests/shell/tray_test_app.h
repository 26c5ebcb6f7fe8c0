#pragma once

#include "fake_tool_rig.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "platform/macos/mac_tool_profile.h"
#include "shell/tray_application.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

namespace tarnwick::test {

// A whole TrayApplication on the fake tools, no bus, engine timers out of the way: only what a
// test does happens. hold(tool) keeps every call of tool waiting until release().
struct TrayTestApp {
    FakeToolRig rig;
    QTemporaryDir dir;
    std::unique_ptr<TrayApplication> tray;

    explicit TrayTestApp(const std::function<void(TrayServices&)>& tweak = {})
    {
        TrayServices s;
        s.settingsWindow = [](ShareStore&, QSettings&, MountManager*) -> QWidget* {
            return new QWidget(nullptr, Qt::Window);
        };
        s.systemBus = s.sessionBus = QDBusConnection(u"no bus"_qs);
        s.openUrl = [](const QUrl&) { return true; }; // no file manager in tests
        s.trayGrace = s.timing.startupDelay = s.timing.defaultInterval = s.timing.refreshPeriod =
            std::chrono::hours(1);
        s.timing.pollSchedule = {std::chrono::milliseconds(0)};
        if (tweak)
            tweak(s);
        // Not a first start: that would open the settings window.
        QFile(dir.filePath(u"t.conf"_qs)).open(QIODevice::WriteOnly);
        tray = std::make_unique<TrayApplication>(AppSettings::open(dir.filePath(u"t.conf"_qs)),
                                                 std::make_shared<MacToolProfile>(rig.root()),
                                                 std::move(s));
    }
    ~TrayTestApp()
    {
        release(); // the manager waits for its tasks
        tray.reset();
    }
    ShareStore& store() { return tray->store(); }
    MountManager& manager() { return *tray->manager(); }
    void mountInTable(const QString& share)
    {
        rig.addSmbMount(share, rig.volumes() + u'/' + share);
    }
    void hold(const QString& tool)
    {
        QFile::remove(rig.root() + u"/state/release"_qs);
        rig.setHook(tool, u"while [ ! -e \"$state/release\" ]; do sleep 0.02; done\n"_qs);
    }
    void release() { QFile(rig.root() + u"/state/release"_qs).open(QIODevice::WriteOnly); }
};

} // namespace tarnwick::test
