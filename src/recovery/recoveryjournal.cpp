// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "recoveryjournal.h"

#include "journalfiles.h"
#include "journalrecords.h"
#include "lapmodel.h"
#include "recoverablewindow.h"
#include "recoverynotice.h"
#include "stopwatch.h"
#include "windowsnapshot.h"

#include <KConfigGroup>
#include <KLocalizedString>
#include <KMainWindow>

#include <QAbstractItemModel>
#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QStandardPaths>
#include <QUndoStack>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto idKey = "RecoveryJournal";
const auto stateKey = "WindowState";

WindowSnapshot stamped(WindowSnapshot snapshot)
{
    snapshot.recordedAt = WindowSnapshot::monotonicNow();
    snapshot.bootId = WindowSnapshot::currentBootId();
    return snapshot;
}

QByteArray serialized(const WindowSnapshot &snapshot)
{
    QJsonObject json;
    snapshot.toJson(json);
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

// Records up to this size are always appended, however small the snapshot: below it a new
// snapshot would be written for every few changes.
constexpr qint64 minimumRecordSpace = 64 * 1024;
// More lap changes than this in one action (a new lap format, a window filled at once) are
// written as a new snapshot: it costs no more than the record would.
constexpr qsizetype maximumChanges = 64;
}

RecoveryJournal::RecoveryJournal(KMainWindow *window, RecoverableWindow *state)
    : QObject(window)
    , m_window(window)
    , m_state(state)
    , m_id(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QDir().mkpath(directory());
    m_lock = lockFor(m_id);
    if (!m_lock->tryLock(0)) {
        const QString reason = m_lock->error() == QLockFile::PermissionError ? i18n("Permission denied.") : i18n("The folder cannot be used.");
        m_lock.reset();
        reportWriteFailure(reason);
    }
    m_window->installEventFilter(this);
}

RecoveryJournal::~RecoveryJournal()
{
    // The journal itself stays: a window that did not close normally is recovered next time.
    if (m_lock) {
        m_lock->unlock();
    }
}

void RecoveryJournal::followChangesOf(Stopwatch *stopwatch, QAbstractItemModel *laps, QUndoStack *history)
{
    m_laps = laps;
    // Connected after the window's own slots, so each write sees the state they have set.
    connect(stopwatch, &Stopwatch::running, this, &RecoveryJournal::scheduleWrite);
    connect(stopwatch, &Stopwatch::paused, this, &RecoveryJournal::scheduleWrite);
    connect(stopwatch, &Stopwatch::inactive, this, &RecoveryJournal::scheduleWrite);
    // A time moved back or ahead changes no state; the record must still hold the new time.
    connect(stopwatch, &Stopwatch::adjusted, this, &RecoveryJournal::scheduleWrite);
    connect(laps, &QAbstractItemModel::rowsInserted, this, &RecoveryJournal::lapsInserted);
    connect(laps, &QAbstractItemModel::rowsRemoved, this, &RecoveryJournal::lapsRemoved);
    connect(laps, &QAbstractItemModel::dataChanged, this, &RecoveryJournal::lapsChanged);
    connect(laps, &QAbstractItemModel::modelReset, this, &RecoveryJournal::lapsReset);
    if (auto lapModel = qobject_cast<LapModel *>(laps)) {
        connect(lapModel, &LapModel::timesShifted, this, &RecoveryJournal::lapsShifted);
    }
    // Not done by the lap model today; were it, the order of the laps would be another.
    connect(laps, &QAbstractItemModel::rowsMoved, this, &RecoveryJournal::rewriteWhole);
    connect(laps, &QAbstractItemModel::layoutChanged, this, &RecoveryJournal::rewriteWhole);
    // Laps, notes, corrections and resets are all steps; a format shown anew or a pause is none.
    connect(history, &QUndoStack::indexChanged, this, &RecoveryJournal::withdrawDiscard);
    scheduleWrite();
}

void RecoveryJournal::recordChange()
{
    scheduleWrite();
}

bool RecoveryJournal::keepsChanges() const
{
    return m_lock && !m_removed && !m_rewriteWhole;
}

void RecoveryJournal::addChange(const QJsonObject &change)
{
    if (m_changes.size() >= maximumChanges) {
        rewriteWhole();
        return;
    }
    m_changes.append(change);
    scheduleWrite();
}

