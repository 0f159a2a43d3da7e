// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionmodel.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Each name gets a date of its own, as sessions saved at different moments have. A window
// stamps its session to the millisecond; the file keeps whole seconds.
Session named(const QString &name, int milliseconds = 0)
{
    const int seconds = int(qHash(name) % 86400);
    Session session(1000, QDateTime(QDate(2026, 5, 6), QTime(0, 0), QTimeZone::UTC).addSecs(seconds).addMSecs(milliseconds));
    session.setName(name);
    return session;
}

Session sessionAt(const SessionModel &store, int row)
{
    return store.data(store.index(row, 0), SessionModel::SessionRole).value<Session>();
}

int rowNamed(const SessionModel &store, const QString &name)
{
    for (int row = 0; row < store.rowCount(); ++row) {
        if (store.data(store.index(row, 1)).toString() == name) {
            return row;
        }
    }
    return -1;
}

QStringList shown(const SessionModel &store)
{
    QStringList result;
    for (int row = 0; row < store.rowCount(); ++row) {
        result << store.data(store.index(row, 1)).toString() + u'/' + store.data(store.index(row, 3)).toString();
    }
    return result;
}

QJsonArray storedArray()
{
    return QJsonDocument::fromJson(contents(sessionsPath())).object().value(u"sessions"_s).toArray();
}

QStringList stored()
{
    QStringList result;
    const QJsonArray sessions = storedArray();
    for (const QJsonValue &session : sessions) {
        result << session[u"name"_s].toString() + u'/' + session[u"note"_s].toString();
    }
    return result;
}

// Name and time of every stored session, which tells whose save went where.
QStringList storedTimes()
{
    QStringList result;
    const QJsonArray sessions = storedArray();
    for (const QJsonValue &session : sessions) {
        result << session[u"name"_s].toString() + u'=' + QString::number(session[u"time"_s].toInt());
    }
    return result;
}

// What an earlier version leaves when it rewrites the file: the same sessions without ids.
bool dropIds()
{
    QJsonArray sessions = storedArray();
    for (auto session : sessions) {
        QJsonObject object = session.toObject();
        object.remove(u"id"_s);
        session = object;
    }
    return writeFile(sessionsPath(), QJsonDocument(QJsonObject{{u"sessions"_s, sessions}}).toJson());
}
}

/**
 * Two stores on one sessions file, as two Tickwarden processes have: each change goes onto
 * what the file holds at that moment, so no change of either store is lost, and each store
 * learns what the other saved.
 */
class SharedStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void interleavedChangesAllSurvive_data();
    void interleavedChangesAllSurvive();
    void changesElsewhereReachTheRows();
    void sessionsOfOneSecondStayApart();
    void legacyFileWithoutIds();
    void vanishedFileIsWrittenFromTheRows();
    void emptyLeftoverLockIsTakenOver_data();
    void emptyLeftoverLockIsTakenOver();
};

void SharedStoreTest::initTestCase()
{
    QVERIFY(useTestDataDir());
}

void SharedStoreTest::init()
{
    QVERIFY(makeEmptyDataDir());
    QTest::failOnWarning(QRegularExpression(u".*"_s));
}

void SharedStoreTest::cleanup()
{
    QDir(dataDir()).removeRecursively();
}

