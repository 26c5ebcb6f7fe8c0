#include "settings/server_row.h"

#include "settings/settings_style.h"

#include <QApplication>
#include <QEvent>
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
    , m_host(SettingsStyle::secondaryLabel(QString(), true, this))
{
    m_name->setTextFormat(Qt::PlainText);
    m_host->setTextFormat(Qt::PlainText);
    m_symbol->setObjectName(QStringLiteral("symbol"));
    m_name->setObjectName(QStringLiteral("name"));
    m_host->setObjectName(QStringLiteral("host"));
    m_name->setFont(SettingsStyle::weighted(m_name->font(), QFont::Medium));
    m_symbol->setFixedSize(symbolSize, symbolSize);
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
    refresh();
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
    return m_server.isEnabled ? SettingsStyle::accentColor(colors)
                              : SettingsStyle::secondaryColor(colors);
}

void ServerRow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        refresh();
}

void ServerRow::refresh()
{
    m_name->setText(m_server.displayName.isEmpty() ? qtTrId("server.new_name")
                                                   : m_server.displayName);
    m_host->setText(m_server.host.isEmpty() ? qtTrId("server.no_host") : m_server.host);
    m_symbol->setPixmap(SettingsStyle::icon(SettingsStyle::Symbol::ServerRack, symbolColor())
                            .pixmap(QSize(symbolSize, symbolSize), devicePixelRatioF()));
}

} // namespace tarnwick
