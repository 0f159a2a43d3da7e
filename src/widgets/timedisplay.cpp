// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timedisplay.h"

#include "timedisplayaccessible.h"

#include <KLocalizedString>

#include <QColor>
#include <QFont>

#include <algorithm>

namespace
{
constexpr int MsPerHour = 3600000;
constexpr int MsPerMinute = 60000;
}

TimeDisplay::TimeDisplay(QWidget *parent)
    : QWidget(parent)
{
    TimeDisplayAccessible::install();
    setupUi(this);

    m_hourDisplay->setDigits(DigitDisplay::TwoDigits);
    m_minDisplay->setDigits(DigitDisplay::TwoDigits);
    m_secDisplay->setDigits(DigitDisplay::TwoDigits);

    updateTime();
}

void TimeDisplay::setTimeFormat(const TimeFormat &format)
{
    m_defaultFormat = format;
    m_currentFormat = format;
    updateTimeFormat();
}

void TimeDisplay::setHoursFont(const QFont &font)
{
    m_hourDisplay->setFont(font);
    updateMinimumWidths();
}

void TimeDisplay::setMinutesFont(const QFont &font)
{
    m_minDisplay->setFont(font);
    updateMinimumWidths();
}

void TimeDisplay::setSecondsFont(const QFont &font)
{
    m_secDisplay->setFont(font);
    updateMinimumWidths();
}

void TimeDisplay::setFractionsFont(const QFont &font)
{
    m_fracDisplay->setFont(font);
    updateMinimumWidths();
}

void TimeDisplay::setBackgroundColor(const QColor &color)
{
    setGroupsColor(&QWidget::backgroundRole, color);
}

void TimeDisplay::setTextColor(const QColor &color)
{
    setGroupsColor(&QWidget::foregroundRole, color);
}

QString TimeDisplay::currentTime() const
{
    // A copy, so that reading the time never disturbs the dividers of the shown format.
    TimeFormat format = m_currentFormat;
    format.setDividers(true);
    return format.format(m_time);
}

int TimeDisplay::time() const
{
    return m_time;
}

TimeFormat TimeDisplay::timeFormat() const
{
    return m_currentFormat;
}

void TimeDisplay::setTime(int time)
{
    m_time = time;
    updateTime();
}

void TimeDisplay::reset()
{
    if (m_currentFormat == m_defaultFormat) {
        return;
    }
    setTimeFormat(m_defaultFormat);
}

void TimeDisplay::updateTimeFormat()
{
    m_hourGroup->setVisible(m_currentFormat.hasHours());
    m_minGroup->setVisible(m_currentFormat.hasMinutes());
    m_fracGroup->setVisible(m_currentFormat.hasFractions());
    m_secGroup->setVisible(true);

    if (m_currentFormat.hasFractions()) {
        switch (m_currentFormat.secondFractions()) {
        case TimeFormat::UpToTenths:
            m_fracGroup->setTitle(i18nc("@title:column", "Tenths"));
            break;
        case TimeFormat::UpToHundredths:
            m_fracGroup->setTitle(i18nc("@title:column", "Hundredths"));
            break;
        case TimeFormat::UpToMilliseconds:
            m_fracGroup->setTitle(i18nc("@title:column", "Milliseconds"));
            break;
        case TimeFormat::NoFractions:
            break;
        }
        m_fracDisplay->setDigits(static_cast<DigitDisplay::DigitCount>(m_currentFormat.secondFractions()));
    }

    updateTime();
}

void TimeDisplay::updateTime()
{
    if (m_currentFormat.hasHours()) {
        const auto hourDigits = totalHours() >= 100 ? DigitDisplay::ThreeDigits : DigitDisplay::TwoDigits;
        if (m_hourDisplay->digits() != hourDigits) {
            m_hourDisplay->setDigits(hourDigits);
        }
        m_hourDisplay->showDigits(m_currentFormat.formatHours(m_time));
    } else if (totalHours() > 0) {
        m_currentFormat.showHours();
        updateTimeFormat();
        return;
    }

    if (m_currentFormat.hasMinutes()) {
        m_minDisplay->showDigits(m_currentFormat.formatMinutes(m_time));
    } else if (m_time / MsPerMinute % 60 > 0) {
        m_currentFormat.showMinutes();
        updateTimeFormat();
        return;
    }

    m_secDisplay->showDigits(m_currentFormat.formatSeconds(m_time));

    if (m_currentFormat.hasFractions()) {
        m_fracDisplay->showDigits(m_currentFormat.formatSecondFractions(m_time));
    }
}

void TimeDisplay::updateMinimumWidths()
{
    const DigitDisplay *displays[] = {m_hourDisplay, m_minDisplay, m_secDisplay, m_fracDisplay};
    int width = 0;
    for (const DigitDisplay *display : displays) {
        width = std::max(width, display->minimumSizeHint().width());
    }
    // Room for the group box frame and title, so the groups keep one width as digits change.
    const int groupWidth = width + (width * 40) / 100;
    for (QGroupBox *group : {m_hourGroup, m_minGroup, m_secGroup, m_fracGroup}) {
        group->setMinimumWidth(groupWidth);
    }
}

void TimeDisplay::setGroupsColor(QPalette::ColorRole (QWidget::*role)() const, const QColor &color)
{
    for (QGroupBox *group : {m_hourGroup, m_minGroup, m_secGroup, m_fracGroup}) {
        QPalette palette = group->palette();
        palette.setBrush(QPalette::All, (group->*role)(), QBrush(color));
        group->setPalette(palette);
    }
    update();
}

int TimeDisplay::totalHours() const
{
    return m_time / MsPerHour;
}

#include "moc_timedisplay.cpp"
