#include "style/symbol_icons.h"

#include <QPainter>

#include <array>

namespace tarnwick {

namespace {

struct SymbolEntry {
    const char16_t* symbol;
    const char16_t* themeName;
    const char16_t* file;
};

// Symbolic (monochrome) theme icons only, so tinting keeps their shape.
constexpr std::array<SymbolEntry, 13> entries{{
    {u"externaldrive.connected.to.line.below", u"folder-remote-symbolic",
     u"externaldrive-connected.svg"},
    {u"checkmark.circle.fill", u"emblem-ok-symbolic", u"checkmark-circle-fill.svg"},
    {u"arrow.triangle.2.circlepath", u"emblem-synchronizing-symbolic",
     u"arrow-triangle-2-circlepath.svg"},
    {u"circle", u"radio-symbolic", u"circle.svg"},
    {u"gear", u"preferences-system-symbolic", u"gear.svg"},
    {u"plus", u"list-add-symbolic", u"plus.svg"},
    {u"minus", u"list-remove-symbolic", u"minus.svg"},
    {u"antenna.radiowaves.left.and.right", u"network-workgroup-symbolic",
     u"antenna-radiowaves.svg"},
    {u"server.rack", u"network-server-symbolic", u"server-rack.svg"},
    {u"arrow.clockwise", u"view-refresh-symbolic", u"arrow-clockwise.svg"},
    {u"wifi.slash", u"network-wireless-offline-symbolic", u"wifi-slash.svg"},
    {u"exclamationmark.triangle", u"dialog-warning-symbolic", u"exclamationmark-triangle.svg"},
    {u"folder", u"folder-open-symbolic", u"folder.svg"},
}};

const SymbolEntry* find(const QString& symbol)
{
    for (const SymbolEntry& entry : entries) {
        if (symbol == QStringView(entry.symbol))
            return &entry;
    }
    return nullptr;
}

} // namespace

QIcon SymbolIcons::icon(const QString& symbol)
{
    const SymbolEntry* entry = find(symbol);
    if (!entry)
        return {};
    const QIcon bundled(bundledPath(symbol));
    // fromTheme() strips trailing name parts while looking ("radio-symbolic" -> "radio"),
    // which could land on an unrelated full-colour icon; accept exact names only.
    const QString name = QString::fromUtf16(entry->themeName);
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name, bundled) : bundled;
}

QString SymbolIcons::themeName(const QString& symbol)
{
    const SymbolEntry* entry = find(symbol);
    return entry ? QString::fromUtf16(entry->themeName) : QString();
}

QString SymbolIcons::bundledPath(const QString& symbol)
{
    const SymbolEntry* entry = find(symbol);
    return entry ? QStringLiteral(":/icons/") + QString::fromUtf16(entry->file) : QString();
}

QStringList SymbolIcons::symbols()
{
    QStringList names;
    for (const SymbolEntry& entry : entries)
        names.append(QString::fromUtf16(entry.symbol));
    return names;
}

QPixmap SymbolIcons::tinted(const QString& symbol, const QColor& color, int size, qreal dpr)
{
    const int device = qRound(size * dpr);
    QPixmap result(device, device);
    result.fill(Qt::transparent);
    const QPixmap shape = icon(symbol).pixmap(QSize(device, device));
    QPainter painter(&result);
    painter.drawPixmap(result.rect(), shape);
    // Keep the drawing's coverage, replace its colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), color);
    painter.end();
    result.setDevicePixelRatio(dpr);
    return result;
}

QIcon SymbolIcons::tintedIcon(const QString& symbol, const QColor& color)
{
    QIcon result;
    for (int size : {16, 20, 24, 32, 48, 64})
        result.addPixmap(tinted(symbol, color, size));
    return result;
}

} // namespace tarnwick