void RecoveryJournal::rewriteWhole()
{
    m_rewriteWhole = true;
    m_changes = QJsonArray();
    scheduleWrite();
}

void RecoveryJournal::lapsInserted(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid() || !keepsChanges()) {
        scheduleWrite();
        return;
    }
    if (last - first >= maximumChanges) {
        rewriteWhole();
        return;
    }
    QList<Lap> laps;
    for (int row = first; row <= last; ++row) {
        laps.append(m_laps->index(row, 0).data(LapModel::LapRole).value<Lap>());
    }
    addChange(JournalRecords::inserted(first, laps));
}

void RecoveryJournal::lapsRemoved(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid() || !keepsChanges()) {
        scheduleWrite();
        return;
    }
    addChange(JournalRecords::removed(first, last - first + 1));
}

void RecoveryJournal::lapsShifted(int milliseconds)
{
    m_shiftAnnounced = true;
    if (!keepsChanges()) {
        scheduleWrite();
        return;
    }
    addChange(JournalRecords::shifted(milliseconds));
}

void RecoveryJournal::lapsChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (std::exchange(m_shiftAnnounced, false) && topLeft.row() == 0 && bottomRight.row() == m_laps->rowCount() - 1) {
        scheduleWrite();
        return;
    }
    if (topLeft.parent().isValid() || !keepsChanges()) {
        scheduleWrite();
        return;
    }
    if (bottomRight.row() - topLeft.row() >= maximumChanges) {
        rewriteWhole();
        return;
    }
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        addChange(JournalRecords::replaced(row, m_laps->index(row, 0).data(LapModel::LapRole).value<Lap>()));
    }
}

void RecoveryJournal::lapsReset()
{
    if (!keepsChanges() || m_laps->rowCount() > 0) {
        rewriteWhole();
        return;
    }
    addChange(JournalRecords::cleared());
}

bool RecoveryJournal::eventFilter(QObject *watched, QEvent *event)
{
    // Saving and renaming show only here: they change the title or the modified mark.
    if (watched == m_window && (event->type() == QEvent::ModifiedChange || event->type() == QEvent::WindowTitleChange)) {
        scheduleWrite();
    }
    return QObject::eventFilter(watched, event);
}

void RecoveryJournal::scheduleWrite()
{
    // One user action emits several changes; they are written together once it is done.
    if (m_writePending) {
        return;
    }
    m_writePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_writePending && !m_holdWrites) {
                write();
            }
        },
        Qt::QueuedConnection);
}

void RecoveryJournal::flush()
{
    if (m_writePending) {
        write();
    }
}

void RecoveryJournal::write()
{
    m_writePending = false;
    if (m_removed || !m_lock) {
        m_changes = QJsonArray();
        return;
    }
    const WindowSnapshot state = stamped(m_state->snapshotWithoutLaps());
    if (!WindowSnapshot::holdsTimes(state.state, state.elapsed, m_laps ? m_laps->rowCount() : m_state->snapshot().laps.size())) {
        // A new or reset window has nothing to lose, nor has one paused at zero without laps.
        m_changes = QJsonArray();
        m_rewriteWhole = true;
        m_records.close();
        removeFiles();
        Q_EMIT written();
        return;
    }

    QString failure;
    bool complete = false;
    if (!m_rewriteWhole) {
        const QByteArray line = JournalRecords::line(JournalRecords::record(state, m_changes));
        // Past the snapshot's size, records take longer to read than a new snapshot to write;
        // growing with the laps, the limit keeps the share of snapshots per change constant.
        if (m_recordBytes + line.size() <= std::max(m_snapshotBytes, minimumRecordSpace)) {
            complete = append(line, &failure);
            if (!complete) {
                m_changes = QJsonArray();
                reportWriteFailure(failure);
                return;
            }
        }
    }
    m_changes = QJsonArray();
    if (!complete && !compact(&failure)) {
        reportWriteFailure(failure);
        return;
    }
    if (m_failureNotice) {
        m_failureNotice->animatedHide();
    }
    Q_EMIT written();
}

