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
#include <QJsonDocument>
#include <QJsonObject>
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

std::optional<WindowSnapshot> read(const QString &fileName, QString *reason)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        *reason = error.errorString();
        return std::nullopt;
    }
    auto snapshot = WindowSnapshot::fromJson(document.object());
    if (!snapshot) {
        *reason = i18n("The file does not hold the times of a window.");
    }
    return snapshot;
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
    const QStringList names = dir.entryList({u"*.json"_s, u"*.lock"_s}, QDir::Files | QDir::Hidden, QDir::Name);
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
        if (!QFileInfo::exists(fileName)) {
            // The owner ended between removing its journal and its lock.
            continue;
        }

        QString reason;
        std::optional<WindowSnapshot> snapshot = read(fileName, &reason);
        if (!snapshot) {
            const QString kept = keptAsideName(fileName);
            QFile file(fileName);
            if (file.rename(kept)) {
                qWarning().nospace() << "the recovery journal " << fileName << " cannot be read (" << reason << "); it is kept as " << kept;
                findings.problems << xi18nc("@info",
                                            "Times left behind by an unexpected end could not be read: %1 The file is kept as <filename>%2</filename>.",
                                            reason,
                                            kept);
            } else {
                qWarning().nospace() << "the recovery journal " << fileName << " cannot be read (" << reason << ") nor kept aside: " << file.errorString();
                findings.problems << xi18nc(
                    "@info",
                    "Times left behind by an unexpected end could not be read: %1 The file <filename>%2</filename> is left where it is.",
                    reason,
                    fileName);
            }
            continue;
        }
        if (snapshot->state == Stopwatch::Inactive) {
            QFile::remove(fileName);
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
