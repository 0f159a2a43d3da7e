// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionmodel.h"
#include "filesizelimit.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
QByteArray golden(const QString &name)
{
    const QByteArray text = contents(QStringLiteral(SESSIONS_TEST_DATA_DIR) + u'/' + name);
    Q_ASSERT(!text.isEmpty());
    return text;
}

QRegularExpression messageNaming(const QString &path)
{
    return QRegularExpression(u".*"_s + QRegularExpression::escape(path) + u".*"_s);
}

// Whether this process is held back by file permissions; root is not.
bool permissionsApply()
{
    const QString probe = dataDir() + u"/probe"_s;
    if (!writeFile(probe, "x")) {
        return true;
    }
    QFile::setPermissions(probe, QFileDevice::Permissions());
    QFile file(probe);
    const bool opened = file.open(QIODevice::ReadOnly);
    file.close();
    QFile::remove(probe);
    return !opened;
}

Session evening()
{
    Session session(45000, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    // Fixed, so that the file text can be compared whole.
    session.setId(u"011e4667-ae3f-4722-84c8-79882ccb2529"_s);
    session.setName(u"Evening"_s);
    Lap lap(20'000);
    lap.setRelativeTime(u"00:20.00"_s);
    lap.setAbsoluteTime(u"00:20.00"_s);
    session.addLap(lap);
    return session;
}

const QDateTime intervalsDate(QDate(2026, 2, 3), QTime(18, 30), QTimeZone::UTC);

// A sessions file from tokens: "a" is a session with the id a, "a*" the same with a note.
QByteArray fileOf(const QStringList &tokens)
{
    QJsonArray array;
    for (const QString &token : tokens) {
        const QString id = token.chopped(token.endsWith(u'*') ? 1 : 0);
        Session session(1000, QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9), QTimeZone::UTC));
        session.setId(id);
        session.setName(id);
        session.setNote(token.endsWith(u'*') ? u"noted"_s : QString());
        QJsonObject object;
        session.toJson(object);
        array.append(object);
    }
    return QJsonDocument(QJsonObject{{u"sessions"_s, array}}).toJson();
}
}

class SessionModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startsEmptyWithoutFile();
    void loadsStoredSessions();
    void data_data();
    void data();
    void headerData_data();
    void headerData();
    void editableColumns();
    void fileTextAfterChange_data();
    void fileTextAfterChange();
    void refusedChangesWriteNothing_data();
    void refusedChangesWriteNothing();
    void sessionNumbersFollowRows();
    void saveWritesTheTimesOverItsStoredCopy();
    void failedWriteKeepsPreviousFile_data();
    void failedWriteKeepsPreviousFile();
    void missingDataPathIsCreated();
    void unusableFileIsKeptAside_data();
    void unusableFileIsKeptAside();
    void keptAsideNameIsUnique();
    void outsideChangeAsRowSignals_data();
    void outsideChangeAsRowSignals();
};

void SessionModelTest::initTestCase()
{
    QVERIFY(useTestDataDir());
}

void SessionModelTest::init()
{
    QVERIFY(makeEmptyDataDir());
    // Every warning a test does not expect is a failure.
    QTest::failOnWarning(QRegularExpression(u".*"_s));
}

void SessionModelTest::cleanup()
{
    QFile::setPermissions(dataDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir(dataDir()).removeRecursively();
}

void SessionModelTest::startsEmptyWithoutFile()
{
    SessionModel model;
    QVERIFY(model.isEmpty());
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 4);
    QVERIFY(!QFileInfo::exists(sessionsPath()));

    model.append(evening());
    QCOMPARE(contents(sessionsPath()), golden(u"only-appended.json"_s));
}

