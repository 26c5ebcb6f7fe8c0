#include "shell/translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace tarnwick {

namespace {

QTranslator* g_base = nullptr;
QTranslator* g_local = nullptr;

const QString directory = QStringLiteral(":/i18n");
const QString prefix = QStringLiteral("tarnwick");

} // namespace

QString Translations::install(QCoreApplication& app, const QLocale& locale)
{
    uninstall(app);
    QString winner;
    // English is installed first so that a language without a table, or a key a table
    // lacks, still shows English rather than the raw key.
    auto* base = new QTranslator(&app);
    if (base->load(prefix + QStringLiteral("_en"), directory)) {
        QCoreApplication::installTranslator(base);
        g_base = base;
        winner = QStringLiteral("en");
    } else {
        delete base;
    }
    auto* local = new QTranslator(&app);
    if (locale.language() != QLocale::English &&
        local->load(locale, prefix, QStringLiteral("_"), directory)) {
        QCoreApplication::installTranslator(local);
        g_local = local;
        winner = local->language().section(u'_', 0, 0);
    } else {
        delete local;
    }
    return winner;
}

void Translations::uninstall(QCoreApplication& app)
{
    Q_UNUSED(app);
    for (QTranslator** slot : {&g_local, &g_base}) {
        if (*slot) {
            QCoreApplication::removeTranslator(*slot);
            delete *slot;
            *slot = nullptr;
        }
    }
}

} // namespace tarnwick
