// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timedisplayaccessible.h"
#include "timedisplay.h"

#include <QAccessible>
#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
int announcements = 0;
void countAnnouncements(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::NameChanged) {
        ++announcements;
    }
}
}

class TimeDisplayAccessibleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void speaksTheTimeWhenAsked();
    void ticksAreNotAnnounced();
};

void TimeDisplayAccessibleTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TimeDisplayAccessibleTest::speaksTheTimeWhenAsked()
{
    TimeDisplay display;
    display.setTimeFormat(TimeFormat(true, true, TimeFormat::UpToHundredths));
    display.setTime(3'723'456);

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&display);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), u"1 hour 2 minutes 3.45 seconds"_s);
    // Asked again, it tells the time shown now.
    display.setTime(1'000);
    QCOMPARE(accessible->text(QAccessible::Name), u"1.00 seconds"_s);
}

void TimeDisplayAccessibleTest::ticksAreNotAnnounced()
{
    TimeDisplay display;
    QAccessible::setActive(true);
    QAccessible::installUpdateHandler(countAnnouncements);
    for (int time = 0; time < 2000; time += 10) {
        display.setTime(time);
    }
    QCOMPARE(announcements, 0);

    TimeDisplayAccessible::announce(&display);
    QCOMPARE(announcements, 1);
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::setActive(false);
}

QTEST_MAIN(TimeDisplayAccessibleTest)

#include "timedisplayaccessibletest.moc"
