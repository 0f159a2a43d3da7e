// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "filesizelimit.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
Session namedSession(const QString &name, int seconds)
{
    Session session(seconds * 1000, QDateTime(QDate(2026, 4, 5), QTime(6, 7, seconds % 60), QTimeZone::UTC));
    session.setName(name);
    session.addLap(Lap(1000));
    return session;
}

QByteArray envelopeOf(const QList<Session> &sessions)
{
    QJsonArray array;
    for (const Session &session : sessions) {
        QJsonObject object;
        session.toJson(object);
        array.append(object);
    }
    return QJsonDocument(QJsonObject{{u"sessions"_s, array}}).toJson(QJsonDocument::Indented);
}

// The sessions held by a complete sessions file, by name; an empty list when the text is
// not such a file.
QStringList sessionNames(const QByteArray &text, bool *complete)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    *complete = error.error == QJsonParseError::NoError && document.object().value(u"sessions"_s).isArray();
    QStringList names;
    const QJsonArray sessions = document.object().value(u"sessions"_s).toArray();
    for (const QJsonValue &session : sessions) {
        *complete = *complete && session.isObject();
        names << session.toObject().value(u"name"_s).toString();
    }
    return names;
}

// The kinds of content too big to spell out in the table; they are made on the spot.
enum class Generated {
    None,
    HugeValidFile,
    HugeGarbage,
    DeepArrays,
    DeepObjects,
};

QByteArray generate(Generated kind)
{
    constexpr qsizetype hundredMegabytes = 100 * 1024 * 1024;
    constexpr int depth = 100000;
    switch (kind) {
    case Generated::None:
        return {};
    case Generated::HugeValidFile: {
        // A session with a note of a megabyte, then blanks: the size alone must not make the
        // file unusable. (Blanks keep the test quick; a 100 MB note takes seconds more.)
        const QByteArray head = R"({"sessions": [{"name": "huge", "time": 5000, "date": "2026-01-02T03:04:05", "note": ")";
        QByteArray text = head + QByteArray(1024 * 1024, 'n') + R"("}]})";
        text.append(hundredMegabytes - text.size(), ' ');
        return text;
    }
    case Generated::HugeGarbage:
        return QByteArray(hundredMegabytes, '\0');
    case Generated::DeepArrays:
        return R"({"sessions": )" + QByteArray(depth, '[') + QByteArray(depth, ']') + "}";
    case Generated::DeepObjects: {
        QByteArray text = R"({"sessions": [)";
        for (int i = 0; i < depth; ++i) {
            text += R"({"laps": [)";
        }
        for (int i = 0; i < depth; ++i) {
            text += "]}";
        }
        return text + "]}";
    }
    }
    return {};
}
}

Q_DECLARE_METATYPE(Generated)

namespace
{
const QRegularExpression keptAsideWarning(
    u"^the sessions file .*sessions\\.json\" could not be read; it is kept as .*sessions\\.json\\.broken-[0-9]{8}-[0-9]{6}\" and a new sessions file is written$"_s);
}

/**
 * Bad sessions files and failing saves: the store must come up, say what happened in the
 * log, and never lose the text it found.
 */
class SessionsFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void badContentIsKeptAside_data();
    void badContentIsKeptAside();
    void usableContentIsTakenWhole_data();
    void usableContentIsTakenWhole();
    void failedSaveKeepsPreviousFile_data();
    void failedSaveKeepsPreviousFile();
};

void SessionsFileTest::initTestCase()
{
    QVERIFY(useTestDataDir());
}

void SessionsFileTest::init()
{
    QVERIFY(makeEmptyDataDir());
    QTest::failOnWarning(QRegularExpression(u".*"_s));
}

void SessionsFileTest::cleanup()
{
    QDir(dataDir()).removeRecursively();
}

