// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "recoverablewindow.h"
#include "session.h"
#include "stopwatchcontrol.h"

#include <KXmlGuiWindow>

#include <QKeySequence>
#include <QList>
#include <QPointer>

#include <memory>
#include <optional>

class EditActions;
class LapItemDelegate;
class LapAnalysisModel;
class LapModel;
class LapSummary;
class RecoveryJournal;
class RunHistory;
class QJsonObject;
class QMenu;
class QTableView;
class QTextStream;
class QTimer;
class QToolButton;
class SaveErrorMessage;
class ScreenInhibitor;
class SessionModel;
class Stopwatch;
class TimeDisplay;

/**
 * One stopwatch window.
 *
 * The stopwatch drives everything: its time() feeds the digit display, its lap() the lap
 * model, and its running()/paused()/inactive() signals are the only way the window changes
 * its GUI state (which enables the actions), title, modified mark and screen inhibition.
 * The actions only call the stopwatch's slots. Settings reach the window solely through
 * loadSettings(), which every window runs again after a change.
 *
 * The session store is shared by all windows and owned by the program entry. A
 * RecoveryJournal records the window's times after every change, for a crash or a logout.
 */
class MainWindow : public KXmlGuiWindow, public RecoverableWindow
{
    Q_OBJECT

public:
    MainWindow(SessionModel *sessionModel, QWidget *parent, const Session &session);
    ~MainWindow() override;

    /** With false, Return and Enter are left to a lap note editor instead of taking laps. */
    void setLapShortcutsEnabled(bool enabled);

    void setTitle(const QString &title);

    void exportLapsAs(const QString &fileName, const QString &mimeType);

    /** Opens the laps of a lap export in a new window, or tells why it cannot. */
    void importLaps(const QString &fileName);
    /** Shows @p laps as an unsaved, paused run; meant for a new window. */
    void loadImportedLaps(const QList<Lap> &laps, const QString &title);

    /** Whether the window framework has stored a window size in the state file. */
    [[nodiscard]] bool isWindowSizeSaved() const;

    /**
     * Stores the times without asking anything: as a new session named @p name, or with an
     * empty @p name over the session they were saved as (nothing is written when that is
     * up to date). Save and Save As end here, and so do saves from outside the window. A
     * failure shows in the window as well.
     */
    StopwatchControl::SaveResult storeSession(const QString &name);

    [[nodiscard]] WindowSnapshot snapshot() const override;
    [[nodiscard]] WindowSnapshot snapshotWithoutLaps() const override;
    void applySnapshot(const WindowSnapshot &snapshot) override;

protected:
    bool queryClose() override;
    void closeEvent(QCloseEvent *event) override;
    void saveProperties(KConfigGroup &group) override;
    void readProperties(const KConfigGroup &group) override;

private Q_SLOTS:
    void slotRunning();
    void slotPaused();
    void slotInactive();
    void slotPrepareForSleep(bool beforeSleep);
    void slotShowSettings();
    void slotWriteSettings();
    void slotUpdateLapDock();
    void slotNewSession();
    void slotOpenSession();
    void slotSaveSession();
    void slotSaveSessionAs();
    void slotExportLapsAs();
    void slotCopyToClipboard();
    void slotToggleMenuBar();
    void slotUpdateControlMenu();
    void slotToolBarUpdated();
    void slotLapNoteEdited();
    void slotCopyLaps();
    void slotImportLaps();

private:
    void setupCentralWidget();
    void setupActions();
    void setupEditing();
    void slotHistoryCleanChanged(bool clean);
    [[nodiscard]] QSize defaultSize() const;
    void loadSettings();
    void stretchLapColumn();
    void loadSession();
    void markSaved();
    void addLapsTo(Session &session) const;
    void exportLapsAsCsv(QTextStream &out) const;
    void exportLapsAsJson(QJsonObject &json) const;
    void setupControlMenuButton();
    bool addActionToMenu(QAction *action, QMenu *menu);
    void addSeparatorToMenu(QMenu *menu);

    bool m_startTimerImmediately = false;
    Stopwatch *m_stopwatch = nullptr;
    TimeDisplay *m_timeDisplay = nullptr;
    QTableView *m_lapView = nullptr;
    LapItemDelegate *m_lapDelegate = nullptr;
    SaveErrorMessage *m_saveError = nullptr;
    QAction *m_startAction = nullptr;
    QAction *m_pauseAction = nullptr;
    QAction *m_resetAction = nullptr;
    QAction *m_lapAction = nullptr;
    QAction *m_exportAction = nullptr;
    std::unique_ptr<QTimer> m_toolBarUpdateTimer;
    QPointer<QToolButton> m_controlMenuButton;
    QAction *m_toggleMenuBarAction = nullptr;
    LapModel *m_lapModel = nullptr;
    LapAnalysisModel *m_lapAnalysis = nullptr;
    LapSummary *m_lapSummary = nullptr;
    SessionModel *m_sessionModel = nullptr;
    Session m_session;
    // The Lap action's keys while a note editor has them.
    std::optional<QList<QKeySequence>> m_lentLapShortcuts;
    ScreenInhibitor *m_screenInhibitor = nullptr;
    RecoveryJournal *m_journal = nullptr;
    RunHistory *m_history = nullptr;
    EditActions *m_editActions = nullptr;
};
