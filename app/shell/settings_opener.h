#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <functional>

namespace tarnwick {

// Creates the settings window on first use; the owner decides which window class.
using SettingsWindowFactory = std::function<QWidget*()>;

// Opens the settings window on request: shows it at once, then after a short pause (the
// window manager has mapped it by then) raises it, activates it and centres it on its
// screen. Every request repeats the whole sequence. Main thread.
class SettingsOpener : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds raiseDelay{150};

    explicit SettingsOpener(SettingsWindowFactory factory, QObject* parent = nullptr);
    ~SettingsOpener() override;

    // The window, once created; null before the first request.
    QWidget* window() const { return m_window; }

    // Moves window so that its frame is centred on the available area of its screen.
    static void centre(QWidget& window);

public Q_SLOTS:
    void open();

Q_SIGNALS:
    // The delayed raise, activation and centring are done.
    void raised();

private:
    SettingsWindowFactory m_factory;
    QPointer<QWidget> m_window;
};

} // namespace tarnwick
