#include "helper_options.h"

#include "removal_rule.h"

#include <QDir>

namespace tarnwick::helper {

std::optional<HelperOptions> HelperOptions::parse(const QStringList& arguments, QString* error)
{
    HelperOptions options{RemovalRule::defaultVolumesRoot()};
    const QStringList args = arguments.mid(1);
    for (qsizetype i = 0; i < args.size(); i += 2) {
        const QString& option = args.at(i);
        if (i + 1 >= args.size() || (option != u"--volumes-root" && option != u"--idle-exit")) {
            *error = QStringLiteral("usage: tarnwick-helper [--volumes-root DIR] [--idle-exit MS]");
            return std::nullopt;
        }
        const QString& value = args.at(i + 1);
        if (option == u"--idle-exit") {
            bool ok = false;
            const int ms = value.toInt(&ok);
            if (!ok || ms <= 0) {
                *error =
                    QStringLiteral("--idle-exit needs a positive number of milliseconds: ") + value;
                return std::nullopt;
            }
            options.idleExit = std::chrono::milliseconds(ms);
            continue;
        }
        // A relative, unclean or "/" root would let the one-level rule reach elsewhere.
        if (!QDir::isAbsolutePath(value) || QDir::cleanPath(value) != value || value == u"/" ||
            value.contains(QChar(u'\0'))) {
            *error = QStringLiteral("--volumes-root needs an absolute, clean path other than /: ") +
                     value;
            return std::nullopt;
        }
        options.volumesRoot = value;
    }
    return options;
}

} // namespace tarnwick::helper
