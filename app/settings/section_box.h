#pragma once

#include <QWidget>

class QBoxLayout;
class QFrame;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace tarnwick {

// A titled group of rows: a header row, a framed box for the content and an optional
// caption-sized footer. Main thread.
class SectionBox : public QWidget {
    Q_OBJECT

public:
    explicit SectionBox(const QString& title, QWidget* parent = nullptr);

    // The header row, holding the title label first; callers may append widgets.
    QHBoxLayout* headerLayout() const { return m_header; }
    // The framed box's layout for the section's rows.
    QVBoxLayout* contentLayout() const { return m_content; }
    // Shows text below the box in the caption font and secondary colour.
    void setFooter(const QString& text);

private:
    QHBoxLayout* m_header;
    QVBoxLayout* m_content;
    QVBoxLayout* m_outer;
    QLabel* m_footer = nullptr;
};

} // namespace tarnwick
