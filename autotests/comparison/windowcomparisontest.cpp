// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowcomparison.h"
#include "dialoganswerer.h"
#include "lapanalysismodel.h"
#include "lapcomparisonmodel.h"
#include "lapmodel.h"
#include "runcomparison.h"
#include "session.h"
#include "sessiondialog.h"
#include "sessionmodel.h"

#include <KAboutData>
#include <KActionCollection>
#include <KLocalizedString>
#include <KSelectAction>
#include <KStandardGuiItem>

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

class WindowComparisonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void choiceComesWithTheSession_data();
    void choiceComesWithTheSession();
    void choiceByName_data();
    void choiceByName();
    void unnamedRunComparesOnlyWithAPick();
    void pickASession();
    void pickALapExport();

private:
    Session storedRun(const QString &name, int day, const QList<int> &lapTimes);
    [[nodiscard]] KSelectAction *compareWith() const;

    std::unique_ptr<SessionModel> m_sessions;
    std::unique_ptr<LapModel> m_laps;
    std::unique_ptr<LapAnalysisModel> m_analysis;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<KActionCollection> m_actions;
    WindowComparison *m_comparison = nullptr;
};

void WindowComparisonTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KAboutData::setApplicationData(KAboutData(u"tickwarden"_s, u"Tickwarden"_s, u"1.0"_s));
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
}

void WindowComparisonTest::init()
{
    QFile::remove(SessionModel::fileName());
    m_sessions = std::make_unique<SessionModel>();
    m_laps = std::make_unique<LapModel>();
    m_analysis = std::make_unique<LapAnalysisModel>();
    m_analysis->setSourceModel(m_laps.get());
    m_window = std::make_unique<QWidget>();
    m_actions = std::make_unique<KActionCollection>(m_window.get());
    m_comparison = new WindowComparison(m_sessions.get(), m_analysis.get(), m_actions.get(), m_window.get());
    m_window->show();
}

void WindowComparisonTest::cleanup()
{
    m_actions.reset();
    m_window.reset();
    m_analysis.reset();
    m_laps.reset();
    m_sessions.reset();
}

Session WindowComparisonTest::storedRun(const QString &name, int day, const QList<int> &lapTimes)
{
    Session session(0, QDateTime(QDate(2026, 6, 1).addDays(day), QTime(7, 0)));
    session.setName(name);
    int sinceStart = 0;
    for (const int lapTime : lapTimes) {
        sinceStart += lapTime;
        session.addLap(Lap::fromMilliseconds(sinceStart));
    }
    session.setTime(sinceStart);
    if (!m_sessions->append(session)) {
        qWarning() << "could not store" << name;
    }
    return session;
}

KSelectAction *WindowComparisonTest::compareWith() const
{
    return qobject_cast<KSelectAction *>(m_actions->action(u"compare_with"_s));
}

void WindowComparisonTest::choiceComesWithTheSession_data()
{
    QTest::addColumn<ComparisonChoice>("choice");
    QTest::addColumn<int>("item");
    QTest::addColumn<QList<qint64>>("reference");

    QTest::newRow("none") << ComparisonChoice() << 0 << QList<qint64>{};
    QTest::newRow("previous") << ComparisonChoice(ComparisonChoice::PreviousRun) << 1 << QList<qint64>{1100, 2000};
    QTest::newRow("best") << ComparisonChoice(ComparisonChoice::BestRun) << 2 << QList<qint64>{900, 1900};
    QTest::newRow("best laps") << ComparisonChoice(ComparisonChoice::BestLaps) << 3 << QList<qint64>{900, 1800};
    QTest::newRow("chosen") << ComparisonChoice(u"Other"_s, {500, 700}) << 4 << QList<qint64>{500, 700};
}

void WindowComparisonTest::choiceComesWithTheSession()
{
    QFETCH(ComparisonChoice, choice);
    QFETCH(int, item);
    QFETCH(QList<qint64>, reference);

    storedRun(u"Track"_s, 1, {900, 1000});
    storedRun(u"Track"_s, 2, {1100, 900});
    Session window(0);
    window.setName(u"Track"_s);
    window.setComparison(choice);
    QSignalSpy changed(m_comparison, &WindowComparison::choiceChanged);
    m_comparison->setSession(window);

    QCOMPARE(compareWith()->currentItem(), item);
    QCOMPARE(m_comparison->choice(), choice);
    QList<qint64> shown;
    for (qsizetype i = 0; i < m_comparison->comparison()->referenceSplits().count(); ++i) {
        shown << m_comparison->comparison()->referenceSplits().sinceStart(i);
    }
    QCOMPARE(shown, reference);
    // Showing a session's choice is no change of it.
    QCOMPARE(changed.count(), 0);
}

