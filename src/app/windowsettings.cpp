// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowsettings.h"

#include "colorsettings.h"
#include "displayfeed.h"
#include "fontsettings.h"
#include "generalsettings.h"
#include "lapmodel.h"
#include "lappane.h"
#include "stopwatch.h"
#include "stopwatchactions.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"
#include "timeformat.h"
#include "trayhost.h"

#include <KConfigDialog>
#include <KLocalizedString>

#include <QGuiApplication>
#include <QHash>
#include <QIcon>

using namespace Qt::Literals::StringLiterals;

namespace
{
// A hand-edited settings file can hold any number for a precision; the program knows four.
// Every window applies the settings, and applies them again after each change, so a bad
// value is reported once when it turns up rather than on every application.
TimeFormat::SecondFraction knownPrecision(const QString &key, TimeFormat::SecondFraction precision)
{
    static QHash<QString, int> reported;
    switch (precision) {
    case TimeFormat::UpToTenths:
    case TimeFormat::UpToHundredths:
    case TimeFormat::UpToMilliseconds:
    case TimeFormat::NoFractions:
        reported.remove(key);
        return precision;
    }
    const auto known = reported.constFind(key);
    if (known == reported.cend() || *known != int(precision)) {
        reported.insert(key, int(precision));
        qWarning() << "Unknown second fraction precision" << int(precision) << "in the settings; showing hundredths instead.";
    }
    return TimeFormat::UpToHundredths;
}

}

WindowSettings::WindowSettings(Stopwatch *stopwatch, TimeDisplay *display, LapModel *laps, LapPane *lapPane, StopwatchActions *actions, QObject *parent)
    : QObject(parent)
    , m_stopwatch(stopwatch)
    , m_display(display)
    , m_laps(laps)
    , m_lapPane(lapPane)
    , m_actions(actions)
{
}

void WindowSettings::setDisplayFeed(DisplayFeed *feed)
{
    m_feed = feed;
}

void WindowSettings::apply()
{
    const auto fractionsType = knownPrecision(u"fractionsType"_s, TickwardenConfig::fractionsType());
    const auto displayPrecision = TickwardenConfig::showSecondFractions() ? fractionsType : TimeFormat::NoFractions;
    const auto lapPrecision =
        TickwardenConfig::showLapSecondFractions() ? knownPrecision(u"lapFractionsType"_s, TickwardenConfig::lapFractionsType()) : TimeFormat::NoFractions;
    TimeFormat displayFormat(TickwardenConfig::showHours(), TickwardenConfig::showMinutes(), displayPrecision);
    const TimeFormat lapFormat(TickwardenConfig::showLapHours(), TickwardenConfig::showLapMinutes(), lapPrecision);

    const bool lapsRecording = TickwardenConfig::isLapsRecordingEnabled();
    m_actions->setLapsRecording(lapsRecording);
    m_lapPane->setLapsShown(lapsRecording);
    m_lapPane->setSummaryExpanded(TickwardenConfig::lapSummaryExpanded());
    m_lapPane->setFastestSlowestMarked(TickwardenConfig::markFastestSlowestLaps());
    m_lapPane->setMeanDifferenceShown(TickwardenConfig::showLapMeanDifference());
    m_lapPane->setColumnsShown(TickwardenConfig::showLapAbsoluteTimes(), TickwardenConfig::showLapNotes());
    m_lapPane->setRunningLapShown(TickwardenConfig::showRunningLap());

    m_laps->setTimeFormat(lapFormat);

    // The digit groups are separate boxes; dividers would only crowd them.
    displayFormat.setDividers(false);
    m_display->setTimeFormat(displayFormat);

    m_display->setHoursFont(TickwardenConfig::hourFont());
    m_display->setMinutesFont(TickwardenConfig::minFont());
    m_display->setSecondsFont(TickwardenConfig::secFont());
    m_display->setFractionsFont(TickwardenConfig::fracFont());

    m_display->setBackgroundColor(TickwardenConfig::backgroundColor());
    m_display->setTextColor(TickwardenConfig::textColor());

    if (m_feed) {
        m_feed->setTimeFormat(displayFormat);
        m_feed->setDigitsShow(TickwardenConfig::digitsTime() == TickwardenConfig::EnumDigitsTime::CurrentLap ? DisplayFeed::DigitsShow::CurrentLap
                                                                                                             : DisplayFeed::DigitsShow::Total);
        m_feed->setColors(TickwardenConfig::backgroundColor(), TickwardenConfig::textColor());
    }

    // As often as the last shown digit can change; the pacer keeps it to the screen's rate.
    m_stopwatch->setGranularity(TimeFormat::lastDigitStep(displayPrecision));
}

void WindowSettings::showDialog(QWidget *window, const std::function<void()> &changed)
{
    // One dialog serves every window; whichever window opened it hears of the changes and
    // passes them on to all.
    if (KConfigDialog::showDialog(u"settings"_s)) {
        return;
    }
    auto dialog = new KConfigDialog(window, u"settings"_s, TickwardenConfig::self());
    dialog->setModal(true);

    const auto addPage = [dialog](QWidget *page, const QString &name, const QIcon &icon) {
        KPageWidgetItem *item = dialog->addPage(page, name);
        item->setIcon(icon);
    };
    auto general = new GeneralSettings(window);
    general->setTrayAvailable(TrayHost::self()->isAvailable());
    QObject::connect(TrayHost::self(), &TrayHost::availableChanged, general, &GeneralSettings::setTrayAvailable);
    addPage(general, i18nc("@title:tab", "General Settings"), QGuiApplication::windowIcon());
    addPage(new FontSettings(window), i18nc("@title:tab", "Font Settings"), QIcon::fromTheme(u"preferences-desktop-font"_s));
    addPage(new ColorSettings(window), i18nc("@title:tab", "Color Settings"), QIcon::fromTheme(u"fill-color"_s));

    QObject::connect(dialog, &KConfigDialog::settingsChanged, window, changed);
    dialog->show();
}

#include "moc_windowsettings.cpp"
