// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lap.h"
#include "lapimporter.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "recoveryjournal.h"
#include "runhistory.h"
#include "session.h"
#include "sessionmodel.h"
#include "sessionworkflow.h"
#include "stopwatch.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"
#include "windowsnapshot.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KMessageWidget>
#include <KSharedConfig>

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int Day = 24 * 3600 * 1000;

struct WindowDeleter {
    void operator()(MainWindow *window) const
    {
        // Closing would ask questions; the tests end windows directly.
        delete window;
    }
};
using WindowPtr = std::unique_ptr<MainWindow, WindowDeleter>;
}

/**
 * A run that goes on past midnight of its first day keeps its laps' times everywhere they
 * go: the table, the sessions file, the journal, both exports and their import.
 */
class RunPastADayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lapsKeepTheirTimesPastADay();
    void windowTellsWhenTheLongestTimeIsReached();

private:
    void trigger(MainWindow *window, const QString &name);
    std::unique_ptr<SessionModel> m_store;
};

void RunPastADayTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QLocale::setDefault(QLocale::c());
}

void RunPastADayTest::init()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    KSharedConfig::openConfig()->reparseConfiguration();
    TickwardenConfig::self()->setDefaults();
    // The lap table as a CSV export needs it to be read back: hours and milliseconds.
    TickwardenConfig::setShowLapHours(true);
    TickwardenConfig::setShowLapSecondFractions(true);
    TickwardenConfig::setLapFractionsType(TimeFormat::UpToMilliseconds);
    m_store = std::make_unique<SessionModel>();
}

void RunPastADayTest::cleanup()
{
    m_store.reset();
    TickwardenConfig::self()->setDefaults();
}

void RunPastADayTest::trigger(MainWindow *window, const QString &name)
{
    QAction *action = window->actionCollection()->action(name);
    QVERIFY2(action, qPrintable(name));
    QVERIFY2(action->isEnabled(), qPrintable(name));
    action->trigger();
}

void RunPastADayTest::lapsKeepTheirTimesPastADay()
{
    // A stored run at 23:59:58, resumed: a lap, then Adjust Time moves it past midnight of
    // the first day, and a second lap is taken there.
    Session race(Day - 2'000, QDateTime::currentDateTime().addSecs(-60));
    race.setName(u"Long race"_s);
    QVERIFY(m_store->append(race));
    WindowPtr window(new MainWindow(m_store.get(), nullptr, m_store->index(0, 0).data(SessionModel::SessionRole).value<Session>()));
    auto stopwatch = window->findChild<Stopwatch *>();
    auto laps = window->findChild<LapModel *>();
    trigger(window.get(), u"start"_s);
    trigger(window.get(), u"lap"_s);
    QVERIFY(window->findChild<RunHistory *>()->adjustTime(3'000));
    trigger(window.get(), u"lap"_s);
    trigger(window.get(), u"pause"_s);

    QCOMPARE(laps->rowCount(), 2);
    const QList<int> taken{laps->lap(0).time(), laps->lap(1).time()};
    QVERIFY2(taken.at(0) >= Day + 1'000 && taken.at(1) < Day + 60'000, qPrintable(u"%1 %2"_s.arg(taken.at(0)).arg(taken.at(1))));
    QVERIFY(stopwatch->currentTime() >= taken.at(1));
    // As the table writes them: 24 hours and the seconds and milliseconds past them.
    const auto text = [](int sinceStart) {
        return u"24:00:%1.%2"_s.arg((sinceStart - Day) / 1000, 2, 10, QLatin1Char('0')).arg((sinceStart - Day) % 1000, 3, 10, QLatin1Char('0'));
    };
    const auto timesOf = [](const QList<Lap> &list) {
        QList<int> times;
        for (const Lap &lap : list) {
            times << lap.time();
        }
        return times;
    };
    QCOMPARE(laps->lap(0).absoluteTime(), text(taken.at(0)));
    QCOMPARE(laps->lap(0).relativeTime(), text(taken.at(0)));
    QCOMPARE(laps->lap(1).absoluteTime(), text(taken.at(1)));
    QCOMPARE(timesOf(window->findChild<StopwatchControl *>()->laps()), taken);

    // The journal, before anything is saved: a recovery brings the laps back as they were.
    auto journal = window->findChild<RecoveryJournal *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(journal);
    journal->flush();
    QString reason;
    const std::optional<WindowSnapshot> recorded = RecoveryJournal::read(journal->fileName(), journal->recordsFileName(), &reason);
    QVERIFY2(recorded, qPrintable(reason));
    QCOMPARE(timesOf(recorded->laps), taken);

    // The sessions file, read anew.
    QVERIFY(window->findChild<SessionWorkflow *>()->storeSession(QString()).stored);
    const SessionModel reread;
    QCOMPARE(reread.rowCount(), 1);
    const Session saved = reread.index(0, 0).data(SessionModel::SessionRole).value<Session>();
    QCOMPARE(timesOf(saved.laps()), taken);
    QCOMPARE(saved.laps().constLast().absoluteTime(), text(taken.at(1)));

    // Both exports, imported into a window of their own.
    const QTemporaryDir dir;
    for (const auto &[file, type] : {std::pair{u"laps.csv"_s, u"text/csv"_s}, std::pair{u"laps.json"_s, u"application/json"_s}}) {
        const QString fileName = dir.filePath(file);
        window->exportLapsAs(fileName, type);
        const LapImporter::Result imported = LapImporter::readFile(fileName);
        QVERIFY2(imported.error.isEmpty(), qPrintable(file + u": "_s + imported.error));
        QCOMPARE(timesOf(imported.laps), taken);

        WindowPtr importedWindow(new MainWindow(m_store.get(), nullptr, Session()));
        importedWindow->loadImportedLaps(imported.laps, file);
        QCOMPARE(importedWindow->findChild<LapModel *>()->lap(1).time(), taken.at(1));
        QCOMPARE(importedWindow->findChild<LapModel *>()->lap(1).absoluteTime(), text(taken.at(1)));
        QCOMPARE(importedWindow->findChild<Stopwatch *>()->currentTime(), taken.at(1));
    }
}

void RunPastADayTest::windowTellsWhenTheLongestTimeIsReached()
{
    WindowPtr window(new MainWindow(m_store.get(), nullptr, Session(Stopwatch::MaximumTime - 50, QDateTime::currentDateTime())));
    auto stopwatch = window->findChild<Stopwatch *>();
    auto message = window->findChild<KMessageWidget *>(u"limitMessage"_s);
    QVERIFY(message);
    QVERIFY(message->isHidden());
    QSignalSpy limit(stopwatch, &Stopwatch::limitReached);

    trigger(window.get(), u"start"_s);
    QVERIFY(limit.wait());
    QVERIFY(stopwatch->isPaused());
    QCOMPARE(stopwatch->currentTime(), Stopwatch::MaximumTime);
    QTRY_VERIFY(!message->isHidden());
    QCOMPARE(message->text(), u"The stopwatch stopped at 596:31:23.647, the longest time it can hold. Its times and laps are kept."_s);
    // The window shows it paused, so it can be saved, moved back or reset.
    QVERIFY(window->actionCollection()->action(u"start"_s)->isEnabled());

    trigger(window.get(), u"reset"_s);
    QTRY_VERIFY(message->isHidden());
}

QTEST_MAIN(RunPastADayTest)

#include "runpastadaytest.moc"
