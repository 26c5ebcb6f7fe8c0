#pragma once

#include <QWidget>

namespace tarnwick {

// Stands in for the settings window until the real one is wired in: a titled 600 × 540
// window with the two empty tabs. Main thread.
class PlaceholderSettingsWindow : public QWidget {
    Q_OBJECT

public:
    explicit PlaceholderSettingsWindow(QWidget* parent = nullptr);
};

} // namespace tarnwick
