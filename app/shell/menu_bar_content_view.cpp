#include "shell/menu_bar_content_view.h"

#include "shell/menu_row.h"
#include "shell/popover_style.h"
#include "shell/section_header.h"
#include "shell/share_list_model.h"
#include "shell/share_open_button.h"
#include "shell/share_row.h"
#include "style/divider.h"
#include "style/style.h"

#include <QHash>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnwick {

using Kind = ShareListRow::Kind;

MenuBarContentView::MenuBarContentView(ShareListModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    setFixedWidth(PopoverStyle::width);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, PopoverStyle::verticalPadding, 0,
                                 PopoverStyle::verticalPadding);
    m_layout->setSpacing(0);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(&model, &ShareListModel::changed, this, &MenuBarContentView::render);
    render();
}

QList<ShareRow*> MenuBarContentView::shareRows() const
{
    QList<ShareRow*> found;
    for (const auto& [id, widget] : m_widgets) {
        if (auto* row = qobject_cast<ShareRow*>(widget))
            found.append(row);
    }
    return found;
}

QWidget* MenuBarContentView::widgetFor(qsizetype index, QWidget* reused)
{
    const QList<ShareListRow>& rows = m_model.rows();
    const ShareListRow& row = rows.at(index);
    const int id = row.id;
    switch (row.kind) {
    case Kind::Header:
        if (!reused)
            return new SectionHeader(row.label, this);
        static_cast<SectionHeader*>(reused)->setText(row.label);
        return reused;
    case Kind::Empty: {
        auto* text = static_cast<QLabel*>(reused);
        if (!text) {
            text = new QLabel(this);
            text->setTextFormat(Qt::PlainText);
            text->setContentsMargins(PopoverStyle::emptyHPadding, PopoverStyle::emptyVPadding,
                                     PopoverStyle::emptyHPadding, PopoverStyle::emptyVPadding);
            Style::makeSecondary(text);
        }
        text->setText(row.label);
        return text;
    }
    case Kind::Share: {
        auto* share = reused ? static_cast<ShareRow*>(reused) : new ShareRow(m_model, this);
        const bool open = index + 1 < rows.size() && rows.at(index + 1).kind == Kind::Open;
        share->setRow(row, open ? &rows.at(index + 1) : nullptr);
        return share;
    }
    case Kind::Action:
    case Kind::SignIn:
        if (!reused)
            return new MenuRow(
                row.label, [this, id] { m_model.activate(id); }, this);
        static_cast<MenuRow*>(reused)->setTitle(row.label);
        return reused;
    case Kind::Separator:
        return reused ? reused : new Divider(Qt::Horizontal, PopoverStyle::dividerPadding, this);
    case Kind::Open: // the folder button of the share row before it
        break;
    }
    return nullptr;
}

void MenuBarContentView::render()
{
    // Widgets are keyed by row id, which stays with its server, share or action: a row under
    // the pointer or with focus survives an unrelated change of the list.
    QHash<int, QWidget*> previous;
    for (const auto& [id, widget] : std::as_const(m_widgets))
        previous.insert(id, widget);
    QList<QPair<int, QWidget*>> widgets;
    const QList<ShareListRow>& rows = m_model.rows();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (QWidget* widget = widgetFor(i, previous.take(rows.at(i).id)))
            widgets.append({rows.at(i).id, widget});
    }
    for (QWidget* gone : std::as_const(previous)) {
        gone->hide();
        gone->deleteLater();
    }
    if (widgets == m_widgets)
        return;
    for (const auto& [id, widget] : std::as_const(m_widgets))
        m_layout->removeWidget(widget);
    m_widgets = widgets;
    for (const auto& [id, widget] : std::as_const(m_widgets)) {
        m_layout->addWidget(widget);
        widget->show();
    }
    updateTabOrder();
}

void MenuBarContentView::updateTabOrder()
{
    // Rows made later (a share added while running) would otherwise come after Quit.
    QWidget* previous = nullptr;
    const auto follow = [&previous](QWidget* row) {
        if (previous)
            setTabOrder(previous, row);
        previous = row;
    };
    for (const auto& [id, widget] : std::as_const(m_widgets)) {
        if (auto* share = qobject_cast<ShareRow*>(widget)) {
            follow(share);
            follow(share->openButton());
        } else if (auto* action = qobject_cast<MenuRow*>(widget)) {
            follow(action);
        }
    }
}

void MenuBarContentView::clearHover()
{
    for (HoverRow* row : findChildren<HoverRow*>())
        row->clearHover();
}

} // namespace tarnwick
