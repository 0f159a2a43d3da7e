// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowcomparison.h"

#include "activityruns.h"
#include "comparisonsummary.h"
#include "lapanalysismodel.h"
#include "lapcomparisonmodel.h"
#include "lapimporter.h"
#include "livedifference.h"
#include "runcomparison.h"
#include "session.h"
#include "sessiondialog.h"
#include "sessionmodel.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KMessageBox>
#include <KSelectAction>

#include <QFileDialog>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace
{
// The items of Compare With, in their order.
enum Item {
    NoneItem,
    PreviousRunItem,
    BestRunItem,
    BestLapsItem,
    ChosenSessionItem,
    LapExportItem,
};

RunComparison::Reference referenceOf(ComparisonChoice::Kind kind)
{
    switch (kind) {
    case ComparisonChoice::PreviousRun:
        return RunComparison::Reference::PreviousRun;
    case ComparisonChoice::BestRun:
        return RunComparison::Reference::BestRun;
    case ComparisonChoice::BestLaps:
        return RunComparison::Reference::BestLaps;
    case ComparisonChoice::Chosen:
        return RunComparison::Reference::ChosenSession;
    case ComparisonChoice::None:
        break;
    }
    return RunComparison::Reference::None;
}

}

WindowComparison::WindowComparison(SessionModel *sessions, LapAnalysisModel *laps, KActionCollection *actions, QWidget *window)
    : QObject(window)
    , m_sessions(sessions)
    , m_laps(laps)
    , m_window(window)
{
    m_runs = new ActivityRuns(sessions, this);
    m_comparison = new RunComparison(m_runs, this);
    m_lapModel = new LapComparisonModel(m_comparison, this);
    m_lapModel->setSourceModel(laps);

    m_compareWith = new KSelectAction(QIcon::fromTheme(u"office-chart-line"_s), i18nc("@title:menu", "Compare With"), this);
    m_compareWith->setToolTip(i18nc("@info:tooltip", "Hold the run against an earlier one, lap by lap"));
    m_compareWith->setItems({
        i18nc("@item:inmenu compare with nothing", "None"),
        i18nc("@item:inmenu", "Previous Run"),
        i18nc("@item:inmenu", "Best Run"),
        i18nc("@item:inmenu the fastest lap of all runs at each position", "Best Laps"),
        i18nc("@item:inmenu", "Chosen Session…"),
        i18nc("@item:inmenu", "Lap Export…"),
    });
    const QList<QAction *> items = m_compareWith->actions();
    const QStringList names{u"none"_s, u"previous"_s, u"best"_s, u"best_laps"_s, u"session"_s, u"lap_export"_s};
    for (int item = 0; item < items.size(); ++item) {
        items.at(item)->setObjectName(u"compare_with_"_s + names.at(item));
    }
    m_compareWith->setCurrentItem(NoneItem);
    actions->addAction(u"compare_with"_s, m_compareWith);
    connect(m_compareWith, &KSelectAction::indexTriggered, this, &WindowComparison::slotSelected);
    showChoice();
}

WindowComparison::~WindowComparison() = default;

void WindowComparison::setSession(const Session &session)
{
    m_name = session.name();
    m_runs->setActivity(session.name(), session.id());
    apply(session.comparison());
}

ComparisonChoice WindowComparison::choice() const
{
    return m_choice;
}

bool WindowComparison::setChoiceByName(const QString &name)
{
    bool known = false;
    const ComparisonChoice::Kind kind = ComparisonChoice::kindFromName(name, &known);
    if (!known || kind == ComparisonChoice::Chosen) {
        return false;
    }
    choose(kind);
    return true;
}

void WindowComparison::choose(ComparisonChoice::Kind kind)
{
    if (kind != m_choice.kind()) {
        apply(ComparisonChoice(kind));
        Q_EMIT choiceChanged();
    }
}

QString WindowComparison::choiceName() const
{
    return ComparisonChoice::kindName(m_choice.kind());
}

std::optional<qint64> WindowComparison::difference(qint64 elapsed) const
{
    return m_comparison->liveDifference(elapsed);
}

RunComparison *WindowComparison::comparison() const
{
    return m_comparison;
}

LapComparisonModel *WindowComparison::lapModel() const
{
    return m_lapModel;
}