void SharedStoreTest::interleavedChangesAllSurvive_data()
{
    // Steps: "a+x" store a adds x, "a-x" removes x, "a:x=y" renames x to y, "a#x=n" gives
    // x the note n, "a?" takes in what the file holds. "a!x" saves the copy of x that the
    // window which added it holds, with a new time. A step that must be refused ends with
    // " refused", a save that must store the session as a new one with " anew"; every other
    // step must succeed.
    QTest::addColumn<QStringList>("steps");
    // Name/note of every session, in file order.
    QTest::addColumn<QStringList>("expected");
    // How many milliseconds the dates of the added sessions carry besides whole seconds.
    QTest::addColumn<int>("milliseconds");

    const auto row = [](const char *name, const QStringList &steps, const QStringList &expected) {
        QTest::addRow("%s, whole seconds", name) << steps << expected << 0;
        QTest::addRow("%s, milliseconds", name) << steps << expected << 345;
    };
    row("adds from both", {u"a+one"_s, u"b+two"_s, u"a+three"_s, u"b+four"_s}, {u"one/"_s, u"two/"_s, u"three/"_s, u"four/"_s});
    row("remove while the other adds", {u"a+one"_s, u"a+two"_s, u"b+three"_s, u"a-one"_s}, {u"two/"_s, u"three/"_s});
    row("rename while the other adds", {u"a+one"_s, u"b+two"_s, u"a:one=uno"_s}, {u"uno/"_s, u"two/"_s});
    row("rename after the other removed a session", {u"a+one"_s, u"a+two"_s, u"b?"_s, u"b-two"_s, u"a:one=uno"_s}, {u"uno/"_s});
    row("note after the other renamed the session", {u"a+one"_s, u"b?"_s, u"b:one=uno"_s, u"a#one=windy"_s}, {u"uno/windy"_s});
    row("note after the other added", {u"a+one"_s, u"b+two"_s, u"a#one=windy"_s}, {u"one/windy"_s, u"two/"_s});
    row("rename of a session removed elsewhere", {u"a+one"_s, u"a+two"_s, u"b?"_s, u"a-one"_s, u"b:one=uno refused"_s}, {u"two/"_s});
    row("remove of a session removed elsewhere", {u"a+one"_s, u"a+two"_s, u"b?"_s, u"a-two"_s, u"b-two"_s, u"b+three"_s}, {u"one/"_s, u"three/"_s});
    row("remove, then the other's rename of a later session",
        {u"a+one"_s, u"a+two"_s, u"a+three"_s, u"b?"_s, u"a-one"_s, u"b:three=drei"_s, u"a#two=kept"_s},
        {u"two/kept"_s, u"drei/"_s});
    row("save after the other added", {u"a+one"_s, u"b+two"_s, u"a!one"_s}, {u"one/"_s, u"two/"_s});
    row("save twice with the other's adds between", {u"a+one"_s, u"b+two"_s, u"a!one"_s, u"b+three"_s, u"a!one"_s}, {u"one/"_s, u"two/"_s, u"three/"_s});
    row("save in the other store", {u"a+one"_s, u"b+two"_s, u"b!one"_s, u"a!one"_s}, {u"one/"_s, u"two/"_s});
    row("save after the other removed it", {u"a+one"_s, u"a+two"_s, u"b?"_s, u"b-one"_s, u"a!one anew"_s}, {u"two/"_s, u"one/"_s});
    // The name and note are the stored ones; a save writes the times only.
    row("save after the other renamed it and gave it a note", {u"a+one"_s, u"b?"_s, u"b:one=uno"_s, u"b#uno=windy"_s, u"a!one"_s}, {u"uno/windy"_s});
    row("save after a rename in the same store", {u"a+one"_s, u"a+two"_s, u"a:one=uno"_s, u"a!one"_s, u"b!two"_s}, {u"uno/"_s, u"two/"_s});
}

void SharedStoreTest::interleavedChangesAllSurvive()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QFETCH(int, milliseconds);

    SessionModel a;
    SessionModel b;
    // The session each added name is in its window, as that window saves it.
    QHash<QString, Session> windows;
    const QRegularExpression step(u"^([ab])(\\+|-|:|#|\\?|!)([^= ]*)(?:=(.*?))?( refused| anew)?$"_s);
    for (const QString &text : std::as_const(steps)) {
        const QRegularExpressionMatch match = step.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        SessionModel &store = match.captured(1) == u"a" ? a : b;
        const QString operation = match.captured(2);
        const QString name = match.captured(3);
        const bool refused = match.captured(5) == u" refused";
        const bool anew = match.captured(5) == u" anew";

        bool done = true;
        if (operation == u"+") {
            windows.insert(name, named(name, milliseconds));
            done = store.append(windows.value(name));
        } else if (operation == u"?") {
            store.refresh();
        } else if (operation == u"!") {
            Session &window = windows[name];
            window.setTime(window.time() + 1000);
            window.setIsOutdated(false);
            bool storedAnew = false;
            done = store.save(window, &storedAnew);
            QVERIFY2(storedAnew == anew, qPrintable(text));
            // The window now shows the name and note of what it saved over.
            const std::optional<Session> stored = store.storedCopyOf(window);
            QVERIFY2(stored, qPrintable(text));
            QCOMPARE(window.name() + u'/' + window.note(), stored->name() + u'/' + stored->note());
        } else {
            // The store acts on the row it shows, as the session dialog does.
            const int row = rowNamed(store, name);
            QVERIFY2(row >= 0, qPrintable(text));
            if (operation == u"-") {
                done = store.removeRows(row, 1);
            } else {
                const int column = store.columnForRole(operation == u":" ? SessionModel::NameRole : SessionModel::NoteRole);
                done = store.setData(store.index(row, column), match.captured(4));
            }
        }
        QVERIFY2(done != refused, qPrintable(text));
        QVERIFY2(store.errorString().isEmpty(), qPrintable(text + u": "_s + store.errorString()));
    }

    QCOMPARE(stored(), expected);
    a.refresh();
    b.refresh();
    QCOMPARE(shown(a), expected);
    QCOMPARE(shown(b), expected);
    // Each save went to the session it was made for and no other.
    for (auto window = windows.cbegin(); window != windows.cend(); ++window) {
        for (const QString &line : storedTimes()) {
            if (line.startsWith(window.key() + u'=')) {
                QCOMPARE(line, window.key() + u'=' + QString::number(window.value().time()));
            }
        }
    }
    // The lock is released after every change.
    QCOMPARE(dataDirEntries(), QStringList{u"sessions.json"_s});
}

