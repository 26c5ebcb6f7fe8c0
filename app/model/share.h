#pragma once

#include <QMetaType>
#include <QString>
#include <QUuid>

namespace tarnwick {

// One share of a server, kept mounted by the engine. Plain value; any thread.
struct Share {
    QUuid id;
    QString name;
    QString username; // stored and compared, never used for mounting

    // A new share with a fresh id and an empty user name.
    static Share create(const QString& name);

    // Equal when id, name and username are; strings by canonical equivalence.
    friend bool operator==(const Share& a, const Share& b);
};

// Hash over id, name, username (NFC-normalised), consistent with operator==.
size_t qHash(const Share& share, size_t seed = 0) noexcept;

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::Share)
