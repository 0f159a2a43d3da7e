// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialoganswerer.h"
#include "filecontents.h"
#include "filesizelimit.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KStandardGuiItem>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
// A reader that follows RFC 4180 to the letter, to prove the export is read back intact.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            record << field;
            records << record;
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}
}

class LapExportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void fileNames_data();
    void fileNames();
    void csvLinesAndQuoting();
    void exportIgnoresSortingAndHiddenColumns();
    void jsonHoldsEveryLap();
    void withoutLaps();
    void failedExportKeepsTheOldFileAndSaysSo();
    void copyPutsTheShownTimeOnTheClipboard();

private:
    void addLap(int ms, const QString &note);

    QTemporaryDir m_dir;
    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<MainWindow> m_window;
    LapModel *m_lapModel = nullptr;
};

void LapExportTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QVERIFY(m_dir.isValid());
}

void LapExportTest::init()
{
    TickwardenConfig::self()->setDefaults();
    m_store = std::make_unique<SessionModel>();
    m_window = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    m_lapModel = m_window->findChild<LapModel *>();
}

void LapExportTest::cleanup()
{
    m_window.reset();
    m_store.reset();
}

void LapExportTest::addLap(int ms, const QString &note)
{
    m_lapModel->addLap(ms);
    m_lapModel->setData(m_lapModel->index(m_lapModel->rowCount() - 1, m_lapModel->columnForRole(LapModel::NoteRole)), note, Qt::EditRole);
}

void LapExportTest::fileNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("written");

    QTest::newRow("csv without suffix") << u"laps"_s << u"text/csv"_s << u"laps.csv"_s;
    QTest::newRow("csv with suffix") << u"laps.csv"_s << u"text/csv"_s << u"laps.csv"_s;
    QTest::newRow("csv suffix is case-sensitive") << u"laps.CSV"_s << u"text/csv"_s << u"laps.CSV.csv"_s;
    QTest::newRow("json after a csv name") << u"laps.csv"_s << u"application/json"_s << u"laps.csv.json"_s;
    QTest::newRow("json with suffix") << u"laps.json"_s << u"application/json"_s << u"laps.json"_s;
    QTest::newRow("other type writes nothing") << u"laps.txt"_s << u"text/plain"_s << QString();
}

void LapExportTest::fileNames()
{
    QFETCH(QString, typed);
    QFETCH(QString, mimeType);
    QFETCH(QString, written);

    QTemporaryDir dir;
    addLap(1500, QString());
    m_window->exportLapsAs(dir.filePath(typed), mimeType);
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{written});
}

void LapExportTest::csvLinesAndQuoting()
{
    addLap(1500, u"plain"_s);
    addLap(3250, u"left, right"_s);
    addLap(4000, u"say \"go\"\nthen run"_s);

    const QString path = m_dir.filePath(u"quoting.csv"_s);
    m_window->exportLapsAs(path, u"text/csv"_s);
    const QString text = QString::fromUtf8(contents(path));

    QVERIFY(text.startsWith(u"#Created by Tickwarden on "_s));
    QVERIFY(text.endsWith(u"\r\n"_s));
    const QStringList lines = text.split(u"\r\n"_s);
    QCOMPARE(lines.at(1), u"#Lap number,Lap time,Global time,Note"_s);
    QCOMPARE(lines.at(2), u"1,00:01.50,00:01.50,plain"_s);
    QCOMPARE(lines.at(3), u"2,00:01.75,00:03.25,\"left, right\""_s);

    const QList<QStringList> records = readCsv(text);
    QCOMPARE(records.size(), 5);
    QCOMPARE(records.at(2), (QStringList{u"1"_s, u"00:01.50"_s, u"00:01.50"_s, u"plain"_s}));
    QCOMPARE(records.at(3), (QStringList{u"2"_s, u"00:01.75"_s, u"00:03.25"_s, u"left, right"_s}));
    QCOMPARE(records.at(4), (QStringList{u"3"_s, u"00:00.75"_s, u"00:04.00"_s, u"say \"go\"\nthen run"_s}));
}

