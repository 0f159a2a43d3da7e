// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapimporter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
QList<int> times(const QList<Lap> &laps)
{
    QList<int> result;
    for (const Lap &lap : laps) {
        result << lap.time();
    }
    return result;
}

QStringList notes(const QList<Lap> &laps)
{
    QStringList result;
    for (const Lap &lap : laps) {
        result << lap.note();
    }
    return result;
}

// What the window's JSON export writes for two laps, the second with a note.
const QByteArray exportedJson = R"({
    "laps": [
        {"abstime": "00:01.50", "note": "", "reltime": "00:01.50", "time": 1500},
        {"abstime": "01:02.00", "note": "tab\there, \"quoted\"", "reltime": "01:00.50", "time": 62000}
    ]
})"_ba;

// What the CSV export writes with hours and milliseconds shown; the note holds a comma and a line break.
const QByteArray exportedCsv =
    "#Created by Tickwarden on Thursday, 10 December 2026 12:00:00 UTC\r\n"
    "#Lap number,Lap time,Global time,Note\r\n"
    "1,00:00:01.500,00:00:01.500,\r\n"
    "2,00:01:00.500,00:01:02.000,\"first line, and\r\nsecond \"\"line\"\"\"\r\n"
    "3,01:00:00.000,01:01:02.000,plain\r\n"_ba;
}

class LapImporterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsExports_data();
    void readsExports();
    void refusesBadFiles_data();
    void refusesBadFiles();
    void refusesHugeFileUnread();
    void refusesMissingFile();
};