bool RecoveryJournal::append(const QByteArray &line, QString *failure)
{
    if (m_records.write(line) == line.size()) {
        if (JournalFiles::syncData(m_records.handle())) {
            m_recordBytes += line.size();
            return true;
        }
        *failure = qt_error_string(errno);
    } else {
        *failure = m_records.error() != QFileDevice::NoError ? m_records.errorString() : i18n("Only part of it could be written.");
    }
    // A cut-off line at the end is read as the trace of a kill; taken away, it cannot end up
    // between whole ones either. The change it held goes with the next snapshot.
    m_records.resize(m_recordBytes);
    m_records.close();
    m_rewriteWhole = true;
    return false;
}

bool RecoveryJournal::compact(QString *failure)
{
    // Whatever fails on the way, the next write starts over with a snapshot.
    m_rewriteWhole = true;
    m_records.close();

    const QString generation = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QJsonObject json;
    stamped(m_state->snapshot()).toJson(json);
    json[u"records"_s] = generation;
    const QByteArray snapshot = QJsonDocument(json).toJson(QJsonDocument::Compact);

    // The snapshot comes first: until the record file names it, the records beside it belong
    // to the old snapshot and are not read with the new one, which holds them already. A
    // kill at any point leaves either the old snapshot with its records or the new one.
    if (!JournalFiles::saveWhole(fileName(), snapshot, failure)) {
        return false;
    }
    JournalFiles::syncFolder(directory());

    const QByteArray header = JournalRecords::header(generation);
    QString recordsFailure;
    if (JournalFiles::saveWhole(recordsFileName(), header, &recordsFailure)) {
        JournalFiles::syncFolder(directory());
        m_records.setFileName(recordsFileName());
        if (m_records.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            m_snapshotBytes = snapshot.size();
            m_recordBytes = header.size();
            m_rewriteWhole = false;
            return true;
        }
        recordsFailure = m_records.errorString();
    }
    // The snapshot holds everything, so nothing is lost yet; changes are written as new
    // snapshots until the record file can be started.
    qWarning().nospace() << "cannot start the records of the recovery journal " << recordsFileName() << ": " << recordsFailure;
    return true;
}

void RecoveryJournal::removeFiles()
{
    // The snapshot first: records without their snapshot are never read, while a snapshot
    // left alone would bring back the window as it was before.
    JournalFiles::removeFile(fileName());
    JournalFiles::removeFile(recordsFileName());
}

void RecoveryJournal::reportWriteFailure(const QString &reason)
{
    qWarning().nospace() << "cannot write the recovery journal " << fileName() << ": " << reason;
    if (m_failureNotice) {
        return;
    }
    m_failureNotice =
        RecoveryNotice::show(m_window,
                             KMessageWidget::Warning,
                             xi18nc("@info",
                                    "The times in this window are not safe from an unexpected end of Tickwarden: <filename>%1</filename> cannot be written. %2",
                                    fileName(),
                                    reason));
}

void RecoveryJournal::remove()
{
    m_removed = true;
    m_writePending = false;
    m_changes = QJsonArray();
    m_records.close();
    if (m_lock) {
        removeFiles();
    }
}

void RecoveryJournal::adopt(const QString &id, std::unique_ptr<QLockFile> lock)
{
    m_records.close();
    if (m_lock) {
        removeFiles();
        m_lock->unlock();
    }
    m_id = id;
    m_lock = std::move(lock);
    m_removed = false;
    m_rewriteWhole = true;
    m_changes = QJsonArray();
    if (m_failureNotice) {
        m_failureNotice->animatedHide();
    }
}

void RecoveryJournal::restoreHeld(const WindowSnapshot &recorded)
{
    // Resetting the window on the way runs the event loop; a write from the middle of it
    // would record an empty window and so remove the journal that is being recovered.
    m_holdWrites = true;
    // What the window shows now is written whole, not as the changes that got it there.
    m_rewriteWhole = true;
    m_state->restoreRun(recorded);
    m_holdWrites = false;
    write();
}

void RecoveryJournal::recover(const QString &id, std::unique_ptr<QLockFile> lock, const WindowSnapshot &snapshot)
{
    adopt(id, std::move(lock));
    restoreHeld(snapshot);
    // Only which way it went on: the window counts the time since the recorded moment itself.
    showRecoveredNotice(snapshot, snapshot.continuedAt(WindowSnapshot::currentBootId(), WindowSnapshot::monotonicNow()));
}

