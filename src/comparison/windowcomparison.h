// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "comparisonchoice.h"

#include <QObject>
#include <QPointer>

#include <optional>

class ActivityRuns;
class ComparisonSummary;
class KActionCollection;
class KSelectAction;
class LapAnalysisModel;
class LapComparisonModel;
class LiveDifference;
class RunComparison;
class Session;
class SessionModel;
class QWidget;

/**
 * A window's comparison with earlier runs: the Compare With choice in the View menu, the
 * stored runs of the window's session name, and the parts that show the comparison (the
 * lap table's columns, the live difference and the summary figures), which the window
 * places.
 *
 * The choice belongs to the session: it comes with setSession() and goes into the session
 * with choice(); a change by the user says choiceChanged(), as an edit would.
 */
class WindowComparison : public QObject
{
    Q_OBJECT

public:
    WindowComparison(SessionModel *sessions, LapAnalysisModel *laps, KActionCollection *actions, QWidget *window);
    ~WindowComparison() override;

    /** Follows the session the window shows now: its name, its id and its choice. */
    void setSession(const Session &session);
    [[nodiscard]] ComparisonChoice choice() const;

    /** Chooses without asking; a chosen session cannot be named, only picked in the window. */
    [[nodiscard]] bool setChoiceByName(const QString &name);
    [[nodiscard]] QString choiceName() const;
    /** The difference at @p elapsed, as the live difference shows it. */
    [[nodiscard]] std::optional<qint64> difference(qint64 elapsed) const;

    [[nodiscard]] RunComparison *comparison() const;
    /** The lap table with the comparison's columns, over the analysis model. */
    [[nodiscard]] LapComparisonModel *lapModel() const;
    /** Made for the window to place; it takes them over. */
    [[nodiscard]] LiveDifference *createLiveDifference(QWidget *parent) const;
    [[nodiscard]] ComparisonSummary *createSummary(QWidget *parent) const;

Q_SIGNALS:
    /** The user chose another comparison. */
    void choiceChanged();

private:
    void apply(const ComparisonChoice &choice);
    /** A kind but a chosen run, chosen by the user. */
    void choose(ComparisonChoice::Kind kind);
    void slotSelected(int item);
    void chooseSession();
    void chooseLapExport();
    void showChoice();

    QPointer<SessionModel> m_sessions;
    LapAnalysisModel *m_laps;
    QWidget *m_window;
    ActivityRuns *m_runs = nullptr;
    RunComparison *m_comparison = nullptr;
    LapComparisonModel *m_lapModel = nullptr;
    KSelectAction *m_compareWith = nullptr;
    ComparisonChoice m_choice;
    QString m_name;
};
