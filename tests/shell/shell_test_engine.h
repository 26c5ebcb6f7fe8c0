#pragma once

#include "fake_tool_rig.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "platform/macos/mac_tool_profile.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace tarnwick::test {

// A real store and mount manager over the fake macOS tools, with the engine's own timers
// pushed out of the way: only what a test does happens. Tools can be held mid-run with
// hold() until release().
struct ShellTestEngine {
    FakeToolRig rig;
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<ShareStore> store;
    std::unique_ptr<MountManager> manager;

    static MountTiming quietTiming()
    {
        MountTiming timing;
        timing.startupDelay = std::chrono::hours(1);
        timing.defaultInterval = std::chrono::hours(1);
        timing.refreshPeriod = std::chrono::hours(1);
        timing.pollSchedule = {std::chrono::milliseconds(0)};
        return timing;
    }

    ShellTestEngine()
    {
        settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("t.conf")),
                                               QSettings::IniFormat);
        store = std::make_unique<ShareStore>(*settings);
    }

    ~ShellTestEngine()
    {
        release(); // the manager waits for its tasks
        manager.reset();
    }

    // Starts the manager (reads the mount table at once).
    void startManager()
    {
        manager =
            std::make_unique<MountManager>(*store, std::make_shared<MacToolProfile>(rig.root()),
                                           *settings, nullptr, quietTiming());
    }

    QString statePath(const QString& name) const
    {
        return rig.root() + QStringLiteral("/state/") + name;
    }

    // Every call of tool waits until release().
    void hold(const QString& tool)
    {
        QFile::remove(statePath(QStringLiteral("release")));
        rig.setHook(tool, QStringLiteral("while [ ! -e \"$state/release\" ]; do sleep 0.02; "
                                         "done\n"));
    }
    void release()
    {
        QFile marker(statePath(QStringLiteral("release")));
        marker.open(QIODevice::WriteOnly);
    }

    void mountInTable(const QString& share)
    {
        rig.addSmbMount(share, rig.volumes() + u'/' + share);
    }
};

} // namespace tarnwick::test