void SharedStoreTest::changesElsewhereReachTheRows()
{
    SessionModel here;
    SessionModel elsewhere;
    QVERIFY(elsewhere.append(named(u"one"_s)));

    // Nothing is done here: the file system reports the change.
    QSignalSpy inserted(&here, &QAbstractItemModel::rowsInserted);
    QVERIFY(elsewhere.append(named(u"two"_s)));
    QTRY_COMPARE(shown(here), (QStringList{u"one/"_s, u"two/"_s}));
    QCOMPARE(inserted.size(), 1);

    QSignalSpy changed(&here, &QAbstractItemModel::dataChanged);
    QVERIFY(elsewhere.setData(elsewhere.index(0, 1), u"uno"_s));
    QTRY_COMPARE(shown(here), (QStringList{u"uno/"_s, u"two/"_s}));
    // Only the renamed row, so that a view keeps its selection and editors elsewhere.
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex().row(), 0);
    QCOMPARE(changed.first().at(1).toModelIndex().row(), 0);

    QSignalSpy removed(&here, &QAbstractItemModel::rowsRemoved);
    const QPersistentModelIndex kept = here.index(1, 1);
    QVERIFY(elsewhere.removeRows(0, 1));
    QTRY_COMPARE(shown(here), QStringList{u"two/"_s});
    QCOMPARE(removed.size(), 1);
    QCOMPARE(kept.row(), 0);
    QCOMPARE(kept.data().toString(), u"two"_s);
}

void SharedStoreTest::sessionsOfOneSecondStayApart()
{
    // Two processes save a session each within one second, and each then works on its own.
    const QDateTime moment(QDate(2026, 5, 6), QTime(7, 8, 9, 100), QTimeZone::UTC);
    SessionModel a;
    SessionModel b;
    Session first(1000, moment);
    first.setName(u"first"_s);
    Session second(2000, moment.addMSecs(300));
    second.setName(u"second"_s);
    QVERIFY(a.append(first));
    QVERIFY(b.append(second));

    second.setTime(2500);
    bool storedAnew = true;
    QVERIFY(b.save(second, &storedAnew));
    QVERIFY(!storedAnew);
    first.setTime(1500);
    QVERIFY(a.save(first, &storedAnew));
    QVERIFY(!storedAnew);
    QCOMPARE(storedTimes(), (QStringList{u"first=1500"_s, u"second=2500"_s}));

    // Saved in the same second again, they are still two sessions for both stores.
    a.refresh();
    b.refresh();
    QVERIFY(b.setData(b.index(rowNamed(b, u"first"_s), 1), u"erste"_s));
    QVERIFY(a.setData(a.index(rowNamed(a, u"second"_s), 3), u"a note"_s));
    QVERIFY(a.removeRows(rowNamed(a, u"erste"_s), 1));
    QCOMPARE(stored(), QStringList{u"second/a note"_s});
}

