// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lappane.h"
#include "dialoganswerer.h"
#include "lapexporter.h"
#include "lapitemdelegate.h"
#include "lapmodel.h"
#include "lapsummary.h"

#include <KLocalizedString>
#include <KStandardGuiItem>

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QList<QKeySequence> defaultLapKeys{QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};

// A pane as a window places it: over the window's lap model, with the Lap action on the
// same window, so that its keys reach it.
struct Fixture {
    Fixture()
        : pane(&model, nullptr)
    {
        lapAction.setShortcuts(defaultLapKeys);
        pane.addAction(&lapAction);
        pane.setLapAction(&lapAction);
        pane.setColumnsShown(true, true);
    }
    void take(const QList<int> &times, const QStringList &notes = {})
    {
        for (qsizetype i = 0; i < times.size(); ++i) {
            model.addLap(times.at(i));
            model.setData(model.index(model.rowCount() - 1, model.columnForRole(LapModel::NoteRole)), notes.value(i), Qt::EditRole);
        }
    }
    [[nodiscard]] QTableView *view() const
    {
        return pane.findChild<QTableView *>(u"lapView"_s);
    }
    [[nodiscard]] QLineEdit *openNoteEditor(int row) const
    {
        const QModelIndex index = view()->model()->index(row, model.columnForRole(LapModel::NoteRole));
        view()->setCurrentIndex(index);
        view()->edit(index);
        // A closed editor lingers until it is deleted; ask for the one open now.
        return qobject_cast<QLineEdit *>(view()->indexWidget(index));
    }
    [[nodiscard]] QString note(int row) const
    {
        return model.index(row, 0).data(LapModel::NoteRole).toString();
    }

    LapModel model;
    QAction lapAction{u"Lap"_s, nullptr};
    LapPane pane;
};
}

class LapPaneTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void noteEditorBorrowsTheLapKeys_data();
    void noteEditorBorrowsTheLapKeys();
    void lentKeysComeBackOnlyOnce();
    void spareWidthGoesToOneColumn_data();
    void spareWidthGoesToOneColumn();
    void sizeForLapsFollowsWhatIsShown();
    void newestLapIsSelectedWhateverTheSorting_data();
    void newestLapIsSelectedWhateverTheSorting();
    void copyLapsTakesTheNoteBeingTyped();
    void notesStayTextInSpreadsheets_data();
    void notesStayTextInSpreadsheets();
    void importHandsOnTheLapsOrSaysWhy_data();
    void importHandsOnTheLapsOrSaysWhy();
    void importAsksForAFile_data();
    void importAsksForAFile();
    void foldingTheSummaryIsPassedOn();

private:
    QTemporaryDir m_dir;
};

void LapPaneTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(m_dir.isValid());
}

void LapPaneTest::noteEditorBorrowsTheLapKeys_data()
{
    QTest::addColumn<QList<QKeySequence>>("chosen");
    // How the editor ends: a key pressed in it, or "reset" for the lap model emptied under it.
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("note");

    const QList<QKeySequence> own{QKeySequence(Qt::CTRL | Qt::Key_L)};
    QTest::newRow("Return commits") << defaultLapKeys << u"Return"_s << u"uphill"_s;
    QTest::newRow("keypad Enter commits") << defaultLapKeys << u"Enter"_s << u"uphill"_s;
    QTest::newRow("Escape cancels") << defaultLapKeys << u"Escape"_s << QString();
    QTest::newRow("laps cleared under the editor") << defaultLapKeys << u"reset"_s << QString();
    QTest::newRow("own key, Return commits") << own << u"Return"_s << u"uphill"_s;
    QTest::newRow("no key at all") << QList<QKeySequence>{} << u"Escape"_s << QString();
}

