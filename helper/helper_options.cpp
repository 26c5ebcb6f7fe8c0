#include "helper_options.h"

#include "removal_rule.h"

#include <QDir>

namespace tarnwick::helper {

std::optional<HelperOptions> HelperOptions::parse(const QStringList& arguments, QString* error)
{
    HelperOptions options{RemovalRule::defaultVolumesRoot()};
    const QStringList args = arguments.mid(1);
    if (args.isEmpty())
        return options;
    if (args.size() != 2 || args.at(0) != u"--volumes-root") {
        *error = QStringLiteral("usage: tarnwick-helper [--volumes-root DIR]");
        return std::nullopt;
    }
    const QString& root = args.at(1);
    // A relative, unclean or "/" root would let the one-level rule reach elsewhere.
    if (!QDir::isAbsolutePath(root) || QDir::cleanPath(root) != root || root == u"/" ||
        root.contains(QChar(u'\0'))) {
        *error =
            QStringLiteral("--volumes-root needs an absolute, clean path other than /: ") + root;
        return std::nullopt;
    }
    options.volumesRoot = root;
    return options;
}

} // namespace tarnwick::helper
