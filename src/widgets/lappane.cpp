// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lappane.h"

#include "lapanalysismodel.h"
#include "lapchart.h"
#include "lapimporter.h"
#include "lapitemdelegate.h"
#include "lapmodel.h"
#include "lapsummary.h"
#include "laptabletext.h"
#include "livelapmodel.h"

#include <KLocalizedString>
#include <KMessageBox>

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

LapPane::LapPane(LapModel *model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_analysis(new LapAnalysisModel(this))
    , m_table(m_analysis)
    , m_sorted(new QSortFilterProxyModel(this))
    , m_live(new LiveLapModel(model, this))
    , m_view(new QTableView(this))
    , m_delegate(new LapItemDelegate(this))
{
    m_analysis->setSourceModel(m_model);
    m_sorted->setSourceModel(m_analysis);
    m_sorted->setSortRole(LapAnalysisModel::SortRole);
    // Above the sorting, so that the running lap never takes part in it; the view's sort
    // requests pass down to the sorted model.
    m_live->setSourceModel(m_sorted);

    m_view->setObjectName(u"lapView"_s);
    m_view->setModel(m_live);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setGridStyle(Qt::DotLine);
    m_view->verticalHeader()->hide();
    m_view->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Preferred);
    m_view->setItemDelegate(m_delegate);
    connect(m_delegate, &LapItemDelegate::editingChanged, this, [this](bool editing) {
        setLapShortcutsEnabled(!editing);
    });
    // Without this the header's default indicator would sort the laps newest first at
    // once; they stay in the order taken until the user clicks a column.
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);
    m_view->resizeColumnsToContents();
    // "Lap 12" with its icon is wider than the lap numbers the column was sized for; it is
    // widened when the running lap comes, never narrowed, so a width the user chose stays.
    connect(m_live, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        const int liveRow = m_live->liveRow();
        if (liveRow < first || liveRow > last) {
            return;
        }
        const int column = m_model->columnForRole(LapModel::LapNumberRole);
        const int wanted = static_cast<const QAbstractItemView *>(m_view)->sizeHintForColumn(column);
        if (wanted > m_view->columnWidth(column)) {
            m_view->setColumnWidth(column, wanted);
        }
    });

    m_summary = new LapSummary(m_analysis, this);
    connect(m_summary, &LapSummary::expandedChanged, this, &LapPane::summaryExpandedChanged);

    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_summary);
}

LapPane::~LapPane()
{
    // An editor still open ends only when the view goes, after this pane; the keys it
    // borrowed must not come back through a pane that is half gone.
    m_delegate->disconnect(this);
}

void LapPane::setLapAction(QAction *lapAction)
{
    m_lapAction = lapAction;
}

void LapPane::setLapShortcutsEnabled(bool enabled)
{
    if (!m_lapAction) {
        return;
    }
    // Only the active keys are lent to the editor: the user may have chosen other keys
    // than the defaults, and the shortcut dialog must still offer the defaults.
    if (!enabled) {
        if (!m_lentLapShortcuts) {
            m_lentLapShortcuts = m_lapAction->shortcuts();
            m_lapAction->setShortcuts({});
        }
        return;
    }
    if (m_lentLapShortcuts) {
        m_lapAction->setShortcuts(*m_lentLapShortcuts);
        m_lentLapShortcuts.reset();
    }
}

void LapPane::setLapsShown(bool shown)
{
    m_view->setVisible(shown);
    m_summary->setVisible(shown);
    updateRunningLapShown();
}

void LapPane::setRunningLap(RunningLap *runningLap)
{
    m_live->setRunningLap(runningLap);
}

void LapPane::setRunningLapShown(bool shown)
{
    m_runningLapShown = shown;
    updateRunningLapShown();
}

bool LapPane::isRunningLapShown() const
{
    return m_live->isEnabled();
}

void LapPane::updateRunningLapShown()
{
    // Without laps there is no table for the row, and it should cost no tick.
    m_live->setEnabled(m_runningLapShown && !m_view->isHidden());
}

void LapPane::setTime(int milliseconds)
{
    m_live->setTime(milliseconds);
}

bool LapPane::areLapsShown() const
{
    return !m_view->isHidden();
}

void LapPane::setSummaryExpanded(bool expanded)
{
    m_summary->setExpanded(expanded);
}

void LapPane::setFastestSlowestMarked(bool marked)
{
    m_analysis->setMarkingEnabled(marked);
}

void LapPane::setMeanDifferenceShown(bool shown)
{
    m_analysis->setMeanDifferenceShown(shown);
}

