// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "stopwatchactions.h"

#include "lapmodel.h"
#include "stopwatch.h"

#include <KActionCollection>
#include <KLocalizedString>

#include <QAction>

using namespace Qt::Literals::StringLiterals;

StopwatchActions::StopwatchActions(Stopwatch *stopwatch, LapModel *laps, std::function<bool()> hasSession, KActionCollection *collection, QObject *parent)
    : QObject(parent)
    , m_stopwatch(stopwatch)
    , m_laps(laps)
    , m_hasSession(std::move(hasSession))
    , m_start(new QAction(this))
    , m_pause(new QAction(this))
    , m_reset(new QAction(this))
    , m_lap(new QAction(this))
    , m_export(new QAction(this))
{
    m_start->setIcon(QIcon::fromTheme(u"chronometer-start"_s));
    m_pause->setText(i18nc("@action", "&Pause"));
    m_pause->setIcon(QIcon::fromTheme(u"chronometer-pause"_s));
    m_reset->setText(i18nc("@action", "&Reset"));
    m_reset->setIcon(QIcon::fromTheme(u"chronometer-reset"_s));
    m_lap->setText(i18nc("@action", "&Lap"));
    m_lap->setIcon(QIcon::fromTheme(u"chronometer-lap"_s));
    m_export->setText(i18nc("@action:inmenu", "&Export Laps as..."));
    m_export->setIcon(QIcon::fromTheme(u"document-export"_s));

    collection->addAction(u"start"_s, m_start);
    collection->addAction(u"pause"_s, m_pause);
    collection->addAction(u"reset"_s, m_reset);
    collection->addAction(u"lap"_s, m_lap);
    collection->addAction(u"export_laps"_s, m_export);

    // Start and Pause share Space; the GUI states keep exactly one of them enabled.
    KActionCollection::setDefaultShortcut(m_start, Qt::Key_Space);
    KActionCollection::setDefaultShortcut(m_pause, Qt::Key_Space);
    KActionCollection::setDefaultShortcut(m_reset, Qt::Key_F5);
    collection->setDefaultShortcuts(m_lap, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});

    m_pause->setEnabled(false);

    connect(m_start, &QAction::triggered, m_stopwatch, &Stopwatch::start);
    connect(m_pause, &QAction::triggered, m_stopwatch, &Stopwatch::pause);
    connect(m_lap, &QAction::triggered, m_stopwatch, &Stopwatch::storeLap);

    connect(m_stopwatch, &Stopwatch::running, this, &StopwatchActions::showRunning);
    connect(m_stopwatch, &Stopwatch::paused, this, &StopwatchActions::showPaused);
    connect(m_stopwatch, &Stopwatch::inactive, this, &StopwatchActions::showInactive);
    connect(m_laps, &LapModel::noteEdited, this, &StopwatchActions::slotNoteEdited);
}

QAction *StopwatchActions::start() const
{
    return m_start;
}

QAction *StopwatchActions::pause() const
{
    return m_pause;
}

QAction *StopwatchActions::reset() const
{
    return m_reset;
}

QAction *StopwatchActions::lap() const
{
    return m_lap;
}

QAction *StopwatchActions::exportLaps() const
{
    return m_export;
}

void StopwatchActions::setLapsRecording(bool recording)
{
    m_lap->setVisible(recording);
    m_export->setVisible(recording);
}

void StopwatchActions::showRunning()
{
    Q_EMIT guiStateChanged(u"running"_s);
}

void StopwatchActions::showPaused()
{
    m_start->setText(i18nc("@action", "Re&sume"));
    Q_EMIT guiStateChanged(m_hasSession() ? u"pausedSession"_s : u"paused"_s);
    if (!m_laps->isEmpty()) {
        m_export->setEnabled(true);
    }
}

void StopwatchActions::showInactive()
{
    m_start->setText(i18nc("@action", "&Start"));
    Q_EMIT guiStateChanged(u"inactive"_s);
}

void StopwatchActions::slotNoteEdited()
{
    // The edit outdated the stored session, so Save has something to write again.
    if (m_stopwatch->isPaused() && m_hasSession()) {
        Q_EMIT guiStateChanged(u"pausedSession"_s);
    }
}

#include "moc_stopwatchactions.cpp"