void LapPaneTest::noteEditorBorrowsTheLapKeys()
{
    QFETCH(QList<QKeySequence>, chosen);
    QFETCH(QString, end);
    QFETCH(QString, note);

    Fixture laps;
    laps.take({1000});
    laps.lapAction.setShortcuts(chosen);
    laps.pane.show();
    QVERIFY(QTest::qWaitForWindowActive(&laps.pane));
    QSignalSpy lapsTaken(&laps.lapAction, &QAction::triggered);

    QLineEdit *editor = laps.openNoteEditor(0);
    QVERIFY(editor);
    QVERIFY(laps.lapAction.shortcuts().isEmpty());
    QTest::keyClicks(editor, u"uphill"_s);

    if (end == u"reset") {
        laps.model.clear();
    } else {
        QTest::keyClick(editor, end == u"Return" ? Qt::Key_Return : end == u"Enter" ? Qt::Key_Enter : Qt::Key_Escape);
    }
    QTRY_COMPARE(laps.lapAction.shortcuts(), chosen);
    QCOMPARE(lapsTaken.count(), 0);
    if (laps.model.rowCount() > 0) {
        QCOMPARE(laps.note(0), note);
    }

    // The editor gave the keys back: they take laps again.
    if (chosen.contains(QKeySequence(Qt::Key_Return))) {
        QTest::keyClick(&laps.pane, Qt::Key_Return);
        QCOMPARE(lapsTaken.count(), 1);
    }
}

void LapPaneTest::lentKeysComeBackOnlyOnce()
{
    Fixture laps;
    // Two editors may overlap for a moment: the second must not take the first one's empty
    // stand-in for the user's keys.
    laps.pane.setLapShortcutsEnabled(false);
    laps.pane.setLapShortcutsEnabled(false);
    QVERIFY(laps.lapAction.shortcuts().isEmpty());
    laps.pane.setLapShortcutsEnabled(true);
    QCOMPARE(laps.lapAction.shortcuts(), defaultLapKeys);

    // Keys the user chooses afterwards are not overwritten by a late hand-back.
    const QList<QKeySequence> chosen{QKeySequence(Qt::Key_L)};
    laps.lapAction.setShortcuts(chosen);
    laps.pane.setLapShortcutsEnabled(true);
    QCOMPARE(laps.lapAction.shortcuts(), chosen);
}

void LapPaneTest::spareWidthGoesToOneColumn_data()
{
    QTest::addColumn<bool>("absoluteTimes");
    QTest::addColumn<bool>("notes");
    QTest::addColumn<bool>("meanDifference");
    // The lap model's role of the column that grows; -1 for the last shown column.
    QTest::addColumn<int>("growing");

    QTest::newRow("all columns") << true << true << true << int(LapModel::NoteRole);
    QTest::newRow("no difference to the mean") << true << true << false << int(LapModel::NoteRole);
    QTest::newRow("no times since the start") << false << true << false << int(LapModel::NoteRole);
    QTest::newRow("no notes") << true << false << false << -1;
    QTest::newRow("no notes, difference to the mean") << true << false << true << -1;
}

void LapPaneTest::spareWidthGoesToOneColumn()
{
    QFETCH(bool, absoluteTimes);
    QFETCH(bool, notes);
    QFETCH(bool, meanDifference);
    QFETCH(int, growing);

    Fixture laps;
    laps.pane.setMeanDifferenceShown(meanDifference);
    laps.pane.setColumnsShown(absoluteTimes, notes);
    laps.take({1000, 3000}, {u"easy"_s});
    laps.pane.resize(500, 300);
    laps.pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&laps.pane));

    QTableView *view = laps.view();
    QHeaderView *header = view->horizontalHeader();
    QCOMPARE(view->isColumnHidden(laps.model.columnForRole(LapModel::AbsoluteTimeRole)), !absoluteTimes);
    QCOMPARE(view->isColumnHidden(laps.model.columnForRole(LapModel::NoteRole)), !notes);
    int grows = growing < 0 ? header->count() - 1 : laps.model.columnForRole(growing);
    while (view->isColumnHidden(grows)) {
        --grows;
    }
    const auto widths = [view, header] {
        QList<int> result;
        for (int column = 0; column < header->count(); ++column) {
            result << (view->isColumnHidden(column) ? 0 : header->sectionSize(column));
        }
        return result;
    };

    QTRY_COMPARE(header->length(), view->viewport()->width());
    const QList<int> before = widths();
    laps.pane.resize(800, 300);
    QTRY_VERIFY(view->viewport()->width() > before.at(grows));
    QTRY_COMPARE(header->length(), view->viewport()->width());
    const QList<int> after = widths();
    for (int column = 0; column < after.size(); ++column) {
        if (column == grows) {
            QVERIFY2(after.at(column) > before.at(column), qPrintable(u"column %1"_s.arg(column)));
        } else {
            QVERIFY2(after.at(column) == before.at(column), qPrintable(u"column %1"_s.arg(column)));
        }
    }
}