LiveDifference *WindowComparison::createLiveDifference(QWidget *parent) const
{
    return new LiveDifference(m_comparison, m_laps, parent);
}

ComparisonSummary *WindowComparison::createSummary(QWidget *parent) const
{
    return new ComparisonSummary(m_comparison, m_laps, parent);
}

void WindowComparison::apply(const ComparisonChoice &choice)
{
    m_choice = choice;
    if (choice.kind() == ComparisonChoice::Chosen) {
        m_comparison->choose(RunSplits(choice.lapsSinceStart()), choice.title());
    } else {
        m_comparison->setReference(referenceOf(choice.kind()));
    }
    showChoice();
}

void WindowComparison::showChoice()
{
    // The runs of a name need a name; a window never saved can still compare with a pick.
    const QList<QAction *> items = m_compareWith->actions();
    for (const int item : {PreviousRunItem, BestRunItem, BestLapsItem}) {
        items.at(item)->setEnabled(!m_name.isEmpty());
    }
    switch (m_choice.kind()) {
    case ComparisonChoice::None:
        m_compareWith->setCurrentItem(NoneItem);
        break;
    case ComparisonChoice::PreviousRun:
        m_compareWith->setCurrentItem(PreviousRunItem);
        break;
    case ComparisonChoice::BestRun:
        m_compareWith->setCurrentItem(BestRunItem);
        break;
    case ComparisonChoice::BestLaps:
        m_compareWith->setCurrentItem(BestLapsItem);
        break;
    case ComparisonChoice::Chosen:
        m_compareWith->setCurrentItem(ChosenSessionItem);
        break;
    }
}

void WindowComparison::slotSelected(int item)
{
    switch (item) {
    case ChosenSessionItem:
        chooseSession();
        return;
    case LapExportItem:
        chooseLapExport();
        return;
    case PreviousRunItem:
        choose(ComparisonChoice::PreviousRun);
        return;
    case BestRunItem:
        choose(ComparisonChoice::BestRun);
        return;
    case BestLapsItem:
        choose(ComparisonChoice::BestLaps);
        return;
    default:
        choose(ComparisonChoice::None);
        return;
    }
}

void WindowComparison::chooseSession()
{
    // Until a session is picked the menu shows what is compared now.
    showChoice();
    if (!m_sessions) {
        return;
    }
    auto dialog = new SessionDialog(m_sessions, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(i18nc("@title:window", "Compare With a Session"));
    dialog->setAcceptText(i18nc("@action:button", "Compare"));
    dialog->setNewRunOffered(false);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const Session session = dialog->selectedSession();
        const QString title = session.name().isEmpty() ? QLocale().toString(session.date(), QLocale::ShortFormat) : session.name();
        if (session.laps().isEmpty()) {
            KMessageBox::error(m_window,
                               i18nc("@info %1 is a session name or date", "“%1” has no laps to compare with.", title),
                               i18nc("@title:window", "Compare With a Session"));
            return;
        }
        apply(ComparisonChoice::ofLaps(title, session.laps()));
        Q_EMIT choiceChanged();
    });
    dialog->open();
}

void WindowComparison::chooseLapExport()
{
    showChoice();
    auto dialog = new QFileDialog(m_window, i18nc("@title:window", "Compare With a Lap Export"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setMimeTypeFilters({u"text/csv"_s, u"application/json"_s, u"application/octet-stream"_s});
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &fileName) {
        const LapImporter::Result result = LapImporter::readFile(fileName);
        if (!result.error.isEmpty()) {
            KMessageBox::error(m_window,
                               xi18nc("@info", "The laps of <filename>%1</filename> cannot be compared with:<nl/>%2", fileName, result.error),
                               i18nc("@title:window", "Compare With a Lap Export"));
            return;
        }
        if (result.laps.isEmpty()) {
            KMessageBox::error(m_window,
                               xi18nc("@info", "<filename>%1</filename> has no laps to compare with.", fileName),
                               i18nc("@title:window", "Compare With a Lap Export"));
            return;
        }
        apply(ComparisonChoice::ofLaps(QFileInfo(fileName).completeBaseName(), result.laps));
        Q_EMIT choiceChanged();
    });
    dialog->open();
}

#include "moc_windowcomparison.cpp"
