#include "settings/settings_style.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>

namespace tarnwick {

namespace {

struct SymbolSource {
    const char* themeName;
    const char* bundled;
};

SymbolSource sourceOf(SettingsStyle::Symbol symbol)
{
    using S = SettingsStyle::Symbol;
    switch (symbol) {
    case S::ServerRack:
        return {"network-server-symbolic", "server-rack"};
    case S::Plus:
        return {"list-add-symbolic", "plus"};
    case S::Minus:
        return {"list-remove-symbolic", "minus"};
    case S::Antenna:
        return {"network-wireless-symbolic", "antenna"};
    case S::Gear:
        return {"emblem-system-symbolic", "gear"};
    case S::ExternalDrive:
        return {"folder-remote-symbolic", "external-drive"};
    case S::WifiSlash:
        return {"network-wireless-offline-symbolic", "wifi-slash"};
    case S::CheckmarkCircle:
        return {"emblem-ok-symbolic", "checkmark-circle"};
    case S::Refresh:
        return {"view-refresh-symbolic", "refresh"};
    }
    return {"", ""};
}

QPixmap tinted(const QIcon& base, int size, const QColor& color)
{
    QPixmap pixmap = base.pixmap(QSize(size, size));
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    return pixmap;
}

} // namespace

QColor SettingsStyle::accentColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Highlight);
}

QColor SettingsStyle::secondaryColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::PlaceholderText);
}

QColor SettingsStyle::successColor()
{
    return QColor(0x28, 0xa7, 0x45);
}

QFont SettingsStyle::captionFont(const QFont& base)
{
    QFont font = base;
    if (base.pointSizeF() > 0)
        font.setPointSizeF(base.pointSizeF() * 0.85);
    else
        font.setPixelSize(qMax(8, base.pixelSize() * 85 / 100));
    return font;
}

QFont SettingsStyle::weighted(const QFont& base, QFont::Weight weight)
{
    QFont font = base;
    font.setWeight(weight);
    return font;
}

QIcon SettingsStyle::icon(Symbol symbol, const QColor& color)
{
    const SymbolSource source = sourceOf(symbol);
    QIcon base = QIcon::fromTheme(QString::fromLatin1(source.themeName));
    if (base.isNull())
        base = QIcon(QStringLiteral(":/tarnwick/settings/icons/%1.svg")
                         .arg(QString::fromLatin1(source.bundled)));
    QIcon result;
    for (int size : {16, 20, 24, 32, 40, 48, 64}) {
        const QPixmap pixmap = tinted(base, size, color);
        if (!pixmap.isNull())
            result.addPixmap(pixmap);
    }
    return result;
}

QString SettingsStyle::verbatimButtonText(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return escaped;
}

QLabel* SettingsStyle::plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QLabel* SettingsStyle::secondaryLabel(const QString& text, bool caption, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, secondaryColor(palette));
    label->setPalette(palette);
    if (caption)
        label->setFont(captionFont(label->font()));
    return label;
}

QWidget* SettingsStyle::busyIndicator(QWidget* parent, int width)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 0); // indeterminate
    bar->setTextVisible(false);
    bar->setFixedSize(width, 8);
    return bar;
}

} // namespace tarnwick
