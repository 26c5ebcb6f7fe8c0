#pragma once

#include "shell/hover_row.h"

#include <functional>

namespace tarnwick {

// An action row of the popover: its already translated title; a click runs the action.
// Hover follows the pointer without condition. Main thread.
class MenuRow : public HoverRow {
    Q_OBJECT

public:
    MenuRow(const QString& title, std::function<void()> action, QWidget* parent = nullptr);

    // Shows title (already translated), also as the accessible name.
    void setTitle(const QString& title);

protected:
    void paintLabel(QPainter& painter, const QRect& content) override;

private:
    std::function<void()> m_action;
};

} // namespace tarnwick
