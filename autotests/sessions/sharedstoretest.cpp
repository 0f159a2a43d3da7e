// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionmodel.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Each name gets a date of its own, as sessions saved at different moments have.
Session named(const QString &name)
{
    const int seconds = int(qHash(name) % 86400);
    Session session(1000, QDateTime(QDate(2026, 5, 6), QTime(0, 0), QTimeZone::UTC).addSecs(seconds));
    session.setName(name);
    return session;
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

QStringList stored()
{
    QStringList result;
    const QJsonArray sessions = QJsonDocument::fromJson(contents(sessionsPath())).object().value(u"sessions"_s).toArray();
    for (const QJsonValue &session : sessions) {
        result << session[u"name"_s].toString() + u'/' + session[u"note"_s].toString();
    }
    return result;
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
    void vanishedFileIsWrittenFromTheRows();
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
    // x the note n, "a?" takes in what the file holds. A step that must be refused ends
    // with " refused"; every other step must succeed.
    QTest::addColumn<QStringList>("steps");
    // Name/note of every session, in file order.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("adds from both") << QStringList{u"a+one"_s, u"b+two"_s, u"a+three"_s, u"b+four"_s}
                                    << QStringList{u"one/"_s, u"two/"_s, u"three/"_s, u"four/"_s};
    QTest::newRow("remove while the other adds") << QStringList{u"a+one"_s, u"a+two"_s, u"b+three"_s, u"a-one"_s} << QStringList{u"two/"_s, u"three/"_s};
    QTest::newRow("rename while the other adds") << QStringList{u"a+one"_s, u"b+two"_s, u"a:one=uno"_s} << QStringList{u"uno/"_s, u"two/"_s};
    QTest::newRow("rename after the other removed a session")
        << QStringList{u"a+one"_s, u"a+two"_s, u"b?"_s, u"b-two"_s, u"a:one=uno"_s} << QStringList{u"uno/"_s};
    QTest::newRow("note after the other renamed the session")
        << QStringList{u"a+one"_s, u"b?"_s, u"b:one=uno"_s, u"a#one=windy"_s} << QStringList{u"uno/windy"_s};
    QTest::newRow("rename of a session removed elsewhere")
        << QStringList{u"a+one"_s, u"a+two"_s, u"b?"_s, u"a-one"_s, u"b:one=uno refused"_s} << QStringList{u"two/"_s};
    QTest::newRow("remove of a session removed elsewhere")
        << QStringList{u"a+one"_s, u"a+two"_s, u"b?"_s, u"a-two"_s, u"b-two"_s, u"b+three"_s} << QStringList{u"one/"_s, u"three/"_s};
    QTest::newRow("remove, then the other's rename of a later session")
        << QStringList{u"a+one"_s, u"a+two"_s, u"a+three"_s, u"b?"_s, u"a-one"_s, u"b:three=drei"_s, u"a#two=kept"_s} << QStringList{u"two/kept"_s, u"drei/"_s};
}

void SharedStoreTest::interleavedChangesAllSurvive()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);

    SessionModel a;
    SessionModel b;
    const QRegularExpression step(u"^([ab])(\\+|-|:|#|\\?)([^=]*)(?:=(.*?))?( refused)?$"_s);
    for (const QString &text : std::as_const(steps)) {
        const QRegularExpressionMatch match = step.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        SessionModel &store = match.captured(1) == u"a" ? a : b;
        const QString operation = match.captured(2);
        const QString name = match.captured(3);
        const bool refused = !match.captured(5).isEmpty();

        bool done = true;
        if (operation == u"+") {
            done = store.append(named(name));
        } else if (operation == u"?") {
            store.refresh();
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

void SharedStoreTest::emptyLeftoverLockIsTakenOver()
{
    // What a process killed while it created the lock leaves behind: a lock file that does
    // not name its owner, and that nobody holds any more.
    SessionModel store;
    QVERIFY(store.append(named(u"one"_s)));
    QVERIFY(writeFile(sessionsPath() + u".lock"_s, QByteArray()));
    QVERIFY(backdate(sessionsPath() + u".lock"_s));

    QVERIFY2(store.append(named(u"two"_s)), qPrintable(store.errorString()));
    QCOMPARE(stored(), (QStringList{u"one/"_s, u"two/"_s}));
    QCOMPARE(dataDirEntries(), QStringList{u"sessions.json"_s});
}

QTEST_GUILESS_MAIN(SharedStoreTest)

#include "sharedstoretest.moc"
