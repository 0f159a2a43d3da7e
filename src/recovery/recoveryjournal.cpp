// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "recoveryjournal.h"

#include "leftoverlock.h"
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
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto idKey = "RecoveryJournal";
const auto stateKey = "WindowState";

bool isJournalId(const QString &id)
{
    // Ids end up in file names; anything but the form they are made in could point elsewhere.
    return !QUuid::fromString(id).isNull() && QUuid::fromString(id).toString(QUuid::WithoutBraces) == id;
}

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

void RecoveryJournal::followChangesOf(Stopwatch *stopwatch, QAbstractItemModel *laps)
{
    // Connected after the window's own slots, so each write sees the state they have set.
    connect(stopwatch, &Stopwatch::running, this, &RecoveryJournal::scheduleWrite);
    connect(stopwatch, &Stopwatch::paused, this, &RecoveryJournal::scheduleWrite);
    connect(stopwatch, &Stopwatch::inactive, this, &RecoveryJournal::scheduleWrite);
    connect(laps, &QAbstractItemModel::rowsInserted, this, &RecoveryJournal::scheduleWrite);
    connect(laps, &QAbstractItemModel::rowsRemoved, this, &RecoveryJournal::scheduleWrite);
    connect(laps, &QAbstractItemModel::dataChanged, this, &RecoveryJournal::scheduleWrite);
    connect(laps, &QAbstractItemModel::modelReset, this, &RecoveryJournal::scheduleWrite);
    scheduleWrite();
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
        return;
    }
    const WindowSnapshot snapshot = stamped(m_state->snapshot());
    if (snapshot.state == Stopwatch::Inactive) {
        // A new or reset window has nothing to lose.
        if (QFile::exists(fileName()) && !QFile::remove(fileName())) {
            qWarning().nospace() << "cannot remove the recovery journal " << fileName();
        }
        Q_EMIT written();
        return;
    }

    const QByteArray bytes = serialized(snapshot);
    QSaveFile file(fileName());
    bool complete = false;
    QString failure;
    if (file.open(QIODevice::WriteOnly)) {
        if (file.write(bytes) == bytes.size()) {
            complete = file.commit();
            failure = file.errorString();
        } else {
            // A write cut short by a full disk need not set an error; the reason is read
            // before cancelling, which resets it.
            failure = file.error() != QFileDevice::NoError ? file.errorString() : i18n("Only part of it could be written.");
            file.cancelWriting();
        }
    } else {
        failure = file.errorString();
    }
    if (!complete) {
        reportWriteFailure(failure);
        return;
    }
    if (m_failureNotice) {
        m_failureNotice->animatedHide();
    }
    Q_EMIT written();
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
    if (m_lock && QFile::exists(fileName()) && !QFile::remove(fileName())) {
        qWarning().nospace() << "cannot remove the recovery journal " << fileName();
    }
}

void RecoveryJournal::adopt(const QString &id, std::unique_ptr<QLockFile> lock)
{
    if (m_lock) {
        QFile::remove(fileName());
        m_lock->unlock();
    }
    m_id = id;
    m_lock = std::move(lock);
    m_removed = false;
    if (m_failureNotice) {
        m_failureNotice->animatedHide();
    }
}

void RecoveryJournal::applyHeld(const WindowSnapshot &snapshot)
{
    // Resetting the window on the way runs the event loop; a write from the middle of it
    // would record an empty window and so remove the journal that is being recovered.
    m_holdWrites = true;
    m_state->applySnapshot(snapshot);
    m_holdWrites = false;
    write();
}

void RecoveryJournal::recover(const QString &id, std::unique_ptr<QLockFile> lock, const WindowSnapshot &snapshot)
{
    adopt(id, std::move(lock));
    const WindowSnapshot continued = snapshot.continuedAt(WindowSnapshot::currentBootId(), WindowSnapshot::monotonicNow());
    applyHeld(continued);
    showRecoveredNotice(snapshot, continued);
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
    connect(discard, &QAction::triggered, this, [this, notice] {
        applyHeld(WindowSnapshot());
        notice->animatedHide();
    });
    notice->addAction(discard);
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
    if (isJournalId(id)) {
        auto lock = lockFor(id);
        if (takeLock(*lock)) {
            adopt(id, std::move(lock));
        }
    }
    applyHeld(snapshot->continuedAt(WindowSnapshot::currentBootId(), WindowSnapshot::monotonicNow()));
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

QString RecoveryJournal::lockFileNameFor(const QString &id)
{
    return directory() + u'/' + id + u".lock"_s;
}

std::unique_ptr<QLockFile> RecoveryJournal::lockFor(const QString &id)
{
    auto lock = std::make_unique<QLockFile>(lockFileNameFor(id));
    // Only a dead owner makes a lock stale: a stopwatch may run for weeks.
    lock->setStaleLockTime(0);
    return lock;
}

bool RecoveryJournal::takeLock(QLockFile &lock)
{
    if (lock.tryLock(0)) {
        return true;
    }
    // Journal locks never age, so a leftover from a process killed while locking would
    // keep its journal from ever being recovered.
    return LeftoverLock::removeIfEmpty(lock) && lock.tryLock(0);
}

#include "moc_recoveryjournal.cpp"
