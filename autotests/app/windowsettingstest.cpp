// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowsettings.h"

#include "lapmodel.h"
#include "lappane.h"
#include "stopwatch.h"
#include "stopwatchactions.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"

#include <KActionCollection>
#include <KLocalizedString>

#include <QAction>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
// The parts of one window that the settings reach, without the window around them.
struct Parts {
    QWidget window;
    Stopwatch stopwatch;
    LapModel laps;
    KActionCollection collection{static_cast<QObject *>(nullptr)};
    TimeDisplay *display = new TimeDisplay(&window);
    LapPane *lapPane = new LapPane(&laps, &window);
    StopwatchActions actions{&stopwatch,
                             &laps,
                             [] {
                                 return false;
                             },
                             &collection,
                             nullptr};
    WindowSettings settings{&stopwatch, display, &laps, lapPane, &actions, nullptr};

    QString lapText()
    {
        return laps.index(0, LapModel::RelativeTimeRole - int(Qt::UserRole)).data().toString();
    }
};
}

class WindowSettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void changedSettingsReachTheParts_data();
    void changedSettingsReachTheParts();
    void unknownPrecisionReportedOncePerKey();
};

void WindowSettingsTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void WindowSettingsTest::init()
{
    TickwardenConfig::self()->setDefaults();
}

void WindowSettingsTest::changedSettingsReachTheParts_data()
{
    QTest::addColumn<bool>("lapsRecording");
    QTest::addColumn<bool>("lapFractions");
    QTest::addColumn<TimeFormat::SecondFraction>("fractions");
    QTest::addColumn<int>("granularity");
    QTest::addColumn<QString>("lapText");

    QTest::newRow("tenths, laps without fractions") << true << false << TimeFormat::UpToTenths << 100 << u"02:03"_s;
    QTest::newRow("milliseconds, no laps") << false << true << TimeFormat::UpToMilliseconds << 1 << u"02:03.45"_s;
    QTest::newRow("no fractions shown") << true << true << TimeFormat::NoFractions << 1000 << u"02:03.45"_s;
}

void WindowSettingsTest::changedSettingsReachTheParts()
{
    QFETCH(bool, lapsRecording);
    QFETCH(bool, lapFractions);
    QFETCH(TimeFormat::SecondFraction, fractions);
    QFETCH(int, granularity);
    QFETCH(QString, lapText);

    Parts parts;
    parts.laps.addLap(123'456);
    parts.settings.apply();
    const QString defaultLap = parts.lapText();
    QCOMPARE(parts.stopwatch.granularity(), 10);
    QVERIFY(parts.actions.lap()->isVisible());

    // The same parts take the changed settings when they are applied again.
    TickwardenConfig::setIsLapsRecordingEnabled(lapsRecording);
    TickwardenConfig::setShowLapSecondFractions(lapFractions);
    TickwardenConfig::setFractionsType(fractions);
    parts.settings.apply();
    QCOMPARE(parts.stopwatch.granularity(), granularity);
    QCOMPARE(parts.lapText(), lapText);
    QCOMPARE(parts.lapText() == defaultLap, lapFractions);
    QCOMPARE(parts.actions.lap()->isVisible(), lapsRecording);
    QCOMPARE(parts.actions.exportLaps()->isVisible(), lapsRecording);
    QCOMPARE(parts.lapPane->areLapsShown(), lapsRecording);
}

void WindowSettingsTest::unknownPrecisionReportedOncePerKey()
{
    const auto unknown = [](int value) {
        return u"Unknown second fraction precision %1 in the settings; showing hundredths instead."_s.arg(value);
    };
    QTest::failOnWarning(QRegularExpression(u"^Unknown second fraction precision"_s));

    Parts first;
    Parts second;
    TickwardenConfig::setFractionsType(static_cast<TimeFormat::SecondFraction>(7));
    TickwardenConfig::setLapFractionsType(static_cast<TimeFormat::SecondFraction>(7));
    // The same number under both keys is two reports; every further window stays quiet.
    QTest::ignoreMessage(QtWarningMsg, qPrintable(unknown(7)));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(unknown(7)));
    first.settings.apply();
    second.settings.apply();
    first.settings.apply();
    QCOMPARE(second.stopwatch.granularity(), 10);

    // Mended and broken again, it is news again.
    TickwardenConfig::setFractionsType(TimeFormat::UpToTenths);
    first.settings.apply();
    QCOMPARE(first.stopwatch.granularity(), 100);
    TickwardenConfig::setFractionsType(static_cast<TimeFormat::SecondFraction>(7));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(unknown(7)));
    second.settings.apply();
}

QTEST_MAIN(WindowSettingsTest)

#include "windowsettingstest.moc"
