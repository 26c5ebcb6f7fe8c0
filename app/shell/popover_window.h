#pragma once

#include <QRect>
#include <QWidget>

namespace tarnwick {

class MenuBarContentView;
class ShareListModel;

// The frameless popup under the tray icon that holds the popover content. A click outside
// or Escape closes it (Qt::Popup); arrows and Tab move through its rows. Main thread; the model
// must outlive it.
class PopoverWindow : public QWidget {
    Q_OBJECT

public:
    explicit PopoverWindow(ShareListModel& model, QWidget* parent = nullptr);

    MenuBarContentView* content() const { return m_content; }

    // Where a popup of size goes: centred under anchor (the icon) when anchor is valid,
    // otherwise under pointer; above instead when there is no room below; always inside
    // screen.
    static QPoint placement(const QRect& anchor, const QPoint& pointer, const QSize& size,
                            const QRect& screen);

public Q_SLOTS:
    // Shows the popup under anchor (or the pointer when anchor is empty) and activates it.
    void showUnder(const QRect& anchor);

Q_SIGNALS:
    void shownChanged(bool shown);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    MenuBarContentView* m_content = nullptr;
};

} // namespace tarnwick
