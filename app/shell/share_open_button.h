#pragma once

#include "shell/hover_row.h"

namespace tarnwick {

// The folder button at the right end of a mounted share's row: a click, Enter or Space
// opens the share in the file manager (the row's owner connects clicked). Reached by Tab and
// the arrows after its row, highlighted like a row. Main thread.
class ShareOpenButton : public HoverRow {
    Q_OBJECT

public:
    explicit ShareOpenButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRect& content) override;
};

} // namespace tarnwick
