#include "settings/discovered_server_section.h"

#include "settings/settings_style.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnwick {

DiscoveredServerSection::DiscoveredServerSection(const DiscoveredServer& server, QWidget* parent)
    : QWidget(parent)
    , m_server(server)
{
    auto* name = SettingsStyle::plainLabel(server.name, this);
    name->setObjectName(QStringLiteral("name"));
    name->setFont(SettingsStyle::weighted(name->font(), QFont::DemiBold));
    auto* host = SettingsStyle::secondaryLabel(QString(), true, this);
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
    m_add->setFont(SettingsStyle::captionFont(m_add->font()));
    connect(m_add, &QPushButton::clicked, this, &DiscoveredServerSection::addClicked);
    m_added = new QLabel(this);
    m_added->setObjectName(QStringLiteral("added"));
    m_added->setPixmap(
        SettingsStyle::icon(SettingsStyle::Symbol::CheckmarkCircle, SettingsStyle::successColor())
            .pixmap(QSize(18, 18), devicePixelRatioF()));

    auto* header = new QHBoxLayout;
    header->addLayout(titles, 1);
    header->addWidget(m_add, 0, Qt::AlignVCenter);
    header->addWidget(m_added, 0, Qt::AlignVCenter);

    m_loadingRow = new QWidget(this);
    auto* loading = new QHBoxLayout(m_loadingRow);
    loading->setContentsMargins(0, 0, 0, 0);
    loading->addWidget(SettingsStyle::busyIndicator(m_loadingRow, 32));
    loading->addWidget(
        SettingsStyle::secondaryLabel(qtTrId("discovery.loading_shares"), false, m_loadingRow));
    loading->addStretch(1);
    m_noShares = SettingsStyle::secondaryLabel(qtTrId("discovery.no_shares"), true, this);
    m_noShares->setObjectName(QStringLiteral("noShares"));
    m_boxArea = new QWidget(this);
    m_boxLayout = new QVBoxLayout(m_boxArea);
    m_boxLayout->setContentsMargins(0, 0, 0, 0);
    m_boxLayout->setSpacing(4);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(6);
    layout->addLayout(header);
    layout->addWidget(m_loadingRow);
    layout->addWidget(m_noShares);
    layout->addWidget(m_boxArea);
    setState({}, {}, false, false);
}

void DiscoveredServerSection::setState(const QStringList& shares, const QSet<QString>& selected,
                                       bool isLoading, bool isAdded)
{
    const bool sharesChanged = shares != m_shares || m_boxes.size() != shares.size();
    m_shares = shares;
    m_selected = selected;
    m_isLoading = isLoading;
    m_isAdded = isAdded;
    if (sharesChanged)
        rebuildBoxes();
    for (QCheckBox* box : std::as_const(m_boxes))
        box->setChecked(m_selected.contains(box->property("shareName").toString()));

    m_add->setVisible(!isAdded);
    m_add->setEnabled(!selected.isEmpty());
    m_added->setVisible(isAdded);
    m_loadingRow->setVisible(isLoading);
    m_noShares->setVisible(!isLoading && shares.isEmpty());
    m_boxArea->setVisible(!isLoading && !shares.isEmpty());
}

void DiscoveredServerSection::rebuildBoxes()
{
    qDeleteAll(m_boxes);
    m_boxes.clear();
    for (const QString& name : std::as_const(m_shares)) {
        auto* box = new QCheckBox(SettingsStyle::verbatimButtonText(name), m_boxArea);
        box->setProperty("shareName", name);
        connect(box, &QCheckBox::clicked, this, [this, name](bool ticked) {
            QSet<QString> selected = m_selected;
            if (ticked)
                selected.insert(name);
            else
                selected.remove(name);
            Q_EMIT selectionChanged(selected);
        });
        m_boxLayout->addWidget(box);
        m_boxes.append(box);
    }
}

} // namespace tarnwick
