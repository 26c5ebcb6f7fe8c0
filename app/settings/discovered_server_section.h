#pragma once

#include "model/discovered_server.h"

#include <QSet>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tarnwick {

// One discovered server in the discovery sheet: name and host, the add button (or a check
// mark once added) and the host's shares as check boxes. Shows the state the sheet hands
// it; reports ticks and the add button. Main thread.
class ShareCheckList;

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
    DiscoveredServer m_server;
    QSet<QString> m_selected;

    QPushButton* m_add;
    QLabel* m_added;
    QWidget* m_loadingRow;
    QLabel* m_noShares;
    ShareCheckList* m_boxes;
};

} // namespace tarnwick
