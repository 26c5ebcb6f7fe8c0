#pragma once

#include <QString>
#include <QStringView>

namespace tarnwick::helper {

// Which paths the helper hands to rmdir: the volumes root, "/", and one non-empty name
// that holds no "/" — and no ".." anywhere in the path. For the root "/Volumes" this is:
// begins with "/Volumes/", no "..", and splits at "/" into exactly three pieces. The empty
// name ("/Volumes/") is refused too, or the root itself could be removed when empty.
// Pure and stateless; safe from any thread.
class RemovalRule {
public:
    // volumesRoot: absolute, clean, without a trailing "/" (see HelperOptions).
    explicit RemovalRule(QString volumesRoot = defaultVolumesRoot());

    bool accepts(QStringView path) const;
    QString volumesRoot() const { return m_root; }

    static QString defaultVolumesRoot() { return QStringLiteral("/Volumes"); }

private:
    QString m_root;
    QString m_prefix; // m_root + "/"
};

} // namespace tarnwick::helper