void LapPaneTest::sizeForLapsFollowsWhatIsShown()
{
    Fixture laps;
    const int rowHeight = laps.view()->verticalHeader()->defaultSectionSize();
    const QSize six = laps.pane.sizeForLaps(6, 24);
    QCOMPARE(laps.pane.sizeForLaps(2, 24).height(), six.height() - 4 * rowHeight);
    QCOMPARE(laps.pane.sizeForLaps(6, 34).width(), six.width() + 10 * laps.view()->fontMetrics().averageCharWidth());

    const int noteWidth = laps.view()->horizontalHeader()->sectionSizeHint(laps.model.columnForRole(LapModel::NoteRole));
    laps.pane.setColumnsShown(true, false);
    QCOMPARE(laps.pane.sizeForLaps(6, 24).width(), six.width() - noteWidth);

    // The summary below the table counts only while it is there.
    const int summaryHeight = laps.pane.findChild<LapSummary *>()->sizeHint().height();
    QVERIFY(laps.pane.areLapsShown());
    laps.pane.setLapsShown(false);
    QVERIFY(!laps.pane.areLapsShown());
    QVERIFY(laps.view()->isHidden());
    QVERIFY(laps.pane.findChild<LapSummary *>()->isHidden());
    QCOMPARE(laps.pane.sizeForLaps(6, 24).height(), six.height() - summaryHeight - laps.pane.layout()->spacing());
}

void LapPaneTest::newestLapIsSelectedWhateverTheSorting_data()
{
    QTest::addColumn<int>("sortRole");
    QTest::addColumn<int>("order");

    QTest::newRow("order taken") << -1 << int(Qt::AscendingOrder);
    QTest::newRow("by lap time, fastest first") << int(LapModel::RelativeTimeRole) << int(Qt::AscendingOrder);
    QTest::newRow("newest first") << int(LapModel::LapNumberRole) << int(Qt::DescendingOrder);
    QTest::newRow("by note") << int(LapModel::NoteRole) << int(Qt::AscendingOrder);
}

void LapPaneTest::newestLapIsSelectedWhateverTheSorting()
{
    QFETCH(int, sortRole);
    QFETCH(int, order);

    Fixture laps;
    laps.take({1000, 5000, 6000}, {u"b"_s, u"c"_s, u"a"_s});
    if (sortRole >= 0) {
        laps.view()->sortByColumn(laps.model.columnForRole(sortRole), Qt::SortOrder(order));
    }
    // The newest lap is the slowest one, sorts first by its note, and is neither first nor
    // last in the order taken once sorted by lap time.
    laps.model.addLap(8000);
    laps.model.setData(laps.model.index(3, laps.model.columnForRole(LapModel::NoteRole)), u"0"_s, Qt::EditRole);
    laps.pane.selectLastLap();

    const QModelIndexList rows = laps.view()->selectionModel()->selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.constFirst().data(LapModel::LapNumberRole), QVariant(4));
    QCOMPARE(laps.view()->currentIndex().row(), rows.constFirst().row());
}

void LapPaneTest::copyLapsTakesTheNoteBeingTyped()
{
    Fixture laps;
    laps.take({1500, 62000}, {QString(), u"tab\there"_s});
    laps.pane.show();
    QVERIFY(QTest::qWaitForWindowActive(&laps.pane));
    QLineEdit *editor = laps.openNoteEditor(0);
    QVERIFY(editor);
    QTest::keyClicks(editor, u"say \"hi\""_s);

    // The window's Copy Laps command, by its keys, which the note editor leaves alone.
    QAction copyLaps(u"Copy Laps"_s, nullptr);
    copyLaps.setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    laps.pane.addAction(&copyLaps);
    connect(&copyLaps, &QAction::triggered, &laps.pane, &LapPane::copyLaps);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);

    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QVERIFY(data);
    QCOMPARE(data->text(),
             u"Lap #\tLap Time\tGlobal Time\tNote\n"
             "1\t00:01.50\t00:01.50\t\"say \"\"hi\"\"\"\n"
             "2\t01:00.50\t01:02.00\t\"tab\there\"\n"_s);
    QCOMPARE(QString::fromUtf8(data->data(u"text/csv"_s)),
             u"Lap #,Lap Time,Global Time,Note\r\n"
             "1,00:01.50,00:01.50,\"say \"\"hi\"\"\"\r\n"
             "2,01:00.50,01:02.00,tab\there\r\n"_s);
    // The note went to the model, and the editor handed the keys back.
    QCOMPARE(laps.note(0), u"say \"hi\""_s);
    QTRY_COMPARE(laps.lapAction.shortcuts(), defaultLapKeys);
}

