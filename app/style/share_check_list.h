#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QVBoxLayout;

namespace tarnwick {

// A column of check boxes, one per share name in the order given (duplicates included), each
// labelled with the name verbatim ("&" is no shortcut mark). Shows the ticks it is told and
// reports the user's clicks. Main thread.
class ShareCheckList : public QWidget {
    Q_OBJECT

public:
    explicit ShareCheckList(int spacing, QWidget* parent = nullptr);

    const QStringList& names() const { return m_names; }
    // Rebuilds the boxes unless names are the ones shown.
    void setNames(const QStringList& names);
    // Ticks each box for which ticked(name) is true, unticks the others.
    void setTicked(const std::function<bool(const QString&)>& ticked);
    // The first box for name; nullptr when none.
    QCheckBox* box(const QString& name) const;
    const QList<QCheckBox*>& boxes() const { return m_boxes; }

Q_SIGNALS:
    void toggled(const QString& name, bool ticked);

private:
    QVBoxLayout* m_layout;
    QStringList m_names;
    QList<QCheckBox*> m_boxes;
};

} // namespace tarnwick
