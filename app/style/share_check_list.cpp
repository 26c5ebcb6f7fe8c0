#include "style/share_check_list.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace tarnwick {

ShareCheckList::ShareCheckList(int spacing, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("shareBoxes"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(spacing);
}

void ShareCheckList::setNames(const QStringList& names)
{
    if (names == m_names && m_boxes.size() == names.size())
        return;
    m_names = names;
    qDeleteAll(m_boxes);
    m_boxes.clear();
    for (const QString& name : names) {
        QString label = name;
        label.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* box = new QCheckBox(label, this);
        box->setAccessibleName(name);
        connect(box, &QCheckBox::clicked, this,
                [this, name](bool ticked) { Q_EMIT toggled(name, ticked); });
        m_layout->addWidget(box);
        m_boxes.append(box);
    }
}

void ShareCheckList::setTicked(const std::function<bool(const QString&)>& ticked)
{
    for (qsizetype i = 0; i < m_boxes.size(); ++i)
        m_boxes.at(i)->setChecked(ticked(m_names.at(i)));
}

QCheckBox* ShareCheckList::box(const QString& name) const
{
    const qsizetype index = m_names.indexOf(name);
    return index < 0 ? nullptr : m_boxes.at(index);
}

} // namespace tarnwick
