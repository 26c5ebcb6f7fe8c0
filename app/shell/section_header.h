#pragma once

#include <QLabel>

namespace tarnwick {

// A server's name above its shares: 11 px semibold, secondary level, padded 12 left and
// right, 8 above and 2 below. Shows the title unchanged. Main thread.
class SectionHeader : public QLabel {
    Q_OBJECT

public:
    explicit SectionHeader(const QString& title, QWidget* parent = nullptr);
};

} // namespace tarnwick