void SessionModelTest::loadsStoredSessions()
{
    QVERIFY(writeFile(sessionsPath(), golden(u"stored.json"_s)));
    const SessionModel model;

    QVERIFY(!model.isEmpty());
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);

    const Session first = model.data(model.index(0, 0), SessionModel::SessionRole).value<Session>();
    QCOMPARE(first.name(), u"Morning run"_s);
    QCOMPARE(first.note(), u"windy"_s);
    QCOMPARE(first.time(), 95000);
    QCOMPARE(first.date(), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    QVERIFY(!first.isOutdated());
    QCOMPARE(first.laps().size(), 1);
    QCOMPARE(first.laps().first().time(), 62'345);
    QCOMPARE(first.laps().first().note(), u"warm-up"_s);
    QCOMPARE(model.data(model.index(1, 2), SessionModel::DateRole), QVariant(intervalsDate));

    // Loading leaves the file exactly as it was, members the store does not know included.
    QCOMPARE(contents(sessionsPath()), golden(u"stored.json"_s));
    QCOMPARE(keptAside(), QStringList());
}

void SessionModelTest::data_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("display, number") << 1 << 0 << int(Qt::DisplayRole) << QVariant(u"2"_s);
    QTest::newRow("display, name") << 1 << 1 << int(Qt::DisplayRole) << QVariant(u"Intervals"_s);
    QTest::newRow("display, date") << 1 << 2 << int(Qt::DisplayRole) << QVariant(intervalsDate);
    QTest::newRow("display, note") << 1 << 3 << int(Qt::DisplayRole) << QVariant(u"track"_s);
    QTest::newRow("edit, number") << 1 << 0 << int(Qt::EditRole) << QVariant();
    QTest::newRow("edit, name") << 1 << 1 << int(Qt::EditRole) << QVariant(u"Intervals"_s);
    QTest::newRow("edit, date") << 1 << 2 << int(Qt::EditRole) << QVariant();
    QTest::newRow("edit, note") << 1 << 3 << int(Qt::EditRole) << QVariant(u"track"_s);
    QTest::newRow("number role, any column") << 0 << 3 << int(SessionModel::SessionNumberRole) << QVariant(u"1"_s);
    QTest::newRow("name role, any column") << 0 << 0 << int(SessionModel::NameRole) << QVariant(u"Morning run"_s);
    QTest::newRow("tool tip") << 0 << 1 << int(Qt::ToolTipRole) << QVariant();
    QTest::newRow("check state") << 0 << 1 << int(Qt::CheckStateRole) << QVariant();
    QTest::newRow("role past the table") << 0 << 1 << int(SessionModel::SessionRole) + 1 << QVariant();
    QTest::newRow("invalid index") << -1 << -1 << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("row past the end") << 2 << 1 << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("row past the end, session role") << 2 << 1 << int(SessionModel::SessionRole) << QVariant();
}

void SessionModelTest::data()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, role);
    QFETCH(QVariant, expected);

    QVERIFY(writeFile(sessionsPath(), golden(u"stored.json"_s)));
    SessionModel model;
    QModelIndex index;
    if (row >= model.rowCount()) {
        // An index handed out before the store lost that row.
        model.append(evening());
        index = model.index(row, column);
        QVERIFY(model.removeRows(row, 1));
    } else if (row >= 0) {
        index = model.index(row, column);
    }
    QCOMPARE(index.isValid(), row >= 0);

    const QVariant actual = model.data(index, role);
    QCOMPARE(actual.isValid(), expected.isValid());
    QCOMPARE(actual, expected);
}

void SessionModelTest::headerData_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("number") << 0 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant(u"Session #"_s);
    QTest::newRow("name") << 1 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant(u"Name"_s);
    QTest::newRow("date") << 2 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant(u"Date"_s);
    QTest::newRow("note") << 3 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant(u"Note"_s);
    QTest::newRow("past the last column") << 4 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("vertical") << 0 << Qt::Vertical << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("edit role") << 1 << Qt::Horizontal << int(Qt::EditRole) << QVariant();
    QTest::newRow("tool tip") << 1 << Qt::Horizontal << int(Qt::ToolTipRole) << QVariant();
}

void SessionModelTest::headerData()
{
    QFETCH(int, section);
    QFETCH(Qt::Orientation, orientation);
    QFETCH(int, role);
    const SessionModel model;
    QTEST(model.headerData(section, orientation, role), "expected");
}

