#include "style/style.h"

#include "style/symbol_icons.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>

namespace tarnwick {

namespace {

// Runs an apply function after each palette change of the widget it is a child of.
class PaletteFollower : public QObject {
public:
    PaletteFollower(QWidget* widget, std::function<void(const QPalette&)> apply)
        : QObject(widget)
        , m_widget(widget)
        , m_apply(std::move(apply))
    {
        widget->installEventFilter(this);
        run();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Setting the palette in apply sends another change; that one is ours.
        if (watched == m_widget && event->type() == QEvent::PaletteChange && !m_running)
            run();
        return false;
    }

private:
    void run()
    {
        m_running = true;
        m_apply(m_widget->palette());
        m_running = false;
    }

    QWidget* m_widget;
    std::function<void(const QPalette&)> m_apply;
    bool m_running = false;
};

} // namespace

QColor Style::accent(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Highlight);
}

QColor Style::text(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::WindowText);
}

QColor Style::secondary(QColor color)
{
    color.setAlphaF(color.alphaF() * secondaryAlpha);
    return color;
}

QFont Style::caption(const QFont& base)
{
    QFont font = base;
    if (base.pointSizeF() > 0)
        font.setPointSizeF(base.pointSizeF() * 0.85);
    else
        font.setPixelSize(qMax(8, base.pixelSize() * 85 / 100));
    return font;
}

QFont Style::weighted(const QFont& base, QFont::Weight weight)
{
    QFont font = base;
    font.setWeight(weight);
    return font;
}

void Style::follow(QWidget* widget, std::function<void(const QPalette&)> apply)
{
    new PaletteFollower(widget, std::move(apply));
}

void Style::makeSecondary(QLabel* label)
{
    // Drawn in a role of its own, so that the text colour it derives from stays inherited.
    label->setForegroundRole(QPalette::PlaceholderText);
    follow(label, [label](const QPalette& colours) {
        QPalette derived; // only this role set: the others stay inherited
        derived.setColor(QPalette::PlaceholderText, secondaryText(colours));
        label->setPalette(derived);
    });
}

QLabel* Style::secondaryLabel(const QString& text, bool caption, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    makeSecondary(label);
    if (caption)
        label->setFont(Style::caption(label->font()));
    return label;
}

QLabel* Style::plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QWidget* Style::busyIndicator(QWidget* parent, int width)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 0); // indeterminate
    bar->setTextVisible(false);
    bar->setFixedSize(width, 8);
    return bar;
}

void Style::showSymbol(QLabel* label, const QString& symbol, int size, Tint tint)
{
    label->setFixedSize(size, size);
    follow(label, [=](const QPalette& inherited) {
        label->setPixmap(
            SymbolIcons::tinted(symbol, tint(inherited), size, label->devicePixelRatioF()));
    });
}

void Style::showSymbol(QAbstractButton* button, const QString& symbol, int size, Tint tint)
{
    button->setIconSize(QSize(size, size));
    follow(button, [=](const QPalette& inherited) {
        button->setIcon(SymbolIcons::tintedIcon(symbol, tint(inherited)));
    });
}

} // namespace tarnwick