void LapImporterTest::readsExports_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<int>>("times");
    QTest::addColumn<QStringList>("notes");

    QTest::newRow("json export") << u"laps.json"_s << exportedJson << QList<int>{1500, 62000} << QStringList{QString(), u"tab\there, \"quoted\""_s};
    QTest::newRow("json without texts") << u"laps.json"_s << R"({"laps": [{"time": 0}, {"time": 0}, {"time": 86399999}]})"_ba << QList<int>{0, 0, 86'399'999}
                                        << QStringList{QString(), QString(), QString()};
    QTest::newRow("csv export, complete times") << u"laps.csv"_s << exportedCsv << QList<int>{1500, 62000, 3'662'000}
                                                << QStringList{QString(), u"first line, and\r\nsecond \"line\""_s, u"plain"_s};
    QTest::newRow("json past a day") << u"laps.json"_s << R"({"laps": [{"time": 86401052}, {"time": 2147483647}]})"_ba << QList<int>{86'401'052, 2'147'483'647}
                                     << QStringList{QString(), QString()};
    QTest::newRow("csv past a day") << u"laps.csv"_s
                                    << "#c\r\n0,24:00:01.052,24:00:01.052,\r\n1,75:59:58.948,100:00:00.000,\r\n2,496:31:23.647,596:31:23.647,end\r\n"_ba
                                    << QList<int>{86'401'052, 360'000'000, 2'147'483'647} << QStringList{QString(), QString(), u"end"_s};
    QTest::newRow("csv without final line end") << u"laps.csv"_s << "#c\n0,00:00:01.000,00:00:01.000,end"_ba << QList<int>{1000} << QStringList{u"end"_s};
    // The export puts an apostrophe before what a spreadsheet would run as a formula; a
    // note's own apostrophe stays.
    QTest::newRow("csv notes kept from spreadsheets") << u"laps.csv"_s
                                                      << "#c\r\n1,00:00:01.000,00:00:01.000,'=SUM(A1:A2)\r\n2,00:00:01.000,00:00:02.000,'-2\r\n"
                                                         "3,00:00:01.000,00:00:03.000,'til then\r\n4,00:00:01.000,00:00:04.000,''@x\r\n"_ba
                                                      << QList<int>{1000, 2000, 3000, 4000} << QStringList{u"=SUM(A1:A2)"_s, u"-2"_s, u"'til then"_s, u"'@x"_s};
    QTest::newRow("csv found by its comment") << u"laps.txt"_s << exportedCsv << QList<int>{1500, 62000, 3'662'000}
                                              << QStringList{QString(), u"first line, and\r\nsecond \"line\""_s, u"plain"_s};
}

void LapImporterTest::readsExports()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);

    QTemporaryDir dir;
    QFile file(dir.filePath(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const LapImporter::Result result = LapImporter::readFile(file.fileName());
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QTEST(times(result.laps), "times");
    QTEST(notes(result.laps), "notes");
}

void LapImporterTest::refusesBadFiles_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");

    const auto json = u"laps.json"_s;
    const auto csv = u"laps.csv"_s;
    QTest::newRow("empty file") << json << QByteArray() << u"not a JSON lap export"_s;
    QTest::newRow("not json") << json << "laps: 1, 2, 3"_ba << u"not a JSON lap export"_s;
    QTest::newRow("cut off") << json << exportedJson.left(exportedJson.size() / 2) << u"not a JSON lap export"_s;
    QTest::newRow("array at the top") << json << "[{\"time\": 5}]"_ba << u"holds no list of laps"_s;
    QTest::newRow("laps not an array") << json << R"({"laps": {"time": 5}})"_ba << u"holds no list of laps"_s;
    QTest::newRow("sessions file") << json << R"({"sessions": []})"_ba << u"holds no list of laps"_s;
    QTest::newRow("no laps") << json << R"({"laps": []})"_ba << u"holds no laps"_s;
    QTest::newRow("lap not an object") << json << R"({"laps": [5]})"_ba << u"Lap 1 has no time"_s;
    QTest::newRow("time missing") << json << R"({"laps": [{"note": "x"}]})"_ba << u"Lap 1 has no time"_s;
    QTest::newRow("time a string") << json << R"({"laps": [{"time": "1500"}]})"_ba << u"Lap 1 has no time"_s;
    QTest::newRow("time a fraction") << json << R"({"laps": [{"time": 10}, {"time": 15.5}]})"_ba << u"Lap 2 has no time"_s;
    QTest::newRow("negative time") << json << R"({"laps": [{"time": -5}]})"_ba << u"time of lap 1 is not between"_s;
    QTest::newRow("past the longest time") << json << R"({"laps": [{"time": 10}, {"time": 2147483648}]})"_ba << u"time of lap 2 is not between"_s;
    QTest::newRow("decreasing times") << json << R"({"laps": [{"time": 10}, {"time": 30}, {"time": 20}]})"_ba << u"Lap 3 is earlier"_s;
    QTest::newRow("note a number") << json << R"({"laps": [{"time": 10, "note": 5}]})"_ba << u"Lap 1 has a note"_s;
    QTest::newRow("csv without hours") << csv << "#c\n0,01:02.345,01:02.345,\n"_ba << u"hours and milliseconds"_s;
    QTest::newRow("csv in hundredths") << csv << "#c\n0,00:01:02.34,00:01:02.34,\n"_ba << u"hours and milliseconds"_s;
    QTest::newRow("csv past the longest time") << csv << "#c\n0,596:31:23.648,596:31:23.648,\n"_ba << u"time of lap 1 is not between"_s;
    QTest::newRow("csv hours past 64 bits") << csv << "#c\n0,99999999999999999999:00:00.000,99999999999999999999:00:00.000,\n"_ba
                                            << u"time of lap 1 is not between"_s;
    // Digits of another script would read as nothing.
    QTest::newRow("csv arabic-indic digits") << csv << "#c\n0,\xd9\xa0\xd9\xa0:00:01.000,\xd9\xa0\xd9\xa0:00:01.000,\n"_ba << u"hours and milliseconds"_s;
    QTest::newRow("csv too few fields") << csv << "#c\n0,00:00:01.000,00:00:01.000\n"_ba << u"four fields"_s;
    QTest::newRow("csv unquoted comma in note") << csv << "#c\n0,00:00:01.000,00:00:01.000,a,b\n"_ba << u"four fields"_s;
    QTest::newRow("csv open quote") << csv << "#c\n0,00:00:01.000,00:00:01.000,\"open\n"_ba << u"never closed"_s;
    QTest::newRow("csv decreasing") << csv << "#c\n0,00:00:02.000,00:00:02.000,\n1,00:00:00.000,00:00:01.000,\n"_ba << u"Lap 2 is earlier"_s;
    QTest::newRow("csv only comments") << csv << "#c\r\n#Lap number,Lap time,Global time,Note\r\n"_ba << u"holds no laps"_s;
}

void LapImporterTest::refusesBadFiles()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, error);

    QTemporaryDir dir;
    QFile file(dir.filePath(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const LapImporter::Result result = LapImporter::readFile(file.fileName());
    QVERIFY2(result.error.contains(error), qPrintable(result.error));
    QVERIFY(result.laps.isEmpty());
}

void LapImporterTest::refusesHugeFileUnread()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(u"huge.json"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // A valid start padded to 100 MB: refused for its size, before anything is read.
    QVERIFY(file.write(exportedJson) == exportedJson.size());
    QVERIFY(file.resize(100 * 1024 * 1024));
    file.close();

    const LapImporter::Result result = LapImporter::readFile(file.fileName());
    QVERIFY2(result.error.contains(u"too large"_s), qPrintable(result.error));
    QVERIFY(result.laps.isEmpty());
}

void LapImporterTest::refusesMissingFile()
{
    QTemporaryDir dir;
    const LapImporter::Result result = LapImporter::readFile(dir.filePath(u"missing.json"_s));
    QVERIFY2(result.error.contains(u"could not be opened"_s), qPrintable(result.error));
}

QTEST_GUILESS_MAIN(LapImporterTest)

#include "lapimportertest.moc"
