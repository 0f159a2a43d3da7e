// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapanalysismodel.h"
#include "lapchart.h"
#include "lapmodel.h"
#include "lapsummary.h"

#include <QAccessible>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace
{
struct Laps {
    Laps()
    {
        analysis.setSourceModel(&model);
    }
    void take(const QList<int> &durations)
    {
        for (int duration : durations) {
            elapsed += duration;
            model.addLap(elapsed);
        }
    }
    int elapsed = 0;
    LapModel model;
    LapAnalysisModel analysis;
};

class PaintCounter : public QObject
{
public:
    using QObject::QObject;
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};
}

class LapWidgetsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void summaryShowsTheFigures_data();
    void summaryShowsTheFigures();
    void summaryFoldsAndIsReadableByKeyboard();
    void chartKeepsTheNewestLapsInView();
    void hiddenChartDoesNotPaint();
};

void LapWidgetsTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void LapWidgetsTest::summaryShowsTheFigures_data()
{
    QTest::addColumn<QList<int>>("durations");
    QTest::addColumn<QStringList>("figures");

    // Laps, fastest, slowest, last lap to mean, mean, median, standard deviation.
    QTest::newRow("no laps") << QList<int>{} << QStringList{u"0"_s, u"–"_s, u"–"_s, u"–"_s, u"–"_s, u"–"_s, u"–"_s};
    QTest::newRow("one lap") << QList<int>{1500}
                             << QStringList{u"1"_s, u"00:01.50"_s, u"00:01.50"_s, u"00:00.00"_s, u"00:01.50"_s, u"00:01.50"_s, u"00:00.00"_s};
    QTest::newRow("three laps") << QList<int>{1000, 2000, 1200}
                                << QStringList{u"3"_s, u"00:01.00"_s, u"00:02.00"_s, u"-00:00.20"_s, u"00:01.40"_s, u"00:01.20"_s, u"00:00.43"_s};
    QTest::newRow("last lap slower") << QList<int>{1000, 3000}
                                     << QStringList{u"2"_s, u"00:01.00"_s, u"00:03.00"_s, u"+00:01.00"_s, u"00:02.00"_s, u"00:02.00"_s, u"00:01.00"_s};
}

void LapWidgetsTest::summaryShowsTheFigures()
{
    QFETCH(QList<int>, durations);

    Laps laps;
    LapSummary summary(&laps.analysis);
    laps.take(durations);

    QStringList shown;
    for (const auto &name : {u"lapCount"_s, u"fastestLap"_s, u"slowestLap"_s, u"lastLapToMean"_s, u"meanLap"_s, u"medianLap"_s, u"lapDeviation"_s}) {
        shown << summary.findChild<QLabel *>(name)->text();
    }
    QTEST(shown, "figures");

    // A reset empties it again.
    laps.model.clear();
    QCOMPARE(summary.findChild<QLabel *>(u"lapCount"_s)->text(), u"0"_s);
}

void LapWidgetsTest::summaryFoldsAndIsReadableByKeyboard()
{
    Laps laps;
    LapSummary summary(&laps.analysis);
    summary.show();
    QVERIFY(QTest::qWaitForWindowExposed(&summary));
    QSignalSpy expanded(&summary, &LapSummary::expandedChanged);

    auto fastest = summary.findChild<QLabel *>(u"fastestLap"_s);
    QVERIFY(fastest->focusPolicy() & Qt::TabFocus);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(fastest);
    QCOMPARE(accessible->text(QAccessible::Name), u"Fastest"_s);

    auto toggle = summary.findChild<QToolButton *>(u"lapSummaryToggle"_s);
    toggle->setFocus();
    QTest::keyClick(toggle, Qt::Key_Space);
    QVERIFY(!summary.isExpanded());
    QVERIFY(!fastest->isVisible());
    QCOMPARE(expanded.size(), 1);
    QCOMPARE(expanded.at(0).at(0).toBool(), false);

    summary.setExpanded(true);
    QVERIFY(fastest->isVisible());
    QCOMPARE(expanded.size(), 2);
}

void LapWidgetsTest::chartKeepsTheNewestLapsInView()
{
    Laps laps;
    LapChart chart(&laps.analysis);
    chart.resize(300, 150);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));

    QList<int> durations;
    for (int i = 0; i < 1000; ++i) {
        durations << 400 + (i * 37) % 300;
    }
    laps.take(durations);
    QCOMPARE(chart.endOfVisibleLaps(), 1000);
    QVERIFY(chart.firstVisibleLap() > 900);

    // Scrolled back by the user, the view stays where it is while laps come in.
    chart.horizontalScrollBar()->setValue(0);
    laps.take({500});
    QCOMPARE(chart.firstVisibleLap(), 0);
    QVERIFY(chart.endOfVisibleLaps() < 100);

    // Back at the end, it follows the newest again.
    chart.horizontalScrollBar()->setValue(chart.horizontalScrollBar()->maximum());
    laps.take({500});
    QCOMPARE(chart.endOfVisibleLaps(), 1002);
}

void LapWidgetsTest::hiddenChartDoesNotPaint()
{
    Laps laps;
    LapChart chart(&laps.analysis);
    chart.resize(300, 150);
    PaintCounter counter;
    chart.viewport()->installEventFilter(&counter);

    laps.take({500, 700, 300});
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 0);

    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTRY_VERIFY(counter.paints > 0);
    // Shown after the laps came in, it still opens on the newest.
    QCOMPARE(chart.endOfVisibleLaps(), 3);
    QCOMPARE(chart.lapAt(QPoint(6 + 2 * 11 + 1, 100)), 2);
}

QTEST_MAIN(LapWidgetsTest)

#include "lapwidgetstest.moc"
