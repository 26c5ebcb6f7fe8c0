#pragma once

#include "shell/hover_row.h"
#include "shell/share_list_row.h"

namespace tarnwick {

class ShareListModel;
class ShareOpenButton;

// One share row of the popover: state icon, name, the reason it is not mounted; a click
// activates the row in the model; while the row has an Open row, a folder button at its end
// activates that. Disabled (no clicks, no new hover) while the share is busy. Main thread;
// the model must outlive the row.
class ShareRow : public HoverRow {
    Q_OBJECT

public:
    explicit ShareRow(ShareListModel& model, QWidget* parent = nullptr);

    const ShareListRow& row() const { return m_row; }
    // Shows row; open is the Open row that follows it in the model, null when none does.
    void setRow(const ShareListRow& row, const ShareListRow* open);
    // The open button; shown only while the row has an Open row.
    ShareOpenButton* openButton() const { return m_open; }

protected:
    bool takesHover() const override;
    void paintLabel(QPainter& painter, const QRect& content) override;
    int labelHeight() const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QFont detailFont() const;

    ShareListModel& m_model;
    ShareListRow m_row;
    int m_openId = 0;
    ShareOpenButton* m_open;
};

} // namespace tarnwick