void SessionModelTest::editableColumns()
{
    QVERIFY(writeFile(sessionsPath(), golden(u"stored.json"_s)));
    const SessionModel model;

    const Qt::ItemFlags plain = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const QList<bool> editable{false, true, false, true};
    for (int column = 0; column < model.columnCount(); ++column) {
        const QModelIndex index = model.index(1, column);
        QCOMPARE(model.isEditable(index), editable.at(column));
        QCOMPARE(model.flags(index), editable.at(column) ? plain | Qt::ItemIsEditable : plain);
    }
    QCOMPARE(model.flags(QModelIndex()), Qt::ItemIsEnabled);

    const QList<int> roles{SessionModel::SessionNumberRole, SessionModel::NameRole, SessionModel::DateRole, SessionModel::NoteRole};
    for (int column = 0; column < roles.size(); ++column) {
        QCOMPARE(model.columnForRole(roles.at(column)), column);
    }
    QCOMPARE(model.columnForRole(SessionModel::SessionRole), -1);
    QCOMPARE(model.columnForRole(Qt::DisplayRole), -1);
}

void SessionModelTest::fileTextAfterChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("expected");

    QTest::newRow("append") << u"append"_s << u"appended.json"_s;
    QTest::newRow("rename") << u"rename"_s << u"renamed.json"_s;
    QTest::newRow("empty the note") << u"empty note"_s << u"note-emptied.json"_s;
    QTest::newRow("remove the first row") << u"remove"_s << u"first-removed.json"_s;
    QTest::newRow("save") << u"save"_s << u"updated.json"_s;
}

void SessionModelTest::fileTextAfterChange()
{
    QFETCH(QString, change);
    QFETCH(QString, expected);

    QVERIFY(writeFile(sessionsPath(), golden(u"stored.json"_s)));
    SessionModel model;
    QByteArray text = golden(expected);

    if (change == u"append") {
        model.append(evening());
        QCOMPARE(model.rowCount(), 3);
    } else if (change == u"rename") {
        QVERIFY(model.setData(model.index(0, 1), u"Long run"_s));
        QCOMPARE(model.data(model.index(0, 1)), QVariant(u"Long run"_s));
    } else if (change == u"empty note") {
        QVERIFY(model.setData(model.index(1, 3), QString()));
        QCOMPARE(model.data(model.index(1, 3)), QVariant(QString()));
    } else if (change == u"remove") {
        QVERIFY(model.removeRows(0, 1));
    } else if (change == u"save") {
        // A window's copy of the second session, run on since it was opened.
        Session session = model.data(model.index(1, 0), SessionModel::SessionRole).value<Session>();
        session.setTime(31000);
        Lap lap(15'000);
        lap.setRelativeTime(u"00:15.00"_s);
        lap.setAbsoluteTime(u"00:15.00"_s);
        lap.setNote(u"fast"_s);
        session.addLap(lap);
        bool storedAnew = true;
        QVERIFY(model.save(session, &storedAnew));
        QVERIFY(!storedAnew);
        QVERIFY(session.date() != intervalsDate);
        QJsonObject written;
        Session(0, session.date()).toJson(written);
        text.replace("@DATE@", written.value(u"date"_s).toString().toUtf8());
    }

    QCOMPARE(contents(sessionsPath()), text);
    // A valid file is replaced, never moved aside.
    QCOMPARE(keptAside(), QStringList());
}

void SessionModelTest::refusedChangesWriteNothing_data()
{
    QTest::addColumn<QString>("change");

    QTest::newRow("empty name") << u"empty name"_s;
    QTest::newRow("edit the number") << u"edit number"_s;
    QTest::newRow("edit the date") << u"edit date"_s;
    QTest::newRow("name by display role") << u"display role"_s;
    QTest::newRow("name of an invalid index") << u"invalid index"_s;
    QTest::newRow("remove past the end") << u"remove past end"_s;
    QTest::newRow("remove before the start") << u"remove negative"_s;
    QTest::newRow("remove nothing") << u"remove none"_s;
}

void SessionModelTest::refusedChangesWriteNothing()
{
    QFETCH(QString, change);

    QVERIFY(writeFile(sessionsPath(), golden(u"stored.json"_s)));
    SessionModel model;
    const auto shown = [&model] {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row) {
            for (int column = 0; column < model.columnCount(); ++column) {
                texts << model.data(model.index(row, column)).toString();
            }
        }
        return texts;
    };
    const QStringList before = shown();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    if (change == u"empty name") {
        QVERIFY(!model.setData(model.index(0, 1), QString()));
    } else if (change == u"edit number") {
        QVERIFY(!model.setData(model.index(0, 0), u"7"_s));
    } else if (change == u"edit date") {
        QVERIFY(!model.setData(model.index(0, 2), QDateTime::currentDateTime()));
    } else if (change == u"display role") {
        QVERIFY(!model.setData(model.index(0, 1), u"Other"_s, Qt::DisplayRole));
    } else if (change == u"invalid index") {
        QVERIFY(!model.setData(QModelIndex(), u"Other"_s));
    } else if (change == u"remove past end") {
        QVERIFY(!model.removeRows(1, 2));
    } else if (change == u"remove negative") {
        QVERIFY(!model.removeRows(-1, 1));
    } else if (change == u"remove none") {
        QVERIFY(!model.removeRows(0, 0));
    }

    QCOMPARE(changed.count(), 0);
    QCOMPARE(removed.count(), 0);
    QCOMPARE(shown(), before);
    QCOMPARE(contents(sessionsPath()), golden(u"stored.json"_s));
}