void LapPane::setColumnsShown(bool absoluteTimes, bool notes)
{
    m_view->setColumnHidden(m_model->columnForRole(LapModel::AbsoluteTimeRole), !absoluteTimes);
    m_live->setTotalShown(absoluteTimes);
    m_view->setColumnHidden(m_model->columnForRole(LapModel::NoteRole), !notes);
    stretchLapColumn();
}

void LapPane::stretchLapColumn()
{
    // Notes are the one column of free length; the times beside them, the difference to
    // the mean among them, have the width of their digits. Without notes the last column
    // takes the spare width, so that the table has no empty strip at its end.
    QHeaderView *header = m_view->horizontalHeader();
    const int noteColumn = m_model->columnForRole(LapModel::NoteRole);
    const bool notesShown = !m_view->isColumnHidden(noteColumn);
    header->setStretchLastSection(!notesShown);
    header->setSectionResizeMode(noteColumn, notesShown ? QHeaderView::Stretch : QHeaderView::Interactive);
}

LapItemDelegate *LapPane::noteDelegate() const
{
    return m_delegate;
}

QItemSelectionModel *LapPane::selectionModel() const
{
    return m_view->selectionModel();
}

void LapPane::addTableActions(const QList<QAction *> &actions)
{
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_view->addActions(actions);
}

LapAnalysisModel *LapPane::analysisModel() const
{
    return m_analysis;
}

void LapPane::setTableModel(QAbstractProxyModel *model)
{
    m_table = model;
    m_sorted->setSourceModel(model);
    stretchLapColumn();
}

void LapPane::addSummaryFigures(QWidget *figures)
{
    m_summary->addFigures(figures);
}

QWidget *LapPane::createChart(QWidget *parent) const
{
    return new LapChart(m_analysis, parent);
}

QSize LapPane::sizeForLaps(int laps, int noteCharacters) const
{
    const QHeaderView *header = m_view->horizontalHeader();
    const int frame = 2 * m_view->frameWidth();
    const int tableHeight = header->sizeHint().height() + laps * m_view->verticalHeader()->defaultSectionSize() + frame;
    int tableWidth = frame + noteCharacters * m_view->fontMetrics().averageCharWidth();
    for (int column = 0; column < m_view->model()->columnCount(); ++column) {
        if (!m_view->isColumnHidden(column)) {
            tableWidth += header->sectionSizeHint(column);
        }
    }
    const int summaryHeight = m_summary->isHidden() ? 0 : m_summary->sizeHint().height() + layout()->spacing();
    return {tableWidth, tableHeight + summaryHeight};
}

int LapPane::tableMinimumWidth() const
{
    return m_view->minimumSizeHint().width();
}

void LapPane::selectLastLap()
{
    // A new current row would close the note editor and give the rest of the typing to the
    // window's shortcuts. The lap may come from outside while a note is typed; the note
    // keeps the keyboard, and its row, wherever the new lap is put.
    if (m_delegate->isEditing()) {
        return;
    }
    // The newest lap is the model's last row, but the table shows it wherever its sorting
    // puts it.
    const QModelIndex newest = m_model->index(m_model->rowCount() - 1, 0);
    QModelIndex shown = m_analysis->mapFromSource(newest);
    if (m_table != m_analysis) {
        shown = m_table->mapFromSource(shown);
    }
    m_view->selectRow(m_live->mapFromSource(m_sorted->mapFromSource(shown)).row());
}

void LapPane::copyLaps()
{
    // The note being typed shows in the table; it belongs in the copy as well. The editor
    // leaves Ctrl+Shift+C to the window, so the command can come while it is open.
    m_delegate->commitOpenEditor();
    // Spreadsheets paste the tab-separated text as columns; the CSV is for those that ask for it.
    auto data = new QMimeData;
    data->setText(LapTableText::toTabSeparated(*m_model));
    data->setData(u"text/csv"_s, LapTableText::toCsv(*m_model).toUtf8());
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

void LapPane::askForLapsToImport()
{
    auto dialog = new QFileDialog(window());
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setWindowTitle(i18nc("@title:window", "Import Laps"));
    dialog->setMimeTypeFilters({u"application/json"_s, u"text/csv"_s});
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
            importLaps(dialog->selectedFiles().constFirst());
        }
        dialog->deleteLater();
    });
    dialog->open();
}

void LapPane::importLaps(const QString &fileName)
{
    const LapImporter::Result result = LapImporter::readFile(fileName);
    if (!result.error.isEmpty()) {
        qWarning() << "Could not import laps from" << fileName << ":" << result.error;
        KMessageBox::error(window(), xi18nc("@info", "Could not import laps from <filename>%1</filename>:<nl/>%2", fileName, result.error));
        return;
    }
    Q_EMIT lapsImported(result.laps, QFileInfo(fileName).completeBaseName());
}

#include "moc_lappane.cpp"
