#pragma once

#include "model/server.h"

#include <QWidget>

class QLabel;

namespace tarnwick {

// One line of the server list: the rack symbol (accent colour when enabled, secondary when
// not), the display name and the host, with fallback texts for empty ones. Display only;
// main thread.
class ServerRow : public QWidget {
    Q_OBJECT

public:
    explicit ServerRow(const Server& server, QWidget* parent = nullptr);

    const Server& server() const { return m_server; }
    void setServer(const Server& server);

    // The colour the rack symbol is drawn in.
    QColor symbolColor() const;
    // Name, host and, for a disabled server, that it is disabled: what a screen reader says.
    QString accessibleText() const;

private:
    void refresh();

    Server m_server;
    QLabel* m_symbol;
    QLabel* m_name;
    QLabel* m_host;
};

} // namespace tarnwick