void SessionModelTest::sessionNumbersFollowRows()
{
    SessionModel model;
    for (int i = 0; i < 4; ++i) {
        Session session(i, QDateTime(QDate(2026, 1, 1), QTime(i, 0)));
        session.setName(u"s%1"_s.arg(i));
        model.append(session);
    }
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    QVERIFY(model.removeRows(0, 2));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 0);
    QCOMPARE(removed.first().at(2).toInt(), 1);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(0, 0)), QVariant(u"1"_s));
    QCOMPARE(model.data(model.index(0, 1)), QVariant(u"s2"_s));
    QCOMPARE(model.data(model.index(1, 0)), QVariant(u"2"_s));

    // Numbers are positions, not stored data.
    QVERIFY(!contents(sessionsPath()).contains("\"1\""));
}

void SessionModelTest::saveWritesTheTimesOverItsStoredCopy()
{
    // Two stored sessions without a date or an id: only their order tells them apart.
    QVERIFY(writeFile(sessionsPath(), R"({"sessions": [{"name": "first"}, {"name": "second"}]})"_ba));
    SessionModel model;
    QCOMPARE(model.rowCount(), 2);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    // A window opens the second one; the dialog renames it and gives it a note; the window,
    // which still holds the name and note it opened with, then saves its times over it.
    Session window = model.data(model.index(1, 0), SessionModel::SessionRole).value<Session>();
    QVERIFY(model.setData(model.index(1, 1), u"renamed in the dialog"_s));
    QVERIFY(model.setData(model.index(1, 3), u"noted in the dialog"_s));
    changed.clear();

    window.setTime(777);
    window.addLap(Lap(1000));
    window.setComparison(ComparisonChoice(ComparisonChoice::BestRun));
    const QDateTime before = QDateTime::currentDateTime();
    bool storedAnew = true;
    QVERIFY(model.save(window, &storedAnew));
    QVERIFY(!storedAnew);

    QVERIFY(window.date().isValid());
    QVERIFY(window.date() >= before && window.date() <= QDateTime::currentDateTime());
    QCOMPARE(changed.count(), 1);
    // The window takes the name and note that are stored.
    QCOMPARE(window.name(), u"renamed in the dialog"_s);
    QCOMPARE(window.note(), u"noted in the dialog"_s);

    const Session stored = model.data(model.index(1, 0), SessionModel::SessionRole).value<Session>();
    QCOMPARE(stored.id(), window.id());
    QCOMPARE(stored.name(), u"renamed in the dialog"_s);
    QCOMPARE(stored.note(), u"noted in the dialog"_s);
    QCOMPARE(stored.time(), 777);
    QCOMPARE(stored.date(), window.date());
    QCOMPARE(stored.laps().size(), 1);
    QCOMPARE(stored.comparison().kind(), ComparisonChoice::BestRun);
    QCOMPARE(model.data(model.index(0, 1)), QVariant(u"first"_s));

    // The stamped copy is found again by its id, whatever its date is now.
    QVERIFY(model.setData(model.index(1, 3), u"again"_s));
    window.setNote(u"the window's own"_s);
    window.setTime(888);
    QVERIFY(model.save(window, &storedAnew));
    QVERIFY(!storedAnew);
    QCOMPARE(window.note(), u"again"_s);
    QCOMPARE(model.rowCount(), 2);
    const SessionModel reread;
    QCOMPARE(reread.data(reread.index(1, 3)), QVariant(u"again"_s));
    QCOMPARE(reread.data(reread.index(1, 0), SessionModel::SessionRole).value<Session>().time(), 888);
    QCOMPARE(reread.data(reread.index(0, 3)), QVariant(QString()));
}

