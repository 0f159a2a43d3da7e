// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timedisplayaccessible.h"

#include "spokentime.h"
#include "timedisplay.h"

#include <KLocalizedString>

using namespace Qt::Literals::StringLiterals;

namespace
{
QAccessibleInterface *createInterface(const QString &className, QObject *object)
{
    if (className == "TimeDisplay"_L1) {
        if (auto display = qobject_cast<TimeDisplay *>(object)) {
            return new TimeDisplayAccessible(display);
        }
    }
    return nullptr;
}
}

TimeDisplayAccessible::TimeDisplayAccessible(TimeDisplay *display)
    : QAccessibleWidget(display, QAccessible::StaticText)
{
}

QString TimeDisplayAccessible::text(QAccessible::Text type) const
{
    auto display = static_cast<const TimeDisplay *>(widget());
    switch (type) {
    case QAccessible::Name:
        return SpokenTime::fromMilliseconds(display->time(), display->timeFormat().secondFractions());
    case QAccessible::Description:
        // The window says so when the digits show something other than the elapsed time.
        if (!display->accessibleDescription().isEmpty()) {
            return display->accessibleDescription();
        }
        return i18nc("@info:accessible", "Elapsed time of the stopwatch");
    default:
        return QAccessibleWidget::text(type);
    }
}

void TimeDisplayAccessible::install()
{
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(createInterface);
        installed = true;
    }
}

void TimeDisplayAccessible::announce(TimeDisplay *display)
{
    QAccessibleEvent event(display, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}
