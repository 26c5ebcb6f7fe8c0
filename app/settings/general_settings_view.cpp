#include "settings/general_settings_view.h"

#include "model/app_settings.h"
#include "model/settings_file_watcher.h"
#include "settings/interval_text.h"
#include "settings/login_item.h"
#include "settings/scroll_page.h"
#include "settings/section_box.h"
#include "style/style.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSlider>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

namespace tarnwick {

namespace {

// A row of a label, flexible space and a value at the trailing edge. The label names buddy
// for screen readers (and gives it the focus on its mnemonic).
QHBoxLayout* valueRow(const QString& label, QWidget* value, QWidget* buddy = nullptr)
{
    auto* row = new QHBoxLayout;
    auto* text = new QLabel(label);
    if (buddy) {
        text->setBuddy(buddy);
        buddy->setAccessibleName(label);
    }
    row->addWidget(text);
    row->addStretch(1);
    row->addWidget(value);
    return row;
}

} // namespace

GeneralSettingsView::GeneralSettingsView(QSettings& settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_watcher(new SettingsFileWatcher(settings, this))
{
    QVBoxLayout* layout = ScrollPage::install(this, QMargins(20, 16, 20, 16));
    QWidget* form = layout->parentWidget();

    // Start-up: the autostart entry, read now and written only when the user toggles.
    auto* startup = new SectionBox(qtTrId("general.section.startup"), form);
    m_launchAtLogin = new QCheckBox(qtTrId("general.launch_at_login"), startup);
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLogin"));
    m_launchAtLogin->setChecked(LoginItem::isEnabled());
    connect(m_launchAtLogin, &QCheckBox::toggled, this, &LoginItem::setLaunchAtLogin);
    startup->contentLayout()->addWidget(m_launchAtLogin);
    layout->addWidget(startup);

    // Automatic mounting: the interval in steps of 30 seconds.
    auto* automount = new SectionBox(qtTrId("general.section.automount"), form);
    m_intervalValue = Style::secondaryLabel(QString(), false, automount);
    m_intervalValue->setObjectName(QStringLiteral("intervalValue"));
    m_interval = new QSlider(Qt::Horizontal, automount);
    m_interval->setObjectName(QStringLiteral("interval"));
    // Positions count steps, so every value the slider can set is a multiple of the step.
    m_interval->setRange(minimumInterval / intervalStep, maximumInterval / intervalStep);
    m_interval->setSingleStep(1);
    m_interval->setPageStep(1);
    m_interval->setTickPosition(QSlider::TicksBelow);
    m_interval->setTickInterval(1);
    m_interval->setToolTip(qtTrId("general.interval_help"));
    auto* intervalStack = new QVBoxLayout;
    intervalStack->setSpacing(6);
    intervalStack->addLayout(
        valueRow(qtTrId("general.interval_label"), m_intervalValue, m_interval));
    intervalStack->addWidget(m_interval);
    automount->contentLayout()->addLayout(intervalStack);
    automount->setFooter(qtTrId("general.automount_footer"));
    layout->addWidget(automount);

    // Behaviour.
    auto* behavior = new SectionBox(qtTrId("general.section.behavior"), form);
    m_keepMounted = new QCheckBox(qtTrId("general.keep_mounted_on_quit"), behavior);
    m_keepMounted->setObjectName(QStringLiteral("keepMountedOnQuit"));
    behavior->contentLayout()->addWidget(m_keepMounted);
    m_notifications = new QCheckBox(qtTrId("general.notifications"), behavior);
    m_notifications->setObjectName(AppSettings::notificationsKey);
    behavior->contentLayout()->addWidget(m_notifications);
    // The folder of the links; left empty, no links are made.
    m_sharesFolder = new QLineEdit(behavior);
    m_sharesFolder->setObjectName(AppSettings::sharesFolderKey);
    m_sharesFolder->setPlaceholderText(qtTrId("general.shares_folder_off"));
    m_sharesFolder->setToolTip(qtTrId("general.shares_folder_help"));
    behavior->contentLayout()->addLayout(
        valueRow(qtTrId("general.shares_folder"), m_sharesFolder, m_sharesFolder));
    behavior->setFooter(qtTrId("general.keep_mounted_on_quit_footer"));
    layout->addWidget(behavior);

    // About.
    auto* about = new SectionBox(qtTrId("general.section.about"), form);
    const QString version = QCoreApplication::applicationVersion();
    auto* versionLabel =
        Style::secondaryLabel(version.isEmpty() ? QString(QChar(0x2013)) : version, false);
    versionLabel->setObjectName(QStringLiteral("version"));
    versionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    about->contentLayout()->addLayout(valueRow(qtTrId("general.version"), versionLabel));
    const QUrl website(websiteUrl);
    auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                                .arg(website.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                                     website.host().toHtmlEscaped()));
    link->setObjectName(QStringLiteral("website"));
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    about->contentLayout()->addLayout(valueRow(qtTrId("general.website"), link));
    layout->addWidget(about);
    layout->addStretch(1);

    showStoredValues();
    connect(m_interval, &QSlider::valueChanged, this, &GeneralSettingsView::intervalMoved);
    connect(m_keepMounted, &QCheckBox::toggled, this, [this](bool keep) {
        if (!m_showing)
            m_settings.setValue(AppSettings::keepMountedOnQuitKey, keep);
    });
    connect(m_notifications, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_showing)
            m_settings.setValue(AppSettings::notificationsKey, on);
    });
    connect(m_sharesFolder, &QLineEdit::editingFinished, this, [this] {
        if (!m_showing)
            m_settings.setValue(AppSettings::sharesFolderKey, m_sharesFolder->text().trimmed());
    });
    connect(m_watcher, &SettingsFileWatcher::changed, this, &GeneralSettingsView::showStoredValues);
}

std::optional<double> GeneralSettingsView::storedInterval() const
{
    const QVariant value = m_settings.value(AppSettings::mountIntervalKey);
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return seconds;
}

void GeneralSettingsView::showStoredValues()
{
    // Showing a stored value must not write it back (nothing is stored until the user acts).
    m_showing = true;
    const double seconds = storedInterval().value_or(defaultInterval);
    m_intervalValue->setText(IntervalText::format(qtTrId("general.interval_value"), seconds));
    // The knob sits at the nearest step; a value from elsewhere (45.9) stays as stored.
    const double steps = std::isfinite(seconds) ? std::round(seconds / intervalStep)
                                                : defaultInterval / intervalStep;
    m_interval->setValue(
        int(std::clamp(steps, double(m_interval->minimum()), double(m_interval->maximum()))));
    m_keepMounted->setChecked(AppSettings::keepMountedOnQuit(m_settings));
    m_notifications->setChecked(AppSettings::notifications(m_settings));
    m_sharesFolder->setText(
        m_settings.value(AppSettings::sharesFolderKey, QStringLiteral("~/Shares")).toString());
    m_showing = false;
}

void GeneralSettingsView::intervalMoved(int position)
{
    if (m_showing)
        return;
    const double seconds = double(position) * intervalStep;
    m_settings.setValue(AppSettings::mountIntervalKey, seconds);
    m_intervalValue->setText(IntervalText::format(qtTrId("general.interval_value"), seconds));
}

} // namespace tarnwick