void SessionModelTest::failedWriteKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("obstacle");

    QTest::newRow("read-only directory") << u"read-only"_s;
    QTest::newRow("disk full") << u"disk full"_s;
    QTest::newRow("directory replaced by a file") << u"not a directory"_s;
}

void SessionModelTest::failedWriteKeepsPreviousFile()
{
    QFETCH(QString, obstacle);

    QVERIFY(writeFile(sessionsPath(), golden(u"stored.json"_s)));
    SessionModel model;
    QSignalSpy failures(&model, &SessionModel::writeFailed);
    // Where the previous file is while the obstacle is in place.
    QString previousFile = sessionsPath();
    const QString movedDir = dataDir() + u".away"_s;
    QDir(movedDir).removeRecursively();

    const QRegularExpression warning = messageNaming(sessionsPath());
    bool appended = true;
    if (obstacle == u"read-only") {
        if (!permissionsApply()) {
            QSKIP("file permissions do not hold this process back (it runs as root); the other rows fail the write as root");
        }
        QVERIFY(QFile::setPermissions(dataDir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QTest::ignoreMessage(QtWarningMsg, warning);
        appended = model.append(evening());
        QVERIFY(QFile::setPermissions(dataDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    } else if (obstacle == u"disk full") {
        QTest::ignoreMessage(QtWarningMsg, warning);
        {
            const FileSizeLimit limit(256);
            QVERIFY(limit.isActive());
            appended = model.append(evening());
        }
    } else if (obstacle == u"not a directory") {
        QVERIFY(QDir().rename(dataDir(), movedDir));
        QVERIFY(writeFile(dataDir(), "a file where the directory was"));
        previousFile = movedDir + u"/sessions.json"_s;
        QTest::ignoreMessage(QtWarningMsg, warning);
        appended = model.append(evening());
        QVERIFY(QFile::remove(dataDir()));
        QVERIFY(QDir().rename(movedDir, dataDir()));
        previousFile = sessionsPath();
    }

    // The caller hears of the failure, with the file and a reason to tell the user.
    QVERIFY(!appended);
    QVERIFY(!model.errorString().isEmpty());
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures.first().at(0).toString(), sessionsPath());
    QCOMPARE(failures.first().at(1).toString(), model.errorString());

    QCOMPARE(contents(previousFile), golden(u"stored.json"_s));
    QCOMPARE(dataDirEntries(), QStringList{u"sessions.json"_s});
    // A change that was not written is not shown as made either.
    QCOMPARE(model.rowCount(), 2);

    // Once the obstacle is gone, the same change goes through.
    QVERIFY(model.append(evening()));
    QVERIFY(model.errorString().isEmpty());
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(contents(sessionsPath()), golden(u"appended.json"_s));
}

void SessionModelTest::missingDataPathIsCreated()
{
    // A fresh account: the folder that holds the data folder is missing too.
    const QString parent = QFileInfo(dataDir()).absolutePath();
    QVERIFY(QDir(parent).removeRecursively());
    SessionModel model;

    QVERIFY2(model.append(evening()), qPrintable(model.errorString()));
    QCOMPARE(contents(sessionsPath()), golden(u"only-appended.json"_s));
}

void SessionModelTest::unusableFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("loadedRows");
    QTest::addColumn<QString>("expected");

    const QString file = u"file"_s;
    QTest::newRow("cut off") << R"({"sessions": [{"name": "Morning run", "no)"_ba << file << 0 << u"only-appended.json"_s;
    QTest::newRow("empty") << QByteArray() << file << 0 << u"only-appended.json"_s;
    QTest::newRow("binary") << "\x00\xff\xfe{\x01"_ba << file << 0 << u"only-appended.json"_s;
    QTest::newRow("top level array") << R"([{"name": "Morning run", "date": "2026-01-02T03:04:05"}])"_ba << file << 0 << u"only-appended.json"_s;
    QTest::newRow("sessions is an object") << R"({"sessions": {"name": "Morning run"}})"_ba << file << 0 << u"only-appended.json"_s;
    QTest::newRow("sessions missing") << R"({"version": 3, "items": [{"name": "Morning run"}]})"_ba << file << 0 << u"only-appended.json"_s;
    QTest::newRow("a session is a number")
        << R"({"sessions": [1, {"name": "Intervals", "note": "track", "time": 30000, "date": "2026-02-03T18:30:00Z", "laps": []}]})"_ba << file << 2
        << u"blank-and-appended.json"_s;
    QTest::newRow("unreadable file") << golden(u"stored.json"_s) << u"unreadable"_s << 0 << u"only-appended.json"_s;
    QTest::newRow("directory in its place") << QByteArray("kept inside") << u"directory"_s << 0 << u"only-appended.json"_s;
}

void SessionModelTest::unusableFileIsKeptAside()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);
    QFETCH(int, loadedRows);
    QFETCH(QString, expected);

    const QRegularExpression openFailure(u"^cannot open "_s + QRegularExpression::escape(u"\"%1\""_s.arg(sessionsPath())) + u": \".+\"$"_s);
    if (kind == u"unreadable") {
        if (!permissionsApply()) {
            QSKIP("file permissions do not hold this process back (it runs as root), so no file is unreadable to it");
        }
        QVERIFY(writeFile(sessionsPath(), content));
        QVERIFY(QFile::setPermissions(sessionsPath(), QFileDevice::WriteOwner));
        QTest::ignoreMessage(QtDebugMsg, openFailure);
    } else if (kind == u"directory") {
        QVERIFY(QDir().mkpath(sessionsPath()));
        QVERIFY(writeFile(sessionsPath() + u"/inside.txt"_s, content));
        QTest::ignoreMessage(QtDebugMsg, openFailure);
    } else {
        QVERIFY(writeFile(sessionsPath(), content));
    }

    SessionModel model;
    QCOMPARE(model.rowCount(), loadedRows);
    // Loading never writes, so nothing has been moved yet.
    QCOMPARE(keptAside(), QStringList());

    const QRegularExpression keptName(u"^sessions\\.json\\.broken-\\d{8}-\\d{6}$"_s);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u".*"_s + QRegularExpression::escape(dataDir() + u"/sessions.json.broken-"_s) + u".*"_s));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    model.append(evening());
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    const QStringList kept = keptAside();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(keptName.match(kept.first()).hasMatch(), qPrintable(kept.first()));
    const QDateTime keptAt = QDateTime::fromString(kept.first().section(u'-', 1), u"yyyyMMdd-hhmmss"_s);
    QVERIFY(keptAt >= before.addMSecs(-before.time().msec()) && keptAt <= after);

    const QString keptPath = dataDir() + u'/' + kept.first();
    if (kind == u"directory") {
        QCOMPARE(contents(keptPath + u"/inside.txt"_s), content);
    } else {
        QVERIFY(QFile::setPermissions(keptPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(contents(keptPath), content);
    }
    QCOMPARE(contents(sessionsPath()), golden(expected));

    // From now on the file is the store's own: it is replaced, and nothing more is moved.
    QVERIFY(model.setData(model.index(model.rowCount() - 1, 1), u"Evening walk"_s));
    QCOMPARE(keptAside(), kept);
    QVERIFY(contents(sessionsPath()).contains("\"Evening walk\""));
}

void SessionModelTest::keptAsideNameIsUnique()
{
    QVERIFY(writeFile(sessionsPath(), "not json"));
    SessionModel model;

    // Names already taken for every second the write can fall in.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList taken;
    for (int second = 0; second < 3; ++second) {
        const QString name = u"sessions.json.broken-"_s + now.addSecs(second).toString(u"yyyyMMdd-hhmmss"_s);
        QVERIFY(writeFile(dataDir() + u'/' + name, name.toUtf8()));
        taken << name;
    }

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u".*sessions\\.json\\.broken-.*"_s));
    model.append(evening());

    QStringList kept = keptAside();
    QCOMPARE(kept.size(), taken.size() + 1);
    for (const QString &name : std::as_const(taken)) {
        QCOMPARE(contents(dataDir() + u'/' + name), name.toUtf8());
        kept.removeOne(name);
    }
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().startsWith(u"sessions.json.broken-"_s), qPrintable(kept.first()));
    QCOMPARE(contents(dataDir() + u'/' + kept.first()), "not json"_ba);
    QCOMPARE(contents(sessionsPath()), golden(u"only-appended.json"_s));
}

