// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "displayfeed.h"

#include "runninglap.h"
#include "secondarytime.h"
#include "timedisplay.h"

#include <KLocalizedString>

#include <algorithm>

namespace
{
constexpr qint64 MsPerHour = 3600000;
constexpr qint64 MsPerMinute = 60000;
// A character of the private use area, which no translation holds.
constexpr QChar TimeStandIn(0xE000);

}

DisplayFeed::DisplayFeed(RunningLap *runningLap, TimeDisplay *display, SecondaryTime *line, QObject *parent)
    : QObject(parent)
    , m_runningLap(runningLap)
    , m_display(display)
    , m_line(line)
{
    if (runningLap) {
        // A lap taken, undone or moved: the lap's time jumps without a tick.
        connect(runningLap, &RunningLap::changed, this, [this] {
            refresh(true);
            announce();
        });
    }
    if (m_line) {
        m_line->setAccessibleName(i18nc("@info accessible name", "Time of the current lap"));
    }
    refresh(true);
}

void DisplayFeed::setDigitsShow(DigitsShow shown)
{
    if (shown == m_digitsShow) {
        return;
    }
    m_digitsShow = shown;
    if (m_display) {
        // The fields the other time had switched on by itself are not this one's.
        m_display->reset();
        m_display->setAccessibleDescription(shown == DigitsShow::CurrentLap ? i18nc("@info:accessible", "Time of the current lap") : QString());
    }
    if (m_line) {
        m_line->setAccessibleName(shown == DigitsShow::CurrentLap ? i18nc("@info accessible name", "Total time")
                                                                  : i18nc("@info accessible name", "Time of the current lap"));
    }
    refresh(true);
    announce();
}

DisplayFeed::DigitsShow DisplayFeed::digitsShow() const
{
    return m_digitsShow;
}

void DisplayFeed::setColors(const QColor &background, const QColor &text)
{
    if (m_line) {
        m_line->setColors(background, text);
    }
}

void DisplayFeed::setTimeFormat(const TimeFormat &format)
{
    m_format = format;
    const bool finer = format.secondFractions() == TimeFormat::UpToHundredths || format.secondFractions() == TimeFormat::UpToMilliseconds;
    m_lineFormat = TimeFormat(format.hasHours(), format.hasMinutes(), finer ? TimeFormat::UpToTenths : format.secondFractions());
    m_step = TimeFormat::lastDigitStep(m_lineFormat.secondFractions());
    refresh(true);
}

QString DisplayFeed::totalText() const
{
    if (m_digitsShow == DigitsShow::Total && m_display) {
        return m_display->currentTime();
    }
    return formatTime(m_format, m_total);
}

int DisplayFeed::total() const
{
    return m_total;
}

QString DisplayFeed::formatTime(const TimeFormat &format, qint64 milliseconds)
{
    TimeFormat shown = format;
    shown.setDividers(true);
    milliseconds = std::max<qint64>(0, milliseconds);
    const qint64 hours = milliseconds / MsPerHour;
    if (hours > 0) {
        shown.showHours();
        shown.showMinutes();
    } else if (milliseconds >= MsPerMinute) {
        shown.showMinutes();
    }
    return shown.format(milliseconds);
}

void DisplayFeed::setTime(int total)
{
    m_total = total;
    refresh(false);
}

void DisplayFeed::announce()
{
    if (m_line) {
        m_line->announce();
    }
}

bool DisplayFeed::lineShowsLap() const
{
    return m_digitsShow == DigitsShow::Total;
}

void DisplayFeed::refresh(bool force)
{
    const bool active = m_runningLap && m_runningLap->isActive();
    const int lapTime = m_runningLap ? m_runningLap->elapsed(m_total) : m_total;
    if (m_display) {
        m_display->setTime(m_digitsShow == DigitsShow::Total ? m_total : lapTime);
    }
    if (!m_line) {
        return;
    }
    // Before the first lap the current lap is the total, which the digits show already.
    if (!active || (lineShowsLap() && m_runningLap->number() == 1)) {
        m_lineStep = -1;
        m_line->setText(QString());
        return;
    }
    const int lineTime = lineShowsLap() ? lapTime : m_total;
    const int number = m_runningLap->number();
    const qint64 step = lineTime / m_step;
    if (!force && step == m_lineStep && number == m_lineNumber) {
        return;
    }
    // Translated once per lap and choice, with a stand-in for the time: translating at every
    // tick would cost more than the rest of it.
    if (force || number != m_lineNumber || m_lineTemplate.isEmpty()) {
        const QString standIn(TimeStandIn);
        m_lineTemplate = lineShowsLap() ? i18nc("@info below the digits: %1 lap number, %2 its time so far", "Lap %1  %2", number, standIn)
                                        : i18nc("@info below the digits: %1 the total time", "Total %1", standIn);
    }
    m_lineStep = step;
    m_lineNumber = number;
    QString text = m_lineTemplate;
    m_line->setText(text.replace(TimeStandIn, formatTime(m_lineFormat, lineTime)));
}

#include "moc_displayfeed.cpp"
