#pragma once

#include <QMargins>

class QVBoxLayout;
class QWidget;

namespace tarnwick {

// The settings pages' common frame: a borderless scroll area filling owner, with a content
// widget whose vertical layout the page fills. Main thread.
class ScrollPage {
public:
    // Installs the frame in owner (which must have no layout yet) and returns the content
    // layout, spaced 16 and with margins around the content.
    static QVBoxLayout* install(QWidget* owner, const QMargins& margins);
};

} // namespace tarnwick
