#pragma once

#include "model/discovered_server.h"

#include <QSet>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tarnwick {

// One discovered server in the discovery sheet: name and host, the add button (or a check
// mark once added) and the host's shares as check boxes. Shows the state the sheet hands
// it; reports ticks and the add button. Main thread.
class DiscoveredServerSection : public QWidget {
    Q_OBJECT

public:
    explicit DiscoveredServerSection(const DiscoveredServer& server, QWidget* parent = nullptr);

    const DiscoveredServer& server() const { return m_server; }
    void setState(const QStringList& shares, const QSet<QString>& selected, bool isLoading,
                  bool isAdded);

Q_SIGNALS:
    // The whole new set of ticked names.
    void selectionChanged(const QSet<QString>& selected);
    void addClicked();

private:
    void rebuildBoxes();

    DiscoveredServer m_server;
    QStringList m_shares;
    QSet<QString> m_selected;
    bool m_isLoading = false;
    bool m_isAdded = false;

    QPushButton* m_add;
    QLabel* m_added;
    QWidget* m_loadingRow;
    QLabel* m_noShares;
    QWidget* m_boxArea;
    QVBoxLayout* m_boxLayout;
    QList<QCheckBox*> m_boxes;
};

} // namespace tarnwick
