#include "settings/server_row.h"

#include "style/style.h"
#include "style/symbol_icons.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnwick {

namespace {
constexpr int symbolSize = 20;
}

ServerRow::ServerRow(const Server& server, QWidget* parent)
    : QWidget(parent)
    , m_server(server)
    , m_symbol(new QLabel(this))
    , m_name(new QLabel(this))
    , m_host(Style::secondaryLabel(QString(), true, this))
{
    m_name->setTextFormat(Qt::PlainText);
    m_host->setTextFormat(Qt::PlainText);
    m_symbol->setObjectName(QStringLiteral("symbol"));
    m_name->setObjectName(QStringLiteral("name"));
    m_host->setObjectName(QStringLiteral("host"));
    m_name->setFont(Style::weighted(m_name->font(), QFont::Medium));
    // Long names are clipped by the fixed-width column instead of widening it.
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_host->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_name);
    texts->addWidget(m_host);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(m_symbol, 0, Qt::AlignVCenter);
    layout->addLayout(texts, 1);
    m_symbol->setFixedSize(symbolSize, symbolSize);
    Style::follow(this, [this](const QPalette&) { refresh(); });
}

void ServerRow::setServer(const Server& server)
{
    m_server = server;
    refresh();
}

QColor ServerRow::symbolColor() const
{
    // The application's colours: the list tints its own selection colour for the rows.
    const QPalette colors = QApplication::palette();
    return m_server.isEnabled ? Style::accent(colors) : Style::secondaryText(colors);
}

QString ServerRow::accessibleText() const
{
    const QString text = m_name->text() + u", "_qs + m_host->text();
    return m_server.isEnabled ? text : text + u", "_qs + qtTrId("servers.row_disabled");
}

void ServerRow::refresh()
{
    m_name->setText(m_server.displayName.isEmpty() ? qtTrId("server.new_name")
                                                   : m_server.displayName);
    m_host->setText(m_server.host.isEmpty() ? qtTrId("server.no_host") : m_server.host);
    m_symbol->setPixmap(SymbolIcons::tinted(QStringLiteral("server.rack"), symbolColor(),
                                            symbolSize, devicePixelRatioF()));
}

} // namespace tarnwick
