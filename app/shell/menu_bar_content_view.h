#pragma once

#include <QList>
#include <QPair>
#include <QWidget>

class QVBoxLayout;

namespace tarnwick {

class ShareListModel;
class ShareRow;

// The popover's content, 240 wide: the share list's rows, a section per server with a row per
// share (or the empty-list text), then Mount All, Unmount All, Settings and Quit with
// dividers. Follows the model; a row keeps its widget (hover, focus) while its id stays.
// Main thread; the model must outlive the view.
class MenuBarContentView : public QWidget {
    Q_OBJECT

public:
    explicit MenuBarContentView(ShareListModel& model, QWidget* parent = nullptr);

    // The share rows shown now, top to bottom (for the popover's owner and tests).
    QList<ShareRow*> shareRows() const;

public Q_SLOTS:
    // Shows the model's rows, reusing the widgets of the rows still present.
    void render();
    // Clears every row's hover and keyboard highlight.
    void clearHover();

private:
    // The widget showing the row at index: reused (its widget so far) updated, or a new one.
    QWidget* widgetFor(qsizetype index, QWidget* reused);
    // Tab and the arrows go top to bottom: share rows with their open buttons, then actions.
    void updateTabOrder();

    ShareListModel& m_model;
    QVBoxLayout* m_layout = nullptr;
    QList<QPair<int, QWidget*>> m_widgets; // by row id, top to bottom
};

} // namespace tarnwick
