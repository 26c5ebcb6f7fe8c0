#pragma once

#include <QString>

namespace tarnwick {

// String rules shared by the records and the mount table. Pure; any thread.
class UnicodeText {
public:
    // The NFC form, so canonically equivalent strings become identical.
    static QString canonical(const QString& text);
    // True when a and b are canonically equivalent (e.g. "é" precomposed vs. e + U+0301).
    static bool equivalent(const QString& a, const QString& b);
    // True for tabs and every Unicode space separator (not line breaks).
    static bool isBlank(QChar c);
    // text without leading and trailing blanks (see isBlank).
    static QString trimBlanks(const QString& text);
    // Splits at LF, VT, FF, CR, NEL, U+2028 and U+2029; empty pieces are kept.
    static QStringList splitLines(const QString& text);
};

} // namespace tarnwick
