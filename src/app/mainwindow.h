// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "recoverablewindow.h"
#include "session.h"

#include <KXmlGuiWindow>

#include <QList>

class CompactView;
class ControlMenuButton;
class DisplayFeed;
class EditActions;
class LapAlerts;
class LapExporter;
class LapItemDelegate;
class LapModel;
class LapPane;
class RecoveryJournal;
class RunHistory;
class RunningLap;
class SaveErrorMessage;
class ScreenInhibitor;
class SessionModel;
class SessionWorkflow;
class Stopwatch;
class StopwatchActions;
class TimeDisplay;
class WindowComparison;
class WindowSettings;

/**
 * One stopwatch window. It places its parts and connects them; the work is theirs:
 * - Stopwatch keeps the time; its running()/paused()/inactive() signals are the only way
 *   the window changes its GUI state (which enables the actions) and screen inhibition.
 * - StopwatchActions holds Start, Pause, Reset, Lap and Export Laps and names the GUI state
 *   for each change of the stopwatch; the window only switches to it.
 * - SessionWorkflow owns the session the times belong to: title, modified mark, New, Open,
 *   Save, Save As, the question before closing, save failures (SaveErrorMessage) and the
 *   snapshot the recovery journal records.
 * - LapPane shows the laps (table, note editor, summary, chart, Copy and Import Laps);
 *   LapExporter writes them to files, and ControlMenuButton stands in for a hidden menu bar.
 * - CompactView shrinks the window to the digits and a row of buttons, and keeps it above
 *   others; LapAlerts tells through notifications of a lap past its target or a fastest lap.
 * - WindowControl lets the bus, the tray and global shortcuts drive the window's actions;
 *   RecoveryJournal records its times after every change, for a crash or a logout.
 *
 * Settings reach the window solely through loadSettings(), which every window runs again
 * after a change; WindowSettings brings them to the parts and opens the settings dialog.
 * The session store is shared by all windows and owned by the program entry.
 */
class MainWindow : public KXmlGuiWindow, public RecoverableWindow
{
    Q_OBJECT

public:
    MainWindow(SessionModel *sessionModel, QWidget *parent, const Session &session);
    ~MainWindow() override;

    void setTitle(const QString &title);

    void exportLapsAs(const QString &fileName, const QString &mimeType);

    /** Opens the laps of a lap export in a new window, or tells why it cannot. */
    void importLaps(const QString &fileName);
    /** Shows @p laps as an unsaved, paused run; meant for a new window. */
    void loadImportedLaps(const QList<Lap> &laps, const QString &title);

    /** Whether the window framework has stored a window size in the state file. */
    [[nodiscard]] bool isWindowSizeSaved() const;

    [[nodiscard]] WindowSnapshot snapshot() const override;
    [[nodiscard]] WindowSnapshot snapshotWithoutLaps() const override;
    void restoreRun(const WindowSnapshot &recorded) override;
    void applyHistoryStep(const WindowSnapshot &run) override;
    bool discardRun(const QString &text) override;

protected:
    bool queryClose() override;
    void closeEvent(QCloseEvent *event) override;
    void saveProperties(KConfigGroup &group) override;
    void readProperties(const KConfigGroup &group) override;

private Q_SLOTS:
    void slotPrepareForSleep(bool beforeSleep);
    void slotShowSettings();
    void slotWriteSettings();
    void slotCopyToClipboard();

private:
    void setupCentralWidget();
    void setupActions();
    void setupEditing();
    [[nodiscard]] QSize defaultSize() const;
    void loadSettings();

    Stopwatch *m_stopwatch = nullptr;
    TimeDisplay *m_timeDisplay = nullptr;
    RunningLap *m_runningLap = nullptr;
    DisplayFeed *m_displayFeed = nullptr;
    LapPane *m_lapPane = nullptr;
    LapExporter *m_lapExporter = nullptr;
    ControlMenuButton *m_controlMenuButton = nullptr;
    SaveErrorMessage *m_saveError = nullptr;
    StopwatchActions *m_stopwatchActions = nullptr;
    WindowSettings *m_settings = nullptr;
    LapModel *m_lapModel = nullptr;
    SessionModel *m_sessionModel = nullptr;
    SessionWorkflow *m_workflow = nullptr;
    WindowComparison *m_comparison = nullptr;
    ScreenInhibitor *m_screenInhibitor = nullptr;
    RecoveryJournal *m_journal = nullptr;
    RunHistory *m_history = nullptr;
    EditActions *m_editActions = nullptr;
    QWidget *m_display = nullptr;
    CompactView *m_compactView = nullptr;
    LapAlerts *m_lapAlerts = nullptr;
};
