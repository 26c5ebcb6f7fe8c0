#pragma once

#include "discovery/share_lister.h"
#include "mount/tool_run.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tarnwick {

// The rules every share-listing tool's output goes through, whatever the tool: when a run
// counts as a listing, and which lines of its table name disk shares. Pure; any thread.
class ShareTable {
public:
    // The text to parse when run counts as a listing, else nullopt. "disk" anywhere in
    // stdout + stderr (any case) makes both streams the text; otherwise stdout alone counts
    // when it is not empty, the status is 0 and it mentions neither "authentication error"
    // nor "connection refused".
    static std::optional<QString> listingText(const ToolResult& run);

    // The disk shares of a table, in line order: a line holding a name, two or more blanks
    // and "Disk" or "disk". Names are trimmed; names ending in "$" (administrative and
    // hidden shares) are left out. Duplicates stay.
    static QStringList diskShares(const QString& text);

    // names in plain code-point order (case-sensitive: "Beta" < "Zeta" < "alpha").
    static QStringList sorted(QStringList names);

    // Why a run that gave no listing failed: the server turned the login down, or could not
    // be reached (refused, unreachable, unresolved, timed out); None when the run does not say.
    static ShareListing::Failure failureOf(const ToolResult& run);

    // Runs the attempts in order until one gives a listing; that listing's disk shares,
    // sorted; empty when none does, with the failure of the attempts (unreachable first).
    static ShareListing firstListing(const QList<std::function<ToolResult()>>& attempts);
};

} // namespace tarnwick
