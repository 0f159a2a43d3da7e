// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "stopwatchcontrol.h"
#include "windowsnapshot.h"

#include <QPointer>

#include <optional>

class DisplayFeed;
class KXmlGuiWindow;
class LapModel;
class Stopwatch;
class WindowComparison;

/**
 * A main window's stopwatch as the control code sees it.
 *
 * Commands go through the window's own actions, so they obey the same GUI states as a
 * click: a disabled or hidden action refuses, and so does every action while the window
 * shows a dialog. The window's parts are held by guarded
 * pointers because the window deletes them before this child object.
 */
class WindowControl : public StopwatchControl
{
    Q_OBJECT

public:
    /**
     * @p store stores the times without asking: as a new session under the name it is
     * given, or over the stored session when the name is empty.
     */
    WindowControl(KXmlGuiWindow *window,
                  Stopwatch *stopwatch,
                  LapModel *lapModel,
                  DisplayFeed *displayFeed,
                  std::function<QString()> sessionName,
                  std::function<SaveResult(const QString &name)> store);

    [[nodiscard]] State state() const override;
    [[nodiscard]] int elapsedMilliseconds() const override;
    [[nodiscard]] int lapCount() const override;
    [[nodiscard]] QString sessionName() const override;
    [[nodiscard]] QString displayedTime() const override;
    [[nodiscard]] bool hasOpenDialog() const override;

    bool start() override;
    bool pause() override;
    bool reset() override;
    bool lap(const QString &note) override;
    SaveResult saveAs(const QString &name) override;
    SaveResult save() override;
    [[nodiscard]] QList<Lap> laps() const override;
    bool close() override;
    bool undo() override;
    bool redo() override;
    [[nodiscard]] QString comparison() const override;
    bool setComparison(const QString &name) override;
    [[nodiscard]] std::optional<qint64> difference() const override;

    /** The window's comparison, which the bus reads and chooses. */
    void setWindowComparison(WindowComparison *comparison);
    /** Hands the note being typed to the laps; run before the laps are dropped or stored. */
    void setNoteTaker(std::function<void()> takeNoteBeingTyped);

    /** A note being typed: the lap's row in the order taken, and the text so far. */
    struct TypedNote {
        int row = -1;
        QString text;
    };
    /**
     * Reads the note being typed without taking it from its editor: a script that only reads
     * the laps must not end the user's typing.
     */
    void setTypedNoteReader(std::function<std::optional<TypedNote>()> readTypedNote);

private:
    bool trigger(const QString &actionName);
    [[nodiscard]] bool isAvailable(const QString &actionName) const;
    // As the window's close question sees it.
    [[nodiscard]] bool holdsTimes() const;
    // Why the window cannot store its times now; empty when it can.
    [[nodiscard]] QString refusalToSave() const;
    void takeNoteBeingTyped() const;
    void slotLapStored();

    KXmlGuiWindow *m_window;
    QPointer<Stopwatch> m_stopwatch;
    QPointer<LapModel> m_lapModel;
    QPointer<DisplayFeed> m_displayFeed;
    std::function<QString()> m_sessionName;
    std::function<SaveResult(const QString &name)> m_store;
    QString m_pendingNote;
    QPointer<WindowComparison> m_comparison;
    std::function<void()> m_takeNoteBeingTyped;
    std::function<std::optional<TypedNote>()> m_readTypedNote;
};