void SharedStoreTest::legacyFileWithoutIds()
{
    // Written by a version that kept no ids, with two sessions of one second.
    QVERIFY(writeFile(sessionsPath(), R"({"sessions": [
        {"name": "one", "note": "", "time": 1000, "date": "2026-05-06T07:08:09", "laps": []},
        {"name": "two", "note": "", "time": 2000, "date": "2026-05-06T07:08:09", "laps": []},
        {"name": "three", "note": "", "time": 3000, "date": "2026-05-06T10:00:00", "laps": []}
    ]})"_ba));
    SessionModel a;
    SessionModel b;
    // Windows opened in both processes before either wrote the file.
    Session two = sessionAt(a, 1);
    Session three = sessionAt(b, 2);
    QCOMPARE(two.name(), u"two"_s);
    QCOMPARE(three.name(), u"three"_s);
    QVERIFY(two.hasDerivedId());

    QVERIFY(a.setData(a.index(0, 1), u"uno"_s));
    // Every session has an id of its own in the file now, the one both processes derived.
    const QJsonArray withIds = storedArray();
    QSet<QString> ids;
    for (const QJsonValue &session : withIds) {
        ids.insert(session[u"id"_s].toString());
    }
    QCOMPARE(ids.size(), 3);
    QVERIFY(!ids.contains(QString()));
    QCOMPARE(withIds.at(2)[u"id"_s].toString(), three.id());

    bool storedAnew = true;
    three.setTime(3500);
    QVERIFY(b.save(three, &storedAnew));
    QVERIFY(!storedAnew);
    two.setTime(2500);
    QVERIFY(a.save(two, &storedAnew));
    QVERIFY(!storedAnew);
    QCOMPARE(storedTimes(), (QStringList{u"uno=1000"_s, u"two=2500"_s, u"three=3500"_s}));

    // An earlier version rewrites the file and drops the ids: the dates, to the second, are
    // all that is left to find the windows' sessions by.
    a.refresh();
    b.refresh();
    QVERIFY(dropIds());
    three.setTime(3600);
    QVERIFY(b.save(three, &storedAnew));
    QVERIFY(!storedAnew);
    two.setTime(2600);
    QVERIFY(a.save(two, &storedAnew));
    QVERIFY(!storedAnew);
    QCOMPARE(storedTimes(), (QStringList{u"uno=1000"_s, u"two=2600"_s, u"three=3600"_s}));
    QVERIFY(b.setData(b.index(rowNamed(b, u"uno"_s), 3), u"first"_s));
    QCOMPARE(stored(), (QStringList{u"uno/first"_s, u"two/"_s, u"three/"_s}));
}

void SharedStoreTest::vanishedFileIsWrittenFromTheRows()
{
    // No process of the program removes the file; when it is lost outside, the rows are the
    // last copy of the sessions, and the next change must not leave only itself behind.
    SessionModel store;
    QVERIFY(store.append(named(u"one"_s)));
    QVERIFY(store.append(named(u"two"_s)));
    QVERIFY(QFile::remove(sessionsPath()));
    store.refresh();
    QCOMPARE(store.rowCount(), 2);

    QVERIFY(store.append(named(u"three"_s)));
    QCOMPARE(stored(), (QStringList{u"one/"_s, u"two/"_s, u"three/"_s}));
}

void SharedStoreTest::emptyLeftoverLockIsTakenOver_data()
{
    // How long ago the lock was left, by the wall clock.
    QTest::addColumn<int>("ageSeconds");

    QTest::newRow("a minute ago") << 60;
    // The clock was put back since, by less than the age at which QLockFile itself calls
    // a lock stale; the save must not wait for the clock to catch up.
    QTest::newRow("after the clock went back") << -20;
}

void SharedStoreTest::emptyLeftoverLockIsTakenOver()
{
    QFETCH(int, ageSeconds);

    // What a process killed while it created the lock leaves behind: a lock file that does
    // not name its owner, and that nobody holds any more.
    SessionModel store;
    QVERIFY(store.append(named(u"one"_s)));
    QFile lock(sessionsPath() + u".lock"_s);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    lock.close();

    QVERIFY2(store.append(named(u"two"_s)), qPrintable(store.errorString()));
    QCOMPARE(stored(), (QStringList{u"one/"_s, u"two/"_s}));
    QCOMPARE(dataDirEntries(), QStringList{u"sessions.json"_s});
}

QTEST_GUILESS_MAIN(SharedStoreTest)

#include "sharedstoretest.moc"