void SessionModelTest::outsideChangeAsRowSignals_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    // The row signals in the order they came.
    QTest::addColumn<QStringList>("rowSignals");

    const QStringList abc{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("added") << abc << QStringList{u"a"_s, u"x"_s, u"b"_s, u"c"_s, u"y"_s} << QStringList{u"inserted 1-1"_s, u"inserted 4-4"_s};
    QTest::newRow("removed") << abc << QStringList{u"b"_s} << QStringList{u"removed 2-2"_s, u"removed 0-0"_s};
    QTest::newRow("noted") << abc << QStringList{u"a*"_s, u"b*"_s, u"c"_s} << QStringList{u"changed 0-1"_s};
    QTest::newRow("all at once") << abc << QStringList{u"b*"_s, u"c"_s, u"x"_s} << QStringList{u"removed 0-0"_s, u"inserted 2-2"_s, u"changed 0-0"_s};
    QTest::newRow("reordered by hand") << abc << QStringList{u"c"_s, u"b"_s, u"a"_s} << QStringList{u"reset"_s};
}

void SessionModelTest::outsideChangeAsRowSignals()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QStringList, rowSignals);

    QVERIFY(writeFile(sessionsPath(), fileOf(before)));
    SessionModel model;
    QList<QPersistentModelIndex> kept;
    for (int row = 0; row < model.rowCount(); ++row) {
        kept << QPersistentModelIndex(model.index(row, 1));
    }

    QStringList seen;
    const auto range = [&seen](const char *what) {
        return [&seen, what](const QModelIndex &, int first, int last) {
            seen << u"%1 %2-%3"_s.arg(QLatin1StringView(what)).arg(first).arg(last);
        };
    };
    connect(&model, &QAbstractItemModel::rowsRemoved, this, range("removed"));
    connect(&model, &QAbstractItemModel::rowsInserted, this, range("inserted"));
    connect(&model, &QAbstractItemModel::dataChanged, this, [&seen](const QModelIndex &first, const QModelIndex &last) {
        QCOMPARE(first.column(), 0);
        QCOMPARE(last.column(), 3);
        seen << u"changed %1-%2"_s.arg(first.row()).arg(last.row());
    });
    connect(&model, &QAbstractItemModel::modelReset, this, [&seen] {
        seen << u"reset"_s;
    });

    // Another process replaces the file.
    QVERIFY(QFile::remove(sessionsPath()));
    QVERIFY(writeFile(sessionsPath(), fileOf(after)));
    model.refresh();
    disconnect(&model, nullptr, this, nullptr);

    QCOMPARE(seen, rowSignals);
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row) {
        shown << model.data(model.index(row, 1)).toString() + (model.data(model.index(row, 3)).toString().isEmpty() ? QString() : u"*"_s);
    }
    QCOMPARE(shown, after);
    // A view's indexes stay on their sessions, wherever those went.
    if (rowSignals != QStringList{u"reset"_s}) {
        for (int i = 0; i < kept.size(); ++i) {
            const int row = int(after.indexOf(before.at(i))) >= 0 ? int(after.indexOf(before.at(i))) : int(after.indexOf(before.at(i) + u'*'));
            QCOMPARE(kept.at(i).row(), row);
        }
    }
}

QTEST_GUILESS_MAIN(SessionModelTest)

#include "sessionmodeltest.moc"