void WindowComparisonTest::choiceByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("after");

    QTest::newRow("previous") << u"previous"_s << true << u"previous"_s;
    QTest::newRow("best") << u"best"_s << true << u"best"_s;
    QTest::newRow("best laps") << u"bestLaps"_s << true << u"bestLaps"_s;
    QTest::newRow("none") << u"none"_s << true << u"none"_s;
    QTest::newRow("a session cannot be named") << u"session"_s << false << u"best"_s;
    QTest::newRow("unknown") << u"fastest"_s << false << u"best"_s;
    QTest::newRow("case matters") << u"Best"_s << false << u"best"_s;
}

void WindowComparisonTest::choiceByName()
{
    QFETCH(QString, name);
    QFETCH(bool, taken);
    QFETCH(QString, after);

    Session window(0);
    window.setName(u"Track"_s);
    window.setComparison(ComparisonChoice(ComparisonChoice::BestRun));
    m_comparison->setSession(window);
    QSignalSpy changed(m_comparison, &WindowComparison::choiceChanged);

    QCOMPARE(m_comparison->setChoiceByName(name), taken);
    QCOMPARE(m_comparison->choiceName(), after);
    QCOMPARE(changed.count(), after == u"best"_s ? 0 : 1);
}

void WindowComparisonTest::unnamedRunComparesOnlyWithAPick()
{
    storedRun(QString(), 1, {1000});
    m_comparison->setSession(Session(0));
    const QList<QAction *> items = compareWith()->actions();
    QVERIFY(items.at(0)->isEnabled());
    QVERIFY(!items.at(1)->isEnabled());
    QVERIFY(!items.at(2)->isEnabled());
    QVERIFY(!items.at(3)->isEnabled());
    QVERIFY(items.at(4)->isEnabled());
    QVERIFY(items.at(5)->isEnabled());
}

void WindowComparisonTest::pickASession()
{
    storedRun(u"Other"_s, 1, {1500, 1500});
    Session window(0);
    window.setName(u"Track"_s);
    m_comparison->setSession(window);
    QSignalSpy changed(m_comparison, &WindowComparison::choiceChanged);

    // Cancelled: nothing changes, and the menu shows what is compared still.
    compareWith()->actions().at(4)->trigger();
    auto dialog = m_window->findChild<SessionDialog *>();
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->text(), u"Compare"_s);
    dialog->reject();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(compareWith()->currentItem(), 0);
    QTRY_VERIFY(!m_window->findChild<SessionDialog *>());

    compareWith()->actions().at(4)->trigger();
    dialog = m_window->findChild<SessionDialog *>();
    QVERIFY(dialog);
    auto view = dialog->findChild<QAbstractItemView *>();
    view->selectionModel()->setCurrentIndex(view->model()->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    dialog->accept();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_comparison->choice(), ComparisonChoice(u"Other"_s, {1500, 3000}));
    QCOMPARE(m_comparison->choiceName(), u"session"_s);
    QCOMPARE(compareWith()->currentItem(), 4);
    QVERIFY(m_comparison->lapModel()->lapDifferenceColumn() >= 0);
}

void WindowComparisonTest::pickALapExport()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString good = folder.filePath(u"Sunday.csv"_s);
    const QString bad = folder.filePath(u"broken.json"_s);
    {
        QFile file(good);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#Lap number,Lap time,Global time,Note\n0,00:00:01.000,00:00:01.000,\n1,00:00:02.000,00:00:03.000,\n");
        QFile broken(bad);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{\"laps\": [");
    }
    m_comparison->setSession(Session(0));
    QSignalSpy changed(m_comparison, &WindowComparison::choiceChanged);

    const auto pick = [this](const QString &fileName) {
        compareWith()->actions().at(5)->trigger();
        QFileDialog *dialog = nullptr;
        for (QFileDialog *candidate : m_window->findChildren<QFileDialog *>()) {
            dialog = candidate->isVisible() ? candidate : dialog;
        }
        QVERIFY(dialog);
        dialog->selectFile(fileName);
        static_cast<QDialog *>(dialog)->accept();
    };
    {
        DialogAnswerer answerer(buttonText(KStandardGuiItem::ok()));
        pick(bad);
        QTRY_VERIFY(answerer.answered());
        QVERIFY2(answerer.texts().join(u' ').contains(u"broken.json"_s), qPrintable(answerer.texts().join(u' ')));
    }
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_comparison->choice(), ComparisonChoice());

    pick(good);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_comparison->choice(), ComparisonChoice(u"Sunday"_s, {1000, 3000}));
}

QTEST_MAIN(WindowComparisonTest)

#include "windowcomparisontest.moc"
