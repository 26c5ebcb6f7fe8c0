#include "settings/discovery_sheet.h"

#include "discovery/bonjour_browser.h"
#include "settings/discovered_server_section.h"
#include "style/divider.h"
#include "style/style.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tarnwick {

namespace {

// A centred column for the empty states.
QWidget* centredColumn(QWidget* top, QLabel* text, QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(10);
    layout->addStretch(1);
    layout->addWidget(top, 0, Qt::AlignHCenter);
    text->setAlignment(Qt::AlignHCenter);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return page;
}

} // namespace

DiscoverySheet::DiscoverySheet(BonjourBrowser& bonjour, QWidget* parent)
    : QDialog(parent)
    , m_bonjour(bonjour)
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(qtTrId("discovery.title"));
    setFixedSize(460, 400);

    // Title row.
    auto* title = new QLabel(qtTrId("discovery.title"), this);
    title->setFont(Style::weighted(title->font(), QFont::Bold));
    m_titleBusy = Style::busyIndicator(this, 32);
    m_titleBusy->setObjectName(QStringLiteral("titleBusy"));
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(16, 12, 16, 12);
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    titleRow->addWidget(m_titleBusy);

    // Body: searching, none found, or the list of sections.
    m_body = new QStackedWidget(this);
    auto* searchingText = Style::secondaryLabel(qtTrId("discovery.searching"), false);
    m_searching = centredColumn(Style::busyIndicator(nullptr, 120), searchingText, m_body);
    m_searching->setObjectName(QStringLiteral("searching"));
    auto* noneSymbol = new QLabel;
    Style::showSymbol(noneSymbol, QStringLiteral("wifi.slash"), 32, &Style::secondaryText);
    auto* noneText = Style::secondaryLabel(qtTrId("discovery.none_found"), false);
    m_noneFound = centredColumn(noneSymbol, noneText, m_body);
    m_noneFound->setObjectName(QStringLiteral("noneFound"));
    auto* scroll = new QScrollArea(m_body);
    scroll->setObjectName(QStringLiteral("serverList"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* list = new QWidget;
    m_sectionLayout = new QVBoxLayout(list);
    m_sectionLayout->setContentsMargins(8, 4, 8, 4);
    m_sectionLayout->setSpacing(0);
    m_sectionLayout->addStretch(1);
    scroll->setWidget(list);
    m_body->addWidget(m_searching);
    m_body->addWidget(m_noneFound);
    m_body->addWidget(scroll);

    // Button row.
    m_rescan = new QPushButton(qtTrId("discovery.rescan"), this);
    m_rescan->setObjectName(QStringLiteral("rescan"));
    m_rescan->setAutoDefault(false);
    m_done = new QPushButton(qtTrId("discovery.done"), this);
    m_done->setObjectName(QStringLiteral("done"));
    m_done->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(16, 12, 16, 12);
    buttons->addWidget(m_rescan);
    buttons->addStretch(1);
    buttons->addWidget(m_done);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(titleRow);
    layout->addWidget(new Divider(Qt::Horizontal, 0, this));
    layout->addWidget(m_body, 1);
    layout->addWidget(new Divider(Qt::Horizontal, 0, this));
    layout->addLayout(buttons);

    connect(m_rescan, &QPushButton::clicked, this, &DiscoverySheet::rescan);
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);
    connect(&m_bonjour, &BonjourBrowser::discoveredChanged, this,
            &DiscoverySheet::discoveredChanged);
    connect(&m_bonjour, &BonjourBrowser::isSearchingChanged, this,
            &DiscoverySheet::searchingChanged);
    discoveredChanged();
}

DiscoveredServerSection* DiscoverySheet::sectionFor(const QString& host) const
{
    for (DiscoveredServerSection* section : m_sections) {
        if (section->server().host == host)
            return section;
    }
    return nullptr;
}

void DiscoverySheet::rescan()
{
    m_serverShares.clear();
    m_selectedShares.clear();
    m_loadingShares.clear();
    m_addedHosts.clear();
    showAllSections();
    m_bonjour.startSearch();
}