void SessionsFileTest::badContentIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Generated>("generated");
    // Sessions the store shows although it cannot take the file whole.
    QTest::addColumn<int>("loaded");

    const QByteArray valid = envelopeOf({namedSession(u"one"_s, 1), namedSession(u"two"_s, 2)});

    QTest::newRow("empty") << QByteArray() << Generated::None << 0;
    QTest::newRow("only blanks") << QByteArray(" \n\t ") << Generated::None << 0;
    QTest::newRow("truncated in a session") << valid.left(valid.size() / 2) << Generated::None << 0;
    QTest::newRow("truncated before the last brace") << valid.chopped(2) << Generated::None << 0;
    QTest::newRow("not JSON") << QByteArray("sessions = [one, two]\n") << Generated::None << 0;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << Generated::None << 0;
    QTest::newRow("trailing garbage") << valid + "garbage" << Generated::None << 0;
    QTest::newRow("two documents") << valid + valid << Generated::None << 0;
    QTest::newRow("top level array") << QByteArray(R"([{"name": "one"}])") << Generated::None << 0;
    QTest::newRow("top level string") << QByteArray(R"("sessions")") << Generated::None << 0;
    QTest::newRow("no sessions member") << QByteArray(R"({"session": []})") << Generated::None << 0;
    QTest::newRow("sessions is an object") << QByteArray(R"({"sessions": {"name": "one"}})") << Generated::None << 0;
    QTest::newRow("sessions is null") << QByteArray(R"({"sessions": null})") << Generated::None << 0;
    QTest::newRow("a session is a number") << QByteArray(R"({"sessions": [{"name": "one"}, 2]})") << Generated::None << 2;
    QTest::newRow("a session is an array") << QByteArray(R"({"sessions": [[{"name": "one"}]]})") << Generated::None << 1;
    QTest::newRow("invalid UTF-8 in a name") << QByteArray("{\"sessions\": [{\"name\": \"caf\xc3\x28\"}]}") << Generated::None << 0;
    QTest::newRow("overlong UTF-8 encoding") << QByteArray("{\"sessions\": [{\"name\": \"\xc0\xaf\"}]}") << Generated::None << 0;
    QTest::newRow("UTF-8 surrogate") << QByteArray("{\"sessions\": [{\"name\": \"\xed\xa0\x80\"}]}") << Generated::None << 0;
    QTest::newRow("UTF-16 text") << QByteArray("{\0\"\0s\0\"\0:\0[\0]\0}\0", 16) << Generated::None << 0;
    QTest::newRow("NUL byte inside") << QByteArray("{\"sessions\": [\0]}", 17) << Generated::None << 0;
    QTest::newRow("100000 nested arrays") << QByteArray() << Generated::DeepArrays << 0;
    QTest::newRow("100000 nested laps") << QByteArray() << Generated::DeepObjects << 0;
    QTest::newRow("100 MB of zero bytes") << QByteArray() << Generated::HugeGarbage << 0;
}

void SessionsFileTest::badContentIsKeptAside()
{
    QFETCH(QByteArray, content);
    QFETCH(Generated, generated);
    QFETCH(int, loaded);
    if (generated != Generated::None) {
        content = generate(generated);
    }
    QVERIFY(writeFile(sessionsPath(), content));

    SessionModel model;
    QCOMPARE(model.rowCount(), loaded);
    QCOMPARE(contents(sessionsPath()), content);

    QTest::ignoreMessage(QtWarningMsg, keptAsideWarning);
    model.append(namedSession(u"new"_s, 3));

    const QStringList kept = keptAside();
    QCOMPARE(kept.size(), 1);
    QVERIFY(contents(dataDir() + u'/' + kept.first()) == content);
    bool complete = false;
    const QStringList names = sessionNames(contents(sessionsPath()), &complete);
    QVERIFY(complete);
    QCOMPARE(names.size(), loaded + 1);
    QCOMPARE(names.last(), u"new"_s);
}

