#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace tarnwick {

// The interface texts: ID-based tables embedded under ":/i18n", English as the base and
// the locale's language on top. Main thread, before any text is looked up.
class Translations {
public:
    // Installs English and, when a table exists for locale, that language. Returns the
    // language code of the table that now wins ("en" when only the base was found, empty
    // when not even that loaded).
    static QString install(QCoreApplication& app, const QLocale& locale = QLocale());
    // Removes what install() put in place (tests switch languages).
    static void uninstall(QCoreApplication& app);
};

} // namespace tarnwick