void LapPaneTest::notesStayTextInSpreadsheets_data()
{
    QTest::addColumn<QString>("note");
    // The note's field in a CSV line, and in a tab-separated one.
    QTest::addColumn<QString>("csvField");
    QTest::addColumn<QString>("tabField");

    QTest::newRow("sum") << u"=SUM(A1:A9)"_s << u"'=SUM(A1:A9)"_s << u"'=SUM(A1:A9)"_s;
    QTest::newRow("plus") << u"+1"_s << u"'+1"_s << u"'+1"_s;
    QTest::newRow("minus") << u"-2"_s << u"'-2"_s << u"'-2"_s;
    QTest::newRow("at") << u"@x"_s << u"'@x"_s << u"'@x"_s;
    QTest::newRow("formula with a separator") << u"=1,2"_s << u"\"'=1,2\""_s << u"'=1,2"_s;
    QTest::newRow("formula with quotes") << u"=\"a\"&1"_s << u"\"'=\"\"a\"\"&1\""_s << u"\"'=\"\"a\"\"&1\""_s;
    QTest::newRow("formula after a tab") << u"\t=1"_s << u"'\t=1"_s << u"\"'\t=1\""_s;
    QTest::newRow("plain") << u"easy pace"_s << u"easy pace"_s << u"easy pace"_s;
    QTest::newRow("minus inside") << u"5 - 3"_s << u"5 - 3"_s << u"5 - 3"_s;
    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("quote") << u"say \"go\""_s << u"\"say \"\"go\"\"\""_s << u"\"say \"\"go\"\"\""_s;
    // A note's own apostrophe is not the one added for a formula, before one or not.
    QTest::newRow("own apostrophe") << u"'til the end"_s << u"'til the end"_s << u"'til the end"_s;
    QTest::newRow("own apostrophe before a formula") << u"'=x"_s << u"''=x"_s << u"''=x"_s;
}

void LapPaneTest::notesStayTextInSpreadsheets()
{
    QFETCH(QString, note);
    QFETCH(QString, csvField);
    QFETCH(QString, tabField);

    // Hours and milliseconds, so that Import Laps reads the CSV back.
    Fixture laps;
    laps.model.setTimeFormat(TimeFormat(true, true, TimeFormat::UpToMilliseconds));
    laps.take({1500}, {note});
    const QString times = u"00:00:01.500"_s;

    laps.pane.copyLaps();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QVERIFY(data);
    const QString csvRow = u"1,"_s + times + u',' + times + u',' + csvField + u"\r\n"_s;
    const QString copied = QString::fromUtf8(data->data(u"text/csv"_s));
    QVERIFY2(copied.endsWith(u"\r\n"_s + csvRow), qPrintable(copied));
    const QString tabRow = u"1\t"_s + times + u'\t' + times + u'\t' + tabField + u'\n';
    QVERIFY2(data->text().endsWith(u'\n' + tabRow), qPrintable(data->text()));

    // The export writes the same rows, and Import Laps gives the note back as it was.
    const QString path = m_dir.filePath(u"notes.csv"_s);
    LapExporter exporter(&laps.model, nullptr);
    exporter.exportLapsAs(path, u"text/csv"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString exported = QString::fromUtf8(file.readAll());
    QVERIFY2(exported.endsWith(u"Note\r\n"_s + csvRow), qPrintable(exported));

    QSignalSpy imported(&laps.pane, &LapPane::lapsImported);
    laps.pane.importLaps(path);
    QCOMPARE(imported.count(), 1);
    const auto importedLaps = imported.constFirst().at(0).value<QList<Lap>>();
    QCOMPARE(importedLaps.size(), 1);
    QCOMPARE(importedLaps.constFirst().note(), note);
}

void LapPaneTest::importHandsOnTheLapsOrSaysWhy_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<int>>("times");
    // A part of the message when the laps cannot be read.
    QTest::addColumn<QString>("error");

    QTest::newRow("json") << u"morning run.json"_s << QByteArray(R"({"laps": [{"time": 4000, "note": "x"}, {"time": 9000}]})") << QList<int>{4000, 9000}
                          << QString();
    QTest::newRow("two dots in the name") << u"run.2026.json"_s << QByteArray(R"({"laps": [{"time": 61000}]})") << QList<int>{61000} << QString();
    QTest::newRow("laps out of order") << u"bad.json"_s << QByteArray(R"({"laps": [{"time": 5000}, {"time": 4000}]})") << QList<int>{} << u"Lap 2 is earlier"_s;
    QTest::newRow("missing file") << u"gone.json"_s << QByteArray() << QList<int>{} << u"could not be opened"_s;
}