void RecoveryJournal::showRecoveredNotice(const WindowSnapshot &recorded, const WindowSnapshot &continued)
{
    QString text;
    KMessageWidget::MessageType type = KMessageWidget::Information;
    if (recorded.state == Stopwatch::Running && continued.state == Stopwatch::Running) {
        text = i18nc("@info", "Tickwarden ended unexpectedly. The times of this window were recovered, and the stopwatch kept counting in the meantime.");
    } else if (recorded.state == Stopwatch::Running) {
        type = KMessageWidget::Warning;
        text = i18nc("@info",
                     "Tickwarden ended unexpectedly, and the computer was restarted since. The times of this window were recovered; the stopwatch "
                     "is paused at the last recorded time.");
    } else {
        text = i18nc("@info", "Tickwarden ended unexpectedly. The times of this window were recovered as they were last recorded.");
    }

    RecoveryNotice *notice = RecoveryNotice::show(m_window, type, text);
    auto discard = new QAction(QIcon::fromTheme(u"edit-delete"_s), i18nc("@action:button", "Discard"), notice);
    discard->setObjectName(u"discardRecovered"_s);
    connect(discard, &QAction::triggered, this, [this] {
        m_state->discardRun(i18nc("@action name of an undo step", "Discard Recovered Times"));
        // Dropped, or nothing left to drop: either way the offer is done with.
        withdrawDiscard();
    });
    notice->addAction(discard);
    m_recoveredNotice = notice;
}

void RecoveryJournal::withdrawDiscard()
{
    // Past this point Discard would drop work done since the recovery as well.
    const QPointer<RecoveryNotice> notice = std::exchange(m_recoveredNotice, nullptr);
    if (notice && !notice->isHideAnimationRunning()) {
        notice->animatedHide();
    }
}

void RecoveryJournal::saveProperties(KConfigGroup &group)
{
    flush();
    group.writeEntry(idKey, m_id);
    group.writeEntry(stateKey, QString::fromUtf8(serialized(stamped(m_state->snapshot()))));
}

void RecoveryJournal::readProperties(const KConfigGroup &group)
{
    const QJsonDocument document = QJsonDocument::fromJson(group.readEntry(stateKey, QString()).toUtf8());
    const std::optional<WindowSnapshot> snapshot = WindowSnapshot::fromJson(document.object());
    if (!snapshot) {
        qWarning() << "the window state saved at logout cannot be read; the window starts empty";
        return;
    }
    // The journal of the logged-out window belongs to this window now; left alone, it would
    // come back a second time as a window of an unexpected end.
    const QString id = group.readEntry(idKey, QString());
    if (JournalFiles::isJournalId(id)) {
        auto lock = lockFor(id);
        if (takeLock(*lock)) {
            adopt(id, std::move(lock));
        }
    }
    restoreHeld(*snapshot);
}

QString RecoveryJournal::id() const
{
    return m_id;
}

QString RecoveryJournal::fileName() const
{
    return fileNameFor(m_id);
}

QString RecoveryJournal::directory()
{
    return QStandardPaths::writableLocation(QStandardPaths::StateLocation) + u"/recovery"_s;
}

QString RecoveryJournal::fileNameFor(const QString &id)
{
    return directory() + u'/' + id + u".json"_s;
}

QString RecoveryJournal::recordsFileName() const
{
    return recordsFileNameFor(m_id);
}

QString RecoveryJournal::recordsFileNameFor(const QString &id)
{
    return directory() + u'/' + id + u".records"_s;
}

QString RecoveryJournal::lockFileNameFor(const QString &id)
{
    return directory() + u'/' + id + u".lock"_s;
}

std::optional<WindowSnapshot> RecoveryJournal::read(const QString &fileName, const QString &recordsFileName, QString *reason, QString *damagedFile)
{
    return JournalFiles::read(fileName, recordsFileName, reason, damagedFile);
}

std::unique_ptr<QLockFile> RecoveryJournal::lockFor(const QString &id)
{
    return JournalFiles::lockFor(lockFileNameFor(id));
}

bool RecoveryJournal::takeLock(QLockFile &lock)
{
    return JournalFiles::takeLock(lock);
}

#include "moc_recoveryjournal.cpp"