void LapExportTest::exportIgnoresSortingAndHiddenColumns()
{
    addLap(1000, u"b"_s);
    addLap(2000, u"c"_s);
    addLap(3000, u"a"_s);
    auto view = m_window->findChild<QTableView *>(u"lapView"_s);
    view->sortByColumn(m_lapModel->columnForRole(LapModel::NoteRole), Qt::AscendingOrder);
    view->setColumnHidden(m_lapModel->columnForRole(LapModel::NoteRole), true);
    QVERIFY(view->isColumnHidden(m_lapModel->columnForRole(LapModel::AbsoluteTimeRole)));

    const QString path = m_dir.filePath(u"sorted.csv"_s);
    m_window->exportLapsAs(path, u"text/csv"_s);
    const QList<QStringList> records = readCsv(QString::fromUtf8(contents(path)));
    QCOMPARE(records.size(), 5);
    QCOMPARE(records.at(2), (QStringList{u"1"_s, u"00:01.00"_s, u"00:01.00"_s, u"b"_s}));
    QCOMPARE(records.at(3), (QStringList{u"2"_s, u"00:01.00"_s, u"00:02.00"_s, u"c"_s}));
    QCOMPARE(records.at(4), (QStringList{u"3"_s, u"00:01.00"_s, u"00:03.00"_s, u"a"_s}));
}

void LapExportTest::jsonHoldsEveryLap()
{
    addLap(1000, u"b"_s);
    addLap(62345, QString());
    const QString path = m_dir.filePath(u"laps.json"_s);
    m_window->exportLapsAs(path, u"application/json"_s);

    const QJsonObject root = QJsonDocument::fromJson(contents(path)).object();
    QCOMPARE(root.keys(), QStringList{u"laps"_s});
    const QJsonArray laps = root.value(u"laps"_s).toArray();
    QCOMPARE(laps.size(), 2);
    const QJsonObject second = laps.at(1).toObject();
    QCOMPARE(second.keys(), (QStringList{u"abstime"_s, u"note"_s, u"reltime"_s, u"time"_s}));
    QCOMPARE(second.value(u"time"_s).toInt(), 62345);
    QCOMPARE(second.value(u"reltime"_s).toString(), u"01:01.34"_s);
    QCOMPARE(second.value(u"abstime"_s).toString(), u"01:02.34"_s);
    QCOMPARE(laps.at(0).toObject().value(u"note"_s).toString(), u"b"_s);
}

void LapExportTest::withoutLaps()
{
    const QString csv = m_dir.filePath(u"empty.csv"_s);
    m_window->exportLapsAs(csv, u"text/csv"_s);
    QCOMPARE(QString::fromUtf8(contents(csv)).count(u"\r\n"_s), 2);

    const QString json = m_dir.filePath(u"empty.json"_s);
    m_window->exportLapsAs(json, u"application/json"_s);
    const QJsonObject root = QJsonDocument::fromJson(contents(json)).object();
    QVERIFY(root.value(u"laps"_s).isArray());
    QVERIFY(root.value(u"laps"_s).toArray().isEmpty());
}

void LapExportTest::failedExportKeepsTheOldFileAndSaysSo()
{
    const QString path = m_dir.filePath(u"kept.csv"_s);
    QVERIFY(writeFile(path, "old laps\r\n"));
    for (int i = 0; i < 50; ++i) {
        addLap(1000 * (i + 1), QString(200, u'x'));
    }

    DialogAnswerer answerer(buttonText(KStandardGuiItem::ok()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Could not export the laps to \".*kept\\.csv\" : "_s));
    {
        // A file-size limit makes the write fail even for root, who ignores permissions.
        const FileSizeLimit limit(4096);
        QVERIFY(limit.isActive());
        m_window->exportLapsAs(path, u"text/csv"_s);
    }

    QCOMPARE(contents(path), QByteArray("old laps\r\n"));
    QVERIFY(answerer.answered());
    QVERIFY2(answerer.texts().join(u' ').contains(path), qPrintable(answerer.texts().join(u" | ")));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(u"kept"_s), QStringList{u"kept.csv"_s});
}

void LapExportTest::copyPutsTheShownTimeOnTheClipboard()
{
    m_window->findChild<TimeDisplay *>()->setTime(3723456);
    m_window->actionCollection()->action(u"edit_copy"_s)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), u"01:02:03.45"_s);
}

QTEST_MAIN(LapExportTest)

#include "lapexporttest.moc"