void LapPaneTest::importHandsOnTheLapsOrSaysWhy()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QList<int>, times);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    Fixture laps;
    QSignalSpy imported(&laps.pane, &LapPane::lapsImported);
    std::optional<DialogAnswerer> answerer;
    if (!error.isEmpty()) {
        answerer.emplace(buttonText(KStandardGuiItem::ok()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Could not import laps from "_s));
    }

    laps.pane.importLaps(path);

    if (!error.isEmpty()) {
        QVERIFY(answerer->answered());
        const QString said = answerer->texts().join(u' ');
        QVERIFY2(said.contains(fileName) && said.contains(error), qPrintable(said));
        QCOMPARE(imported.count(), 0);
        return;
    }
    QCOMPARE(imported.count(), 1);
    QList<int> read;
    const auto importedLaps = imported.constFirst().at(0).value<QList<Lap>>();
    for (const Lap &lap : importedLaps) {
        read << lap.time();
    }
    QCOMPARE(read, times);
    QCOMPARE(imported.constFirst().at(1).toString(), QFileInfo(fileName).completeBaseName());
    // The pane only reads: its own laps stay as they are.
    QCOMPARE(laps.model.rowCount(), 0);
}

void LapPaneTest::importAsksForAFile_data()
{
    QTest::addColumn<bool>("accept");

    QTest::newRow("file chosen") << true;
    QTest::newRow("cancelled") << false;
}

void LapPaneTest::importAsksForAFile()
{
    QFETCH(bool, accept);

    Fixture source;
    source.take({1000, 2500});
    const QString path = m_dir.filePath(u"chosen.json"_s);
    LapExporter exporter(&source.model, nullptr);
    exporter.exportLapsAs(path, u"application/json"_s);

    Fixture laps;
    laps.pane.show();
    QSignalSpy imported(&laps.pane, &LapPane::lapsImported);
    laps.pane.askForLapsToImport();
    QFileDialog *dialog = laps.pane.findChild<QFileDialog *>();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), u"Import Laps"_s);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(dialog->mimeTypeFilters(), (QStringList{u"application/json"_s, u"text/csv"_s}));
    QVERIFY(dialog->isVisible());

    if (accept) {
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    } else {
        dialog->reject();
    }
    QCOMPARE(imported.count(), accept ? 1 : 0);
    QPointer<QFileDialog> gone = dialog;
    QTRY_VERIFY(!gone);
    if (accept) {
        QCOMPARE(imported.constFirst().at(0).value<QList<Lap>>().size(), 2);
        QCOMPARE(imported.constFirst().at(1).toString(), u"chosen"_s);
    }
}

void LapPaneTest::foldingTheSummaryIsPassedOn()
{
    Fixture laps;
    laps.pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&laps.pane));
    QSignalSpy folded(&laps.pane, &LapPane::summaryExpandedChanged);
    QTest::mouseClick(laps.pane.findChild<QToolButton *>(u"lapSummaryToggle"_s), Qt::LeftButton);
    QCOMPARE(folded.count(), 1);
    QCOMPARE(folded.constFirst().at(0).toBool(), false);

    laps.pane.setSummaryExpanded(true);
    QCOMPARE(folded.count(), 2);
    QVERIFY(laps.pane.findChild<LapSummary *>()->isExpanded());
}

QTEST_MAIN(LapPaneTest)

#include "lappanetest.moc"
