#include "shell/settings_opener.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace tarnwick {

SettingsOpener::SettingsOpener(SettingsWindowFactory factory, QObject* parent)
    : QObject(parent)
    , m_factory(std::move(factory))
{
}

SettingsOpener::~SettingsOpener()
{
    delete m_window.data();
}

void SettingsOpener::centre(QWidget& window)
{
    QScreen* screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft()); // move() places the frame of a top-level window
}

void SettingsOpener::open()
{
    if (!m_window && m_factory)
        m_window = m_factory();
    if (!m_window)
        return;
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    QTimer::singleShot(raiseDelay, this, [this] {
        // The window may have been closed or destroyed during the pause.
        if (!m_window || !m_window->isVisible())
            return;
        m_window->raise();
        m_window->activateWindow();
        if (QWindow* handle = m_window->windowHandle())
            handle->requestActivate();
        centre(*m_window);
        Q_EMIT raised();
    });
}

} // namespace tarnwick