void SessionsFileTest::usableContentIsTakenWhole_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Generated>("generated");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("no sessions") << QByteArray(R"({"sessions": []})") << Generated::None << QStringList();
    QTest::newRow("members of the wrong types") << QByteArray(R"({"sessions": [{"name": 5, "note": [], "time": "12", "date": 7, "laps": {"time": 1}}]})")
                                                << Generated::None << QStringList{QString()};
    QTest::newRow("numbers out of range") << QByteArray(
        R"({"sessions": [{"name": "far", "time": 1e300, "laps": [{"time": 86400000}, {"time": -1}, {"time": 2147483648}]}]})")
                                          << Generated::None << QStringList{u"far"_s};
    QTest::newRow("unknown members") << QByteArray(R"({"version": 9, "sessions": [{"name": "x", "colour": "red"}]})") << Generated::None << QStringList{u"x"_s};
    QTest::newRow("escaped NUL and non-BMP text") << QByteArray(R"({"sessions": [{"name": "a\u0000b \ud83d\ude00"}]})") << Generated::None
                                                  << QStringList{QString::fromUtf16(u"a\0b \U0001F600", 6)};
    QTest::newRow("100 MB valid file") << QByteArray() << Generated::HugeValidFile << QStringList{u"huge"_s};
}

void SessionsFileTest::usableContentIsTakenWhole()
{
    QFETCH(QByteArray, content);
    QFETCH(Generated, generated);
    QFETCH(QStringList, names);
    if (generated != Generated::None) {
        content = generate(generated);
    }
    QVERIFY(writeFile(sessionsPath(), content));

    SessionModel model;
    QCOMPARE(model.rowCount(), names.size());
    for (int row = 0; row < names.size(); ++row) {
        QCOMPARE(model.data(model.index(row, 1)).toString(), names.at(row));
    }
    // Whatever the reader made of a lap, its time is a time within a day.
    for (int row = 0; row < names.size(); ++row) {
        const auto laps = model.data(model.index(row, 0), SessionModel::SessionRole).value<Session>().laps();
        for (const Lap &lap : laps) {
            QVERIFY(lap.time() >= 0);
        }
    }

    model.append(namedSession(u"new"_s, 3));
    QVERIFY(keptAside().isEmpty());
    bool complete = false;
    QCOMPARE(sessionNames(contents(sessionsPath()), &complete), names + QStringList{u"new"_s});
    QVERIFY(complete);
}

void SessionsFileTest::failedSaveKeepsPreviousFile_data()
{
    QTest::addColumn<bool>("sizeLimit");
    QTest::addColumn<QString>("warning");

    QTest::newRow("file size limit") << true << u"^cannot save the sessions to .*sessions\\.json\": .*; the file keeps its previous content$"_s;
    QTest::newRow("data folder replaced by a file") << false << u"^cannot save the sessions to .*sessions\\.json\": .*$"_s;
}

void SessionsFileTest::failedSaveKeepsPreviousFile()
{
    QFETCH(bool, sizeLimit);
    QFETCH(QString, warning);

    const QByteArray previous = envelopeOf({namedSession(u"kept"_s, 1)});
    QVERIFY(writeFile(sessionsPath(), previous));
    SessionModel model;
    QCOMPARE(model.rowCount(), 1);

    Session big = namedSession(u"big"_s, 2);
    big.setNote(QString(64 * 1024, u'x'));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    bool appended = true;
    if (sizeLimit) {
        FileSizeLimit limit(previous.size() + 1024);
        QVERIFY(limit.isActive());
        appended = model.append(big);
    } else {
        // The data folder moves away and a file takes its place: no path below it can be
        // written, whoever runs the test.
        const QString moved = dataDir() + u".moved"_s;
        QDir(moved).removeRecursively();
        QVERIFY(QDir().rename(dataDir(), moved));
        QVERIFY(writeFile(dataDir(), "not a folder"));
        appended = model.append(big);
        QVERIFY(QFile::remove(dataDir()));
        QVERIFY(QDir().rename(moved, dataDir()));
    }

    // Reported, not shown as saved.
    QVERIFY(!appended);
    QVERIFY(!model.errorString().isEmpty());
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(contents(sessionsPath()), previous);
    // Neither a kept-aside copy nor a leftover temporary file.
    QCOMPARE(dataDirEntries(), QStringList{u"sessions.json"_s});

    // The caller still has the session; saving it again once that can work stores it.
    QVERIFY(model.append(big));
    bool complete = false;
    QCOMPARE(sessionNames(contents(sessionsPath()), &complete), (QStringList{u"kept"_s, u"big"_s}));
    QVERIFY(complete);
}

QTEST_GUILESS_MAIN(SessionsFileTest)

#include "sessionsfiletest.moc"
