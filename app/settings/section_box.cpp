#include "settings/section_box.h"

#include "style/style.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnwick {

SectionBox::SectionBox(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_header(new QHBoxLayout)
    , m_content(new QVBoxLayout)
    , m_outer(new QVBoxLayout(this))
{
    m_outer->setContentsMargins(0, 0, 0, 0);
    m_outer->setSpacing(4);

    auto* titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("sectionTitle"));
    titleLabel->setFont(Style::weighted(titleLabel->font(), QFont::DemiBold));
    m_header->setContentsMargins(2, 0, 2, 0);
    m_header->addWidget(titleLabel);
    m_outer->addLayout(m_header);

    auto* box = new QFrame(this);
    box->setFrameShape(QFrame::StyledPanel);
    box->setFrameShadow(QFrame::Plain);
    box->setAutoFillBackground(true);
    Style::follow(box, [box](const QPalette& own) {
        QPalette colours; // only this role set: the others stay inherited
        colours.setColor(QPalette::Window, own.color(QPalette::Base));
        box->setPalette(colours);
    });
    box->setLayout(m_content);
    m_content->setContentsMargins(10, 8, 10, 8);
    m_content->setSpacing(8);
    m_outer->addWidget(box);
}

void SectionBox::setFooter(const QString& text)
{
    if (!m_footer) {
        m_footer = Style::secondaryLabel(QString(), true, this);
        m_footer->setObjectName(QStringLiteral("sectionFooter"));
        m_footer->setWordWrap(true);
        m_footer->setContentsMargins(2, 0, 2, 0);
        m_outer->addWidget(m_footer);
    }
    m_footer->setText(text);
}

} // namespace tarnwick
