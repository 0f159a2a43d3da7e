// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowrecovery.h"

#include "recoveryjournal.h"
#include "recoverynotice.h"

#include <KLocalizedString>
#include <KMainWindow>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace
{
// The same naming as for an unreadable sessions file, so that users find both alike.
QString keptAsideName(const QString &fileName)
{
    const QString stem = fileName + u".broken-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-hhmmss"_s);
    QString kept = stem;
    for (int n = 2; QFileInfo::exists(kept) || QFileInfo(kept).isSymLink(); ++n) {
        kept = stem + u'-' + QString::number(n);
    }
    return kept;
}

RecoveryJournal *journalOf(KMainWindow *window)
{
    return window->findChild<RecoveryJournal *>(QString(), Qt::FindDirectChildrenOnly);
}
}

WindowRecovery::Findings WindowRecovery::takeOverAbandoned()
{
    Findings findings;
    const QDir dir(RecoveryJournal::directory());
    QStringList ids;
    const QStringList names = dir.entryList({u"*.json"_s, u"*.records"_s, u"*.lock"_s}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        const QString id = QFileInfo(name).completeBaseName();
        if (!ids.contains(id)) {
            ids.append(id);
        }
    }

    for (const QString &id : std::as_const(ids)) {
        std::unique_ptr<QLockFile> lock = RecoveryJournal::lockFor(id);
        if (!RecoveryJournal::takeLock(*lock)) {
            // A living window's journal, in this process or another.
            continue;
        }
        const QString fileName = RecoveryJournal::fileNameFor(id);
        const QString recordsFileName = RecoveryJournal::recordsFileNameFor(id);
        if (!QFileInfo::exists(fileName)) {
            // The owner ended between removing its journal and its lock. Records without
            // their snapshot continue nothing.
            QFile::remove(recordsFileName);
            continue;
        }

        QString reason;
        QString damagedFile;
        std::optional<WindowSnapshot> snapshot = RecoveryJournal::read(fileName, recordsFileName, &reason, &damagedFile);
        if (!snapshot) {
            // Both files go aside together: the records mean nothing without their snapshot.
            QString keptDamaged;
            QString failure;
            for (const QString &name : {fileName, recordsFileName}) {
                if (!QFileInfo::exists(name)) {
                    continue;
                }
                const QString keptName = keptAsideName(name);
                QFile file(name);
                if (!file.rename(keptName)) {
                    failure = file.errorString();
                } else if (name == damagedFile) {
                    keptDamaged = keptName;
                }
            }
            if (failure.isEmpty() && !keptDamaged.isEmpty()) {
                qWarning().nospace() << "the recovery journal " << damagedFile << " cannot be read (" << reason << "); it is kept as " << keptDamaged;
                findings.problems << xi18nc("@info",
                                            "Times left behind by an unexpected end could not be read: %1 The file is kept as <filename>%2</filename>.",
                                            reason,
                                            keptDamaged);
            } else {
                qWarning().nospace() << "the recovery journal " << damagedFile << " cannot be read (" << reason << ") nor kept aside: " << failure;
                findings.problems << xi18nc(
                    "@info",
                    "Times left behind by an unexpected end could not be read: %1 The file <filename>%2</filename> is left where it is.",
                    reason,
                    damagedFile);
            }
            continue;
        }
        if (!snapshot->continuedAt(WindowSnapshot::currentBootId(), WindowSnapshot::monotonicNow()).holdsTimes()) {
            QFile::remove(fileName);
            QFile::remove(recordsFileName);
            continue;
        }
        findings.journals.push_back(Abandoned{id, std::move(lock), *snapshot});
    }
    return findings;
}

QList<KMainWindow *> WindowRecovery::restoreSavedWindows(const std::function<KMainWindow *()> &createWindow)
{
    // What kRestoreMainWindows() does, for a window that needs its session store.
    QList<KMainWindow *> windows;
    for (int n = 1; KMainWindow::canBeRestored(n); ++n) {
        KMainWindow *window = createWindow();
        // restore() answers false even when it did restore; a window whose state cannot
        // be read stays a fresh one, which is what a new start gives anyway.
        window->restore(n, false);
        window->show();
        windows << window;
    }
    return windows;
}

QList<KMainWindow *> WindowRecovery::reopenWindows(const std::function<KMainWindow *()> &createWindow)
{
    QList<KMainWindow *> windows;
    // Restored first, so that each takes back its own journal before the search below
    // would take it for the leftover of a crash.
    if (qApp->isSessionRestored()) {
        windows = restoreSavedWindows(createWindow);
    }

    Findings findings = takeOverAbandoned();
    for (Abandoned &abandoned : findings.journals) {
        KMainWindow *window = createWindow();
        journalOf(window)->recover(abandoned.id, std::move(abandoned.lock), abandoned.snapshot);
        window->show();
        windows << window;
    }

    if (windows.isEmpty()) {
        KMainWindow *window = createWindow();
        window->show();
        windows << window;
    }
    for (const QString &problem : std::as_const(findings.problems)) {
        RecoveryNotice::show(windows.constFirst(), KMessageWidget::Error, problem);
    }
    return windows;
}
