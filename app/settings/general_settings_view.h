#pragma once

#include <QSettings>
#include <QWidget>

#include <optional>

class QCheckBox;
class QLineEdit;
class QLabel;
class QSlider;

namespace tarnwick {

class SettingsFileWatcher;

// The General tab: launch at login, the mount interval, keep-mounted-on-quit, notifications
// and About. Writes "mountInterval", "keepMountedOnQuit" and "notifications" only when the
// user moves a control, and shows changes made to them elsewhere. Main thread; settings must
// outlive the view.
class GeneralSettingsView : public QWidget {
    Q_OBJECT

public:
    // The launch-at-login state is read here, once.
    explicit GeneralSettingsView(QSettings& settings, QWidget* parent = nullptr);

    static constexpr int minimumInterval = 30;
    static constexpr int maximumInterval = 600;
    static constexpr int intervalStep = 30;
    static constexpr double defaultInterval = 120.0;
    static inline const QString websiteUrl = QStringLiteral("https://tarnwick.lorvens.com");

private:
    std::optional<double> storedInterval() const;
    void showStoredValues();
    void intervalMoved(int position);

    QSettings& m_settings;
    SettingsFileWatcher* m_watcher;
    QCheckBox* m_launchAtLogin = nullptr;
    QSlider* m_interval = nullptr;
    QLabel* m_intervalValue = nullptr;
    QCheckBox* m_keepMounted = nullptr;
    QCheckBox* m_notifications = nullptr;
    QLineEdit* m_sharesFolder = nullptr;
    bool m_showing = false;
};

} // namespace tarnwick