void DiscoverySheet::discoveredChanged()
{
    const QList<DiscoveredServer>& discovered = m_bonjour.discovered();
    QList<DiscoveredServerSection*> sections;
    QList<DiscoveredServerSection*> appeared;
    for (const DiscoveredServer& server : discovered) {
        const auto existing =
            std::find_if(m_sections.begin(), m_sections.end(),
                         [&](DiscoveredServerSection* s) { return s->server().id == server.id; });
        if (existing != m_sections.end()) {
            sections.append(*existing);
            m_sections.erase(existing);
            continue;
        }
        auto* section = new DiscoveredServerSection(server);
        connect(section, &DiscoveredServerSection::selectionChanged, this,
                [this, host = server.host](const QSet<QString>& selected) {
                    m_selectedShares.insert(host, selected);
                    showSection(host);
                });
        connect(section, &DiscoveredServerSection::addClicked, this,
                [this, server] { add(server); });
        sections.append(section);
        appeared.append(section);
    }
    qDeleteAll(m_sections); // no longer listed by the browser
    m_sections = sections;

    // Keep the layout in the browser's order, each section followed by a divider.
    while (m_sectionLayout->count() > 0) {
        QLayoutItem* item = m_sectionLayout->takeAt(0);
        if (item->widget() && item->widget()->objectName() == u"sectionDivider")
            delete item->widget();
        delete item;
    }
    for (DiscoveredServerSection* section : std::as_const(m_sections)) {
        m_sectionLayout->addWidget(section);
        auto* line = new Divider(Qt::Horizontal);
        line->setObjectName(QStringLiteral("sectionDivider"));
        m_sectionLayout->addWidget(line);
    }
    m_sectionLayout->addStretch(1);

    for (DiscoveredServerSection* section : std::as_const(appeared)) {
        showSection(section->server().host);
        loadShares(section->server());
    }
    searchingChanged();
}

void DiscoverySheet::searchingChanged()
{
    const bool searching = m_bonjour.isSearching();
    m_titleBusy->setVisible(searching || !m_loadingShares.isEmpty());
    m_rescan->setEnabled(!searching);
    if (!m_sections.isEmpty())
        m_body->setCurrentIndex(2);
    else
        m_body->setCurrentWidget(searching ? m_searching : m_noneFound);
}

void DiscoverySheet::loadShares(const DiscoveredServer& server)
{
    const QString host = server.host;
    if (m_serverShares.contains(host) || m_loadingShares.contains(host))
        return;
    m_loadingShares.insert(host);
    showSection(host);
    searchingChanged();
    QPointer<DiscoverySheet> self(this);
    m_bonjour.listShares(host, [self, host](const ShareListing& listing) {
        if (self)
            self->sharesListed(host, listing.names);
    });
}

void DiscoverySheet::sharesListed(const QString& host, const QStringList& names)
{
    m_loadingShares.remove(host);
    m_serverShares.insert(host, names);
    m_selectedShares.insert(host, QSet<QString>(names.begin(), names.end()));
    showSection(host);
    searchingChanged();
}

void DiscoverySheet::add(const DiscoveredServer& server)
{
    // Ticked names in the order the host listed them.
    const QSet<QString> selected = m_selectedShares.value(server.host);
    QStringList names;
    for (const QString& name : m_serverShares.value(server.host)) {
        if (selected.contains(name) && !names.contains(name))
            names.append(name);
    }
    Q_EMIT addRequested(server, names);
    m_addedHosts.insert(server.host);
    showSection(server.host);
}

void DiscoverySheet::showSection(const QString& host)
{
    for (DiscoveredServerSection* section : std::as_const(m_sections)) {
        if (section->server().host == host)
            section->setState(m_serverShares.value(host), m_selectedShares.value(host),
                              m_loadingShares.contains(host), m_addedHosts.contains(host));
    }
}

void DiscoverySheet::showAllSections()
{
    for (DiscoveredServerSection* section : std::as_const(m_sections))
        showSection(section->server().host);
    searchingChanged();
}

} // namespace tarnwick
