#include "settings/discovered_server_section.h"

#include "style/share_check_list.h"
#include "style/style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnwick {

DiscoveredServerSection::DiscoveredServerSection(const DiscoveredServer& server, QWidget* parent)
    : QWidget(parent)
    , m_server(server)
{
    auto* name = Style::plainLabel(server.name, this);
    name->setObjectName(QStringLiteral("name"));
    name->setFont(Style::weighted(name->font(), QFont::DemiBold));
    auto* host = Style::secondaryLabel(QString(), true, this);
    host->setObjectName(QStringLiteral("host"));
    host->setTextFormat(Qt::PlainText);
    host->setText(server.host);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(name);
    titles->addWidget(host);

    m_add = new QPushButton(qtTrId("discovery.add"), this);
    m_add->setObjectName(QStringLiteral("add"));
    // Return belongs to the sheet's Done button, never to a focused add button.
    m_add->setAutoDefault(false);
    m_add->setFont(Style::caption(m_add->font()));
    connect(m_add, &QPushButton::clicked, this, &DiscoveredServerSection::addClicked);
    m_added = new QLabel(this);
    m_added->setObjectName(QStringLiteral("added"));
    Style::showSymbol(m_added, QStringLiteral("checkmark.circle.fill"), 18,
                      [](const QPalette&) { return Style::green(); });

    auto* header = new QHBoxLayout;
    header->addLayout(titles, 1);
    header->addWidget(m_add, 0, Qt::AlignVCenter);
    header->addWidget(m_added, 0, Qt::AlignVCenter);

    m_loadingRow = new QWidget(this);
    auto* loading = new QHBoxLayout(m_loadingRow);
    loading->setContentsMargins(0, 0, 0, 0);
    loading->addWidget(Style::busyIndicator(m_loadingRow, 32));
    loading->addWidget(
        Style::secondaryLabel(qtTrId("discovery.loading_shares"), false, m_loadingRow));
    loading->addStretch(1);
    m_noShares = Style::secondaryLabel(qtTrId("discovery.no_shares"), true, this);
    m_noShares->setObjectName(QStringLiteral("noShares"));
    m_boxes = new ShareCheckList(4, this);
    connect(m_boxes, &ShareCheckList::toggled, this, [this](const QString& name, bool ticked) {
        QSet<QString> selected = m_selected;
        if (ticked)
            selected.insert(name);
        else
            selected.remove(name);
        Q_EMIT selectionChanged(selected);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(6);
    layout->addLayout(header);
    layout->addWidget(m_loadingRow);
    layout->addWidget(m_noShares);
    layout->addWidget(m_boxes);
    setState({}, {}, false, false);
}

void DiscoveredServerSection::setState(const QStringList& shares, const QSet<QString>& selected,
                                       bool isLoading, bool isAdded)
{
    m_selected = selected;
    m_boxes->setNames(shares);
    m_boxes->setTicked([&](const QString& name) { return selected.contains(name); });

    m_add->setVisible(!isAdded);
    m_add->setEnabled(!selected.isEmpty());
    m_added->setVisible(isAdded);
    m_loadingRow->setVisible(isLoading);
    m_noShares->setVisible(!isLoading && shares.isEmpty());
    m_boxes->setVisible(!isLoading && !shares.isEmpty());
}

} // namespace tarnwick
