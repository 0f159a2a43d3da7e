// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapmodel.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
// The four cells of a row as the table shows them.
QStringList shownRow(const LapModel &model, int row)
{
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column) {
        texts << model.data(model.index(row, column)).toString();
    }
    return texts;
}

Lap lapWithNote(int time, const QString &note)
{
    Lap lap(time);
    lap.setNote(note);
    return lap;
}

// Every announcement a model makes, in order.
class Announcements : public QObject
{
public:
    explicit Announcements(QAbstractItemModel *model)
    {
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            entries << u"reset"_s;
        });
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parent, int first, int last) {
            entries << u"insert %1-%2%3"_s.arg(first).arg(last).arg(parent.isValid() ? u" under a parent"_s : QString());
        });
        connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
            entries << u"changed %1,%2-%3,%4 roles %5"_s.arg(topLeft.row())
                           .arg(topLeft.column())
                           .arg(bottomRight.row())
                           .arg(bottomRight.column())
                           .arg(roles.size());
        });
    }
    QStringList entries;
};
}

class LapModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordsLapsWithTheirTexts();
    void earlierLapHasZeroLapTime();
    void appendKeepsNoteAndReformats();
    void blockOfLapsReadsAsLapsOneByOne_data();
    void blockOfLapsReadsAsLapsOneByOne();
    void timeFormatRebuildsRows();
    void timeFormatOnEmptyModelAnnouncesNothing();
    void sameTimeFormatLeavesRowsAlone();
    void clearAlwaysResets_data();
    void clearAlwaysResets();
    void setData_data();
    void setData();
    void data_data();
    void data();
    void lapRoleCarriesTheRecord();
    void headerData_data();
    void headerData();
    void flags_data();
    void flags();
    void columnForRole_data();
    void columnForRole();
    void shiftedLapsReadAsFreshlyTaken_data();
    void shiftedLapsReadAsFreshlyTaken();
};

void LapModelTest::recordsLapsWithTheirTexts()
{
    LapModel model;
    Announcements announcements(&model);
    QVERIFY(model.isEmpty());

    model.addLap(62'345);
    QVERIFY(!model.isEmpty());
    QCOMPARE(shownRow(model, 0), (QStringList{u"1"_s, u"01:02.34"_s, u"01:02.34"_s, QString()}));
    QCOMPARE(model.data(model.index(0, 0)), QVariant(1));

    model.addLap(90'000);
    QCOMPARE(model.rowCount(), 2);
    // A flat table: rows have no children.
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    QCOMPARE(shownRow(model, 1), (QStringList{u"2"_s, u"00:27.65"_s, u"01:30.00"_s, QString()}));
    QCOMPARE(announcements.entries, (QStringList{u"insert 0-0"_s, u"insert 1-1"_s}));
}

void LapModelTest::earlierLapHasZeroLapTime()
{
    LapModel model;
    model.append(Lap(60'000));
    model.append(Lap(30'000));
    QCOMPARE(shownRow(model, 1), (QStringList{u"2"_s, u"00:00.00"_s, u"00:30.00"_s, QString()}));
}

void LapModelTest::appendKeepsNoteAndReformats()
{
    LapModel model;
    Lap lap = lapWithNote(5678, u"kept"_s);
    lap.setRelativeTime(u"stale"_s);
    lap.setAbsoluteTime(u"stale"_s);
    model.append(lap);
    QCOMPARE(shownRow(model, 0), (QStringList{u"1"_s, u"00:05.67"_s, u"00:05.67"_s, u"kept"_s}));
}

void LapModelTest::blockOfLapsReadsAsLapsOneByOne_data()
{
    QTest::addColumn<QList<Lap>>("before");
    QTest::addColumn<QList<Lap>>("block");

    Lap stale = lapWithNote(40'000, u"kept"_s);
    stale.setRelativeTime(u"stale"_s);
    stale.setAbsoluteTime(u"stale"_s);
    const QList<Lap> block{Lap(12'005), stale, Lap(31'000), lapWithNote(62'345, u"last"_s)};
    QTest::newRow("into an empty model") << QList<Lap>{} << block;
    QTest::newRow("after laps, counted from the last of them") << QList<Lap>{Lap(10'000), Lap(11'000)} << block;
    QTest::newRow("a lap earlier than the last before it") << QList<Lap>{Lap(50'000)} << block;
    QTest::newRow("nothing to add") << QList<Lap>{Lap(10'000)} << QList<Lap>{};
}

// A block goes in as one insertion and reads exactly as the same laps taken one by one.
void LapModelTest::blockOfLapsReadsAsLapsOneByOne()
{
    QFETCH(QList<Lap>, before);
    QFETCH(QList<Lap>, block);

    LapModel oneByOne;
    LapModel atOnce;
    for (const Lap &lap : std::as_const(before)) {
        oneByOne.append(lap);
        atOnce.append(lap);
    }
    for (const Lap &lap : std::as_const(block)) {
        oneByOne.append(lap);
    }
    Announcements announcements(&atOnce);
    atOnce.appendLaps(block);

    const QStringList expected = block.isEmpty() ? QStringList() : QStringList{u"insert %1-%2"_s.arg(before.size()).arg(before.size() + block.size() - 1)};
    QCOMPARE(announcements.entries, expected);
    QCOMPARE(atOnce.rowCount(), oneByOne.rowCount());
    for (int row = 0; row < oneByOne.rowCount(); ++row) {
        QCOMPARE(shownRow(atOnce, row), shownRow(oneByOne, row));
        QCOMPARE(atOnce.sinceStart(row), oneByOne.sinceStart(row));
    }
    // Later laps follow on from the block.
    atOnce.addLap(120'000);
    oneByOne.addLap(120'000);
    QCOMPARE(shownRow(atOnce, atOnce.rowCount() - 1), shownRow(oneByOne, oneByOne.rowCount() - 1));
}

void LapModelTest::timeFormatRebuildsRows()
{
    LapModel model;
    model.append(lapWithNote(62'345, u"one"_s));
    model.append(lapWithNote(90'000, u"two"_s));
    model.append(lapWithNote(3'600'005, u"three"_s));

    Announcements announcements(&model);
    model.setTimeFormat(TimeFormat(true, true, TimeFormat::UpToMilliseconds));

    QCOMPARE(announcements.entries, (QStringList{u"reset"_s, u"insert 0-2"_s}));
    QCOMPARE(shownRow(model, 0), (QStringList{u"1"_s, u"00:01:02.345"_s, u"00:01:02.345"_s, u"one"_s}));
    QCOMPARE(shownRow(model, 1), (QStringList{u"2"_s, u"00:00:27.655"_s, u"00:01:30.000"_s, u"two"_s}));
    QCOMPARE(shownRow(model, 2), (QStringList{u"3"_s, u"00:58:30.005"_s, u"01:00:00.005"_s, u"three"_s}));

    // Later laps use the new format too.
    model.addLap(3'601'000);
    QCOMPARE(shownRow(model, 3), (QStringList{u"4"_s, u"00:00:00.995"_s, u"01:00:01.000"_s, QString()}));
}

void LapModelTest::timeFormatOnEmptyModelAnnouncesNothing()
{
    LapModel model;
    QSignalSpy aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    model.setTimeFormat(TimeFormat(false, false, TimeFormat::UpToTenths));
    QCOMPARE(aboutToReset.count(), 0);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(inserted.count(), 0);

    model.addLap(62'345);
    QCOMPARE(shownRow(model, 0).at(1), u"02.3"_s);
}

// Every settings change hands the model its format again; a table of many laps must not be
// rebuilt when the format stayed the same.
void LapModelTest::sameTimeFormatLeavesRowsAlone()
{
    LapModel model;
    const TimeFormat format(true, true, TimeFormat::UpToMilliseconds);
    model.setTimeFormat(format);
    model.append(lapWithNote(62'345, u"one"_s));
    model.append(lapWithNote(90'000, u"two"_s));

    Announcements announcements(&model);
    model.setTimeFormat(TimeFormat(true, true, TimeFormat::UpToMilliseconds));
    QCOMPARE(announcements.entries, QStringList());
    QCOMPARE(shownRow(model, 1), (QStringList{u"2"_s, u"00:00:27.655"_s, u"00:01:30.000"_s, u"two"_s}));

    // A different format still rewrites every row.
    model.setTimeFormat(TimeFormat(false, true, TimeFormat::UpToTenths));
    QCOMPARE(announcements.entries.constFirst(), u"reset"_s);
    QCOMPARE(shownRow(model, 1), (QStringList{u"2"_s, u"00:27.6"_s, u"01:30.0"_s, u"two"_s}));
}

void LapModelTest::clearAlwaysResets_data()
{
    QTest::addColumn<int>("laps");
    QTest::newRow("empty") << 0;
    QTest::newRow("two laps") << 2;
}

void LapModelTest::clearAlwaysResets()
{
    QFETCH(int, laps);
    LapModel model;
    for (int i = 0; i < laps; ++i) {
        model.addLap(i + 1 * 1000);
    }
    QSignalSpy aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    model.clear();
    QCOMPARE(aboutToReset.count(), 1);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.isEmpty());

    // Lap times start afresh after a clear.
    model.addLap(10'000);
    QCOMPARE(shownRow(model, 0), (QStringList{u"1"_s, u"00:10.00"_s, u"00:10.00"_s, QString()}));
}

void LapModelTest::setData_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("note, edit role") << 3 << int(Qt::EditRole) << QVariant(u"new note"_s) << true;
    QTest::newRow("note, same text again") << 3 << int(Qt::EditRole) << QVariant(u"old note"_s) << true;
    QTest::newRow("note, emptied") << 3 << int(Qt::EditRole) << QVariant(QString()) << true;
    QTest::newRow("note, number") << 3 << int(Qt::EditRole) << QVariant(42) << true;
    QTest::newRow("note, display role") << 3 << int(Qt::DisplayRole) << QVariant(u"new note"_s) << false;
    QTest::newRow("note, note role") << 3 << int(LapModel::NoteRole) << QVariant(u"new note"_s) << false;
    QTest::newRow("lap number") << 0 << int(Qt::EditRole) << QVariant(u"new note"_s) << false;
    QTest::newRow("lap time") << 1 << int(Qt::EditRole) << QVariant(u"new note"_s) << false;
    QTest::newRow("global time") << 2 << int(Qt::EditRole) << QVariant(u"new note"_s) << false;
}

void LapModelTest::setData()
{
    QFETCH(int, column);
    QFETCH(int, role);
    QFETCH(QVariant, value);
    QFETCH(bool, accepted);

    LapModel model;
    model.append(lapWithNote(1000, u"first"_s));
    model.append(lapWithNote(2000, u"old note"_s));
    const QStringList before = shownRow(model, 1);
    Announcements announcements(&model);
    QSignalSpy edited(&model, &LapModel::noteEdited);

    QCOMPARE(model.setData(model.index(1, column), value, role), accepted);
    // Only a note that reads differently is an edit the window must save.
    QCOMPARE(edited.size(), accepted && value.toString() != u"old note"_s ? 1 : 0);
    if (!edited.isEmpty()) {
        QCOMPARE(edited.first().first().toInt(), 1);
        // The note it replaced, for an undo.
        QCOMPARE(edited.first().at(1).toString(), u"old note"_s);
    }
    if (accepted) {
        // The roles are named: a note edit changes no time, so no figure needs computing anew.
        QCOMPARE(announcements.entries, QStringList{u"changed 1,%1-1,%1 roles 4"_s.arg(column)});
        QCOMPARE(model.data(model.index(1, 3)), QVariant(value.toString()));
    } else {
        QCOMPARE(announcements.entries, QStringList());
        QCOMPARE(shownRow(model, 1), before);
    }
    QCOMPARE(shownRow(model, 0).at(3), u"first"_s);
    QVERIFY(!model.setData(QModelIndex(), value, Qt::EditRole));
}

void LapModelTest::data_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("edit role, note column") << 1 << 3 << int(Qt::EditRole) << QVariant(u"second"_s);
    QTest::newRow("edit role, lap number") << 1 << 0 << int(Qt::EditRole) << QVariant();
    QTest::newRow("edit role, lap time") << 1 << 1 << int(Qt::EditRole) << QVariant();
    QTest::newRow("edit role, global time") << 1 << 2 << int(Qt::EditRole) << QVariant();
    QTest::newRow("display role, note") << 1 << 3 << int(Qt::DisplayRole) << QVariant(u"second"_s);
    QTest::newRow("lap number role, any column") << 1 << 2 << int(LapModel::LapNumberRole) << QVariant(2);
    QTest::newRow("lap time role") << 1 << 0 << int(LapModel::RelativeTimeRole) << QVariant(u"00:01.50"_s);
    QTest::newRow("global time role") << 1 << 0 << int(LapModel::AbsoluteTimeRole) << QVariant(u"00:03.00"_s);
    QTest::newRow("note role") << 0 << 0 << int(LapModel::NoteRole) << QVariant(u"first"_s);
    QTest::newRow("tool tip") << 1 << 3 << int(Qt::ToolTipRole) << QVariant();
    QTest::newRow("check state") << 1 << 0 << int(Qt::CheckStateRole) << QVariant();
    QTest::newRow("role past the table") << 1 << 0 << int(LapModel::LapRole) + 1 << QVariant();
    QTest::newRow("invalid index") << -1 << -1 << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("row past the end") << 2 << 0 << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("row past the end, lap role") << 2 << 0 << int(LapModel::LapRole) << QVariant();
}

void LapModelTest::data()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, role);
    QFETCH(QVariant, expected);

    LapModel model;
    const auto fill = [&model] {
        model.append(lapWithNote(1500, u"first"_s));
        model.append(lapWithNote(3000, u"second"_s));
    };

    QModelIndex index;
    if (row >= 2) {
        // An index handed out before the model lost that row.
        fill();
        model.addLap(4000);
        index = model.index(row, column);
        model.clear();
    }
    fill();
    if (row >= 0 && row < 2) {
        index = model.index(row, column);
    }
    QCOMPARE(index.isValid(), row >= 0);

    const QVariant actual = model.data(index, role);
    QCOMPARE(actual.isValid(), expected.isValid());
    QCOMPARE(actual, expected);
}

void LapModelTest::lapRoleCarriesTheRecord()
{
    LapModel model;
    model.addLap(1000);
    model.append(lapWithNote(62'345, u"note"_s));

    for (int column = 0; column < model.columnCount(); ++column) {
        const QVariant variant = model.data(model.index(1, column), LapModel::LapRole);
        QCOMPARE(variant.metaType(), QMetaType::fromType<Lap>());
        const Lap lap = variant.value<Lap>();
        QCOMPARE(lap.time(), 62'345);
        QCOMPARE(lap.relativeTime(), u"01:01.34"_s);
        QCOMPARE(lap.absoluteTime(), u"01:02.34"_s);
        QCOMPARE(lap.note(), u"note"_s);
    }
}

void LapModelTest::headerData_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("lap number") << 0 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant(u"Lap #"_s);
    QTest::newRow("lap time") << 1 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant(u"Lap Time"_s);
    QTest::newRow("global time") << 2 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant(u"Global Time"_s);
    QTest::newRow("note") << 3 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant(u"Note"_s);
    QTest::newRow("past the last column") << 4 << Qt::Horizontal << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("vertical") << 0 << Qt::Vertical << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("edit role") << 0 << Qt::Horizontal << int(Qt::EditRole) << QVariant();
    QTest::newRow("tool tip") << 1 << Qt::Horizontal << int(Qt::ToolTipRole) << QVariant();
}

void LapModelTest::headerData()
{
    QFETCH(int, section);
    QFETCH(Qt::Orientation, orientation);
    QFETCH(int, role);
    LapModel model;
    model.addLap(1000);
    QTEST(model.headerData(section, orientation, role), "expected");
}

void LapModelTest::flags_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editable");

    QTest::newRow("lap number") << 0 << false;
    QTest::newRow("lap time") << 1 << false;
    QTest::newRow("global time") << 2 << false;
    QTest::newRow("note") << 3 << true;
}

void LapModelTest::flags()
{
    QFETCH(int, column);
    QFETCH(bool, editable);
    LapModel model;
    model.addLap(1000);

    const Qt::ItemFlags plain = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    QCOMPARE(model.flags(model.index(0, column)), editable ? plain | Qt::ItemIsEditable : plain);
    QCOMPARE(model.flags(QModelIndex()), Qt::ItemIsEnabled);
}

void LapModelTest::columnForRole_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<int>("column");

    QTest::newRow("lap number") << int(LapModel::LapNumberRole) << 0;
    QTest::newRow("lap time") << int(LapModel::RelativeTimeRole) << 1;
    QTest::newRow("global time") << int(LapModel::AbsoluteTimeRole) << 2;
    QTest::newRow("note") << int(LapModel::NoteRole) << 3;
    QTest::newRow("whole lap") << int(LapModel::LapRole) << -1;
    QTest::newRow("display role") << int(Qt::DisplayRole) << -1;
    QTest::newRow("past the roles") << int(LapModel::LapRole) + 1 << -1;
}

void LapModelTest::columnForRole()
{
    QFETCH(int, role);
    QTEST(LapModel().columnForRole(role), "column");
}

void LapModelTest::shiftedLapsReadAsFreshlyTaken_data()
{
    QTest::addColumn<QList<int>>("shifts");
    QTest::addColumn<QString>("after");

    QTest::newRow("later") << QList<int>{60'000} << u"nothing"_s;
    QTest::newRow("earlier") << QList<int>{-1000} << u"nothing"_s;
    QTest::newRow("back and forth") << QList<int>{-1000, 3'600'000, -3'599'000} << u"nothing"_s;
    QTest::newRow("lap taken out") << QList<int>{60'000} << u"remove"_s;
    QTest::newRow("lap put back") << QList<int>{60'000} << u"insert"_s;
    QTest::newRow("lap taken") << QList<int>{60'000} << u"append"_s;
    QTest::newRow("new format") << QList<int>{60'000, 5} << u"format"_s;
}

// Moved laps read in every way as laps taken at their new times, whichever row is asked
// first and whatever the table does with them next.
void LapModelTest::shiftedLapsReadAsFreshlyTaken()
{
    QFETCH(QList<int>, shifts);
    QFETCH(QString, after);

    const QList<int> taken{1500, 62'001, 62'001, 50'000, 3'700'000};
    LapModel model;
    for (int row = 0; row < taken.size(); ++row) {
        model.append(lapWithNote(taken.at(row), u"note %1"_s.arg(row)));
    }
    // One row read before the shift, so that it holds a text formed earlier.
    QCOMPARE(model.data(model.index(3, 2)).toString(), u"00:50.00"_s);

    QSignalSpy shifted(&model, &LapModel::timesShifted);
    Announcements announcements(&model);
    int moved = 0;
    for (const int shift : std::as_const(shifts)) {
        model.shiftTimes(shift);
        moved += shift;
    }
    QCOMPARE(shifted.size(), shifts.size());
    QCOMPARE(shifted.constLast().constFirst().toInt(), shifts.constLast());
    // Only the two time columns change, and the lap analysis must hear that the times did.
    QCOMPARE(announcements.entries.constLast(), u"changed 0,1-4,2 roles 4"_s);

    QList<Lap> expected;
    for (int row = 0; row < taken.size(); ++row) {
        expected << lapWithNote(taken.at(row) + moved, u"note %1"_s.arg(row));
    }
    TimeFormat format = model.timeFormat();
    if (after == "remove"_L1) {
        const Lap removed = model.removeLap(2);
        QCOMPARE(removed.absoluteTime(), format.format(expected.at(2).time()));
        expected.removeAt(2);
    } else if (after == "insert"_L1) {
        const Lap back = lapWithNote(62'001 + moved, u"back"_s);
        model.insertLap(2, back);
        expected.insert(2, back);
    } else if (after == "append"_L1) {
        model.addLap(3'800'000 + moved);
        expected << Lap(3'800'000 + moved);
    } else if (after == "format"_L1) {
        format = TimeFormat(true, true, TimeFormat::UpToMilliseconds);
        model.setTimeFormat(format);
    }

    LapModel fresh;
    fresh.setTimeFormat(format);
    for (const Lap &lap : std::as_const(expected)) {
        fresh.append(lap);
    }
    QCOMPARE(model.rowCount(), fresh.rowCount());
    // From the last row up, so that no row is formed because an earlier one was asked for.
    for (int row = model.rowCount() - 1; row >= 0; --row) {
        QCOMPARE(shownRow(model, row), shownRow(fresh, row));
        const Lap lap = model.index(row, 0).data(LapModel::LapRole).value<Lap>();
        QCOMPARE(lap.time(), fresh.lap(row).time());
        QCOMPARE(lap.relativeTime(), fresh.lap(row).relativeTime());
        QCOMPARE(lap.absoluteTime(), fresh.lap(row).absoluteTime());
        QCOMPARE(model.lap(row).absoluteTime(), fresh.lap(row).absoluteTime());
        QCOMPARE(model.sinceStart(row), fresh.sinceStart(row));
    }
}

QTEST_GUILESS_MAIN(LapModelTest)

#include "lapmodeltest.moc"
