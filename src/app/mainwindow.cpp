// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mainwindow.h"

#include "colorsettings.h"
#include "comparisonsummary.h"
#include "controlmenubutton.h"
#include "editactions.h"
#include "fontsettings.h"
#include "generalsettings.h"
#include "lap.h"
#include "lapcomparisonmodel.h"
#include "lapexporter.h"
#include "lapitemdelegate.h"
#include "lapmodel.h"
#include "lappane.h"
#include "livedifference.h"
#include "recoveryjournal.h"
#include "runhistory.h"
#include "saveerrormessage.h"
#include "screeninhibitor.h"
#include "sessionmodel.h"
#include "sessionworkflow.h"
#include "stopwatch.h"
#include "tickpacer.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"
#include "timedisplayaccessible.h"
#include "timeformat.h"
#include "trayhost.h"
#include "windowcomparison.h"
#include "windowcontrol.h"
#include "windowsnapshot.h"

#include <KActionCollection>
#include <KConfigDialog>
#include <KConfigGroup>
#include <KLocalizedString>
#include <KMessageBox>
#include <KSharedConfig>
#include <KStandardAction>
#include <KWindowConfig>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDateTime>
#include <QDockWidget>
#include <QHash>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QUndoStack>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

// The resource lives in a static library; it has to be pulled in by name.
static void initResources()
{
    Q_INIT_RESOURCE(tickwarden);
}

namespace
{
// A hand-edited settings file can hold any number for a precision; the program knows four.
// Every window applies the settings, and applies them again after each change, so a bad
// value is reported once when it turns up rather than on every application.
TimeFormat::SecondFraction knownPrecision(const QString &key, TimeFormat::SecondFraction precision)
{
    static QHash<QString, int> reported;
    switch (precision) {
    case TimeFormat::UpToTenths:
    case TimeFormat::UpToHundredths:
    case TimeFormat::UpToMilliseconds:
    case TimeFormat::NoFractions:
        reported.remove(key);
        return precision;
    }
    const auto known = reported.constFind(key);
    if (known == reported.cend() || *known != int(precision)) {
        reported.insert(key, int(precision));
        qWarning() << "Unknown second fraction precision" << int(precision) << "in the settings; showing hundredths instead.";
    }
    return TimeFormat::UpToHundredths;
}

// As often as the last shown digit can change; the pacer keeps it to the screen's rate.
int tickInterval(TimeFormat::SecondFraction precision)
{
    switch (precision) {
    case TimeFormat::UpToTenths:
        return 100;
    case TimeFormat::UpToHundredths:
        return 10;
    case TimeFormat::UpToMilliseconds:
        return 1;
    case TimeFormat::NoFractions:
        break;
    }
    return 1000;
}
}

MainWindow::MainWindow(SessionModel *sessionModel, QWidget *parent, const Session &session)
    : KXmlGuiWindow(parent)
    , m_sessionModel(sessionModel)
{
    initResources();

    m_stopwatch = new Stopwatch(this);
    m_timeDisplay = new TimeDisplay(this);

    connect(m_stopwatch, &Stopwatch::time, m_timeDisplay, &TimeDisplay::setTime);
    new TickPacer(m_stopwatch, m_timeDisplay, this);
    connect(m_stopwatch, &Stopwatch::running, this, &MainWindow::slotRunning);
    connect(m_stopwatch, &Stopwatch::paused, this, &MainWindow::slotPaused);
    connect(m_stopwatch, &Stopwatch::inactive, this, &MainWindow::slotInactive);
    // Screen readers hear the time when it settles, not at every tick.
    for (const auto settled : {&Stopwatch::paused, &Stopwatch::inactive}) {
        connect(m_stopwatch, settled, m_timeDisplay, [this] {
            TimeDisplayAccessible::announce(m_timeDisplay);
        });
    }

    setupCentralWidget();

    m_workflow = new SessionWorkflow(this, m_sessionModel, m_stopwatch, m_lapModel, m_saveError);
    m_workflow->setComparison(m_comparison);
    connect(m_workflow, &SessionWorkflow::aboutToReadLaps, m_lapPane->noteDelegate(), &LapItemDelegate::commitOpenEditor);
    connect(m_workflow, &SessionWorkflow::pausedTimesLoaded, this, &MainWindow::slotPaused);
    connect(m_workflow, &SessionWorkflow::runDiscarded, m_timeDisplay, &TimeDisplay::reset);
    connect(m_workflow, &SessionWorkflow::windowRequested, this, [this](const Session &session) {
        auto window = new MainWindow(m_sessionModel, nullptr, session);
        window->show();
    });

    setupActions();
    setupEditing();
    // Window size and toolbar layout go to the state file, not to the settings.
    setStateConfigGroup(u"MainWindow"_s);
    setupGUI(ToolBar | Keys | Save | Create, u"tickwardenui.rc"_s);

    loadSettings();
    // After the settings: the fonts and the shown lap columns decide the size.
    if (!isWindowSizeSaved()) {
        resize(defaultSize());
    }
    statusBar()->hide();

    if (!m_workflow->loadSession(session)) {
        slotInactive();
    }

    QDBusConnection::systemBus().connect(u"org.freedesktop.login1"_s,
                                         u"/org/freedesktop/login1"_s,
                                         u"org.freedesktop.login1.Manager"_s,
                                         u"PrepareForSleep"_s,
                                         this,
                                         SLOT(slotPrepareForSleep(bool)));
    // The screen stays awake exactly while the stopwatch runs.
    m_screenInhibitor = new ScreenInhibitor(this);
    connect(m_stopwatch, &Stopwatch::running, m_screenInhibitor, &ScreenInhibitor::inhibit);
    connect(m_stopwatch, &Stopwatch::paused, m_screenInhibitor, &ScreenInhibitor::release);
    connect(m_stopwatch, &Stopwatch::inactive, m_screenInhibitor, &ScreenInhibitor::release);

    m_journal = new RecoveryJournal(this, this);
    m_journal->followChangesOf(m_stopwatch, m_lapModel);

    auto control = new WindowControl(
        this,
        m_stopwatch,
        m_lapModel,
        m_timeDisplay,
        [this] {
            return m_workflow->sessionName();
        },
        [this](const QString &name) {
            return m_workflow->storeSession(name);
        });
    control->setWindowComparison(m_comparison);

    if (m_startTimerImmediately) {
        m_stopwatch->start();
    }
}

MainWindow::~MainWindow()
{
    // The children go in ~QWidget, when this is no MainWindow any more. An open lap note
    // editor ends only then (focus out, destroyed) and its delegate and the lap model pass
    // that on; nothing may reach this window by then.
    const auto children = findChildren<QObject *>();
    for (QObject *child : children) {
        disconnect(child, nullptr, this, nullptr);
        // The workflow would mark and retitle the window for a note the editor hands in.
        disconnect(child, nullptr, m_workflow, nullptr);
    }
}

void MainWindow::setTitle(const QString &title)
{
    m_workflow->setTitle(title);
}

void MainWindow::setupCentralWidget()
{
    auto splitter = new QSplitter(this);
    m_lapModel = new LapModel(this);
    connect(m_lapModel, &LapModel::noteEdited, this, &MainWindow::slotLapNoteEdited);
    m_lapPane = new LapPane(m_lapModel, this);
    connect(m_lapPane, &LapPane::summaryExpandedChanged, this, [](bool expanded) {
        TickwardenConfig::setLapSummaryExpanded(expanded);
        TickwardenConfig::self()->save();
    });
    connect(m_lapPane, &LapPane::lapsImported, this, [this](const QList<Lap> &laps, const QString &title) {
        auto window = new MainWindow(m_sessionModel, nullptr, Session(0, QDateTime::currentDateTime()));
        window->loadImportedLaps(laps, title);
        window->show();
    });
    m_lapExporter = new LapExporter(m_lapModel, this);

    splitter->setOrientation(Qt::Horizontal);
    splitter->setChildrenCollapsible(false);
    // The digits, and below them the difference to the compared run while there is one.
    m_comparison = new WindowComparison(m_sessionModel, m_lapPane->analysisModel(), actionCollection(), this);
    m_lapPane->setTableModel(m_comparison->lapModel());
    m_lapPane->addSummaryFigures(m_comparison->createSummary(m_lapPane));
    auto display = new QWidget(splitter);
    auto displayLayout = new QVBoxLayout(display);
    displayLayout->setContentsMargins(QMargins());
    displayLayout->setSpacing(0);
    displayLayout->addWidget(m_timeDisplay, 1);
    LiveDifference *liveDifference = m_comparison->createLiveDifference(display);
    displayLayout->addWidget(liveDifference, 0, Qt::AlignHCenter);
    connect(m_stopwatch, &Stopwatch::time, liveDifference, &LiveDifference::setElapsed);
    splitter->addWidget(display);
    splitter->addWidget(m_lapPane);

    auto central = new QWidget(this);
    auto layout = new QVBoxLayout(central);
    layout->setContentsMargins(QMargins());
    m_saveError = new SaveErrorMessage(central);
    layout->addWidget(m_saveError);
    layout->addWidget(splitter);
    setCentralWidget(central);

    // Hidden until asked for; the window's saved state brings it back where it was.
    auto chartDock = new QDockWidget(i18nc("@title:window", "Lap Chart"), this);
    chartDock->setObjectName(u"lapChartDock"_s);
    chartDock->setWidget(m_lapPane->createChart(chartDock));
    addDockWidget(Qt::BottomDockWidgetArea, chartDock);
    chartDock->hide();
}

void MainWindow::setupActions()
{
    m_startAction = new QAction(this);
    m_pauseAction = new QAction(this);
    m_resetAction = new QAction(this);
    m_lapAction = new QAction(this);
    m_exportAction = new QAction(this);

    m_startAction->setIcon(QIcon::fromTheme(u"chronometer-start"_s));
    m_pauseAction->setText(i18nc("@action", "&Pause"));
    m_pauseAction->setIcon(QIcon::fromTheme(u"chronometer-pause"_s));
    m_resetAction->setText(i18nc("@action", "&Reset"));
    m_resetAction->setIcon(QIcon::fromTheme(u"chronometer-reset"_s));
    m_lapAction->setText(i18nc("@action", "&Lap"));
    m_lapAction->setIcon(QIcon::fromTheme(u"chronometer-lap"_s));
    m_exportAction->setText(i18nc("@action:inmenu", "&Export Laps as..."));
    m_exportAction->setIcon(QIcon::fromTheme(u"document-export"_s));

    KActionCollection *collection = actionCollection();
    collection->addAction(u"start"_s, m_startAction);
    collection->addAction(u"pause"_s, m_pauseAction);
    collection->addAction(u"reset"_s, m_resetAction);
    collection->addAction(u"lap"_s, m_lapAction);
    collection->addAction(u"export_laps"_s, m_exportAction);

    // Start and Pause share Space; the GUI states keep exactly one of them enabled.
    KActionCollection::setDefaultShortcut(m_startAction, Qt::Key_Space);
    KActionCollection::setDefaultShortcut(m_pauseAction, Qt::Key_Space);
    KActionCollection::setDefaultShortcut(m_resetAction, Qt::Key_F5);
    collection->setDefaultShortcuts(m_lapAction, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    m_lapPane->setLapAction(m_lapAction);

    m_pauseAction->setEnabled(false);

    // The order matters: Lap first stores the lap, then selects the new row. Reset is an
    // edit that can be undone and goes through the history (setupEditing()).
    connect(m_startAction, &QAction::triggered, m_stopwatch, &Stopwatch::start);
    connect(m_pauseAction, &QAction::triggered, m_stopwatch, &Stopwatch::pause);
    connect(m_lapAction, &QAction::triggered, m_stopwatch, &Stopwatch::storeLap);
    connect(m_stopwatch, &Stopwatch::lap, m_lapModel, &LapModel::addLap);
    connect(m_lapAction, &QAction::triggered, m_lapPane, &LapPane::selectLastLap);

    KStandardAction::quit(this, &MainWindow::close, collection);
    KStandardAction::preferences(this, &MainWindow::slotShowSettings, collection);
    KStandardAction::openNew(m_workflow, &SessionWorkflow::newSession, collection);
    KStandardAction::save(m_workflow, &SessionWorkflow::save, collection);
    KStandardAction::saveAs(m_workflow, &SessionWorkflow::saveAs, collection);
    KStandardAction::open(m_workflow, &SessionWorkflow::openSession, collection);
    QAction *newRun = collection->addAction(u"new_run"_s, m_workflow, &SessionWorkflow::newRun);
    newRun->setText(i18nc("@action:inmenu", "New &Run"));
    newRun->setIcon(QIcon::fromTheme(u"media-playlist-repeat"_s));
    newRun->setToolTip(i18nc("@info:tooltip", "Time this activity again in a new window, compared with its best run"));
    collection->setDefaultShortcut(newRun, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    KStandardAction::copy(this, &MainWindow::slotCopyToClipboard, collection);

    connect(m_exportAction, &QAction::triggered, m_lapExporter, &LapExporter::askForFile);

    QAction *copyLaps = collection->addAction(u"copy_laps"_s, m_lapPane, &LapPane::copyLaps);
    copyLaps->setText(i18nc("@action:inmenu", "Copy &Laps"));
    copyLaps->setIcon(QIcon::fromTheme(u"edit-copy"_s));
    KActionCollection::setDefaultShortcut(copyLaps, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    QAction *importLaps = collection->addAction(u"import_laps"_s, m_lapPane, &LapPane::askForLapsToImport);
    importLaps->setText(i18nc("@action:inmenu", "&Import Laps…"));
    importLaps->setIcon(QIcon::fromTheme(u"document-import"_s));
    QAction *showChart = findChild<QDockWidget *>(u"lapChartDock"_s)->toggleViewAction();
    showChart->setText(i18nc("@action:inmenu", "Show Lap &Chart"));
    showChart->setIcon(QIcon::fromTheme(u"office-chart-bar"_s));
    collection->addAction(u"show_lap_chart"_s, showChart);

    m_controlMenuButton = new ControlMenuButton(this);
    connect(m_controlMenuButton, &ControlMenuButton::settingsChanged, this, &MainWindow::slotWriteSettings);
}

void MainWindow::setupEditing()
{
    // After the lap wiring above: the history records a lap once the table holds it.
    m_history = new RunHistory(m_stopwatch, m_lapModel, this, this);
    connect(m_resetAction, &QAction::triggered, m_history, &RunHistory::reset);
    m_workflow->setHistory(m_history->stack());
    m_editActions = new EditActions(m_history, m_lapModel, m_lapPane->selectionModel(), actionCollection(), this);
    m_lapPane->addTableActions(m_editActions->lapTableActions());
}

void MainWindow::slotRunning()
{
    stateChanged(u"running"_s);
}

void MainWindow::slotPaused()
{
    m_startAction->setText(i18nc("@action", "Re&sume"));
    stateChanged(m_workflow->hasSession() ? u"pausedSession"_s : u"paused"_s);
    if (!m_lapModel->isEmpty()) {
        m_exportAction->setEnabled(true);
    }
}

void MainWindow::slotInactive()
{
    m_startAction->setText(i18nc("@action", "&Start"));
    stateChanged(u"inactive"_s);
}

void MainWindow::slotPrepareForSleep(bool beforeSleep)
{
    if (!beforeSleep) {
        return;
    }
    qDebug() << "System is going to sleep, pausing the stopwatch.";
    m_stopwatch->pause();
}

void MainWindow::slotShowSettings()
{
    // One dialog serves every window; whichever window opened it gets its signal, and
    // slotWriteSettings() updates them all.
    if (KConfigDialog::showDialog(u"settings"_s)) {
        return;
    }
    auto dialog = new KConfigDialog(this, u"settings"_s, TickwardenConfig::self());
    dialog->setModal(true);

    const auto addPage = [dialog](QWidget *page, const QString &name, const QString &icon) {
        KPageWidgetItem *item = dialog->addPage(page, name);
        item->setIcon(QIcon::fromTheme(icon));
    };
    auto general = new GeneralSettings(this);
    general->setTrayAvailable(TrayHost::self()->isAvailable());
    connect(TrayHost::self(), &TrayHost::availableChanged, general, &GeneralSettings::setTrayAvailable);
    addPage(general, i18nc("@title:tab", "General Settings"), QGuiApplication::windowIcon().name());
    addPage(new FontSettings(this), i18nc("@title:tab", "Font Settings"), u"preferences-desktop-font"_s);
    addPage(new ColorSettings(this), i18nc("@title:tab", "Color Settings"), u"fill-color"_s);

    connect(dialog, &KConfigDialog::settingsChanged, this, &MainWindow::slotWriteSettings);
    dialog->show();
}

void MainWindow::loadSettings()
{
    const auto fractionsType = knownPrecision(u"fractionsType"_s, TickwardenConfig::fractionsType());
    const auto displayPrecision = TickwardenConfig::showSecondFractions() ? fractionsType : TimeFormat::NoFractions;
    const auto lapPrecision =
        TickwardenConfig::showLapSecondFractions() ? knownPrecision(u"lapFractionsType"_s, TickwardenConfig::lapFractionsType()) : TimeFormat::NoFractions;
    TimeFormat displayFormat(TickwardenConfig::showHours(), TickwardenConfig::showMinutes(), displayPrecision);
    const TimeFormat lapFormat(TickwardenConfig::showLapHours(), TickwardenConfig::showLapMinutes(), lapPrecision);

    m_startTimerImmediately = TickwardenConfig::startTimerImmediately();

    const bool lapsRecording = TickwardenConfig::isLapsRecordingEnabled();
    m_lapAction->setVisible(lapsRecording);
    m_exportAction->setVisible(lapsRecording);
    m_lapPane->setLapsShown(lapsRecording);
    m_lapPane->setSummaryExpanded(TickwardenConfig::lapSummaryExpanded());
    m_lapPane->setFastestSlowestMarked(TickwardenConfig::markFastestSlowestLaps());
    m_lapPane->setMeanDifferenceShown(TickwardenConfig::showLapMeanDifference());
    m_lapPane->setColumnsShown(TickwardenConfig::showLapAbsoluteTimes(), TickwardenConfig::showLapNotes());

    m_lapModel->setTimeFormat(lapFormat);

    // The digit groups are separate boxes; dividers would only crowd them.
    displayFormat.setDividers(false);
    m_timeDisplay->setTimeFormat(displayFormat);

    m_timeDisplay->setHoursFont(TickwardenConfig::hourFont());
    m_timeDisplay->setMinutesFont(TickwardenConfig::minFont());
    m_timeDisplay->setSecondsFont(TickwardenConfig::secFont());
    m_timeDisplay->setFractionsFont(TickwardenConfig::fracFont());

    m_timeDisplay->setBackgroundColor(TickwardenConfig::backgroundColor());
    m_timeDisplay->setTextColor(TickwardenConfig::textColor());

    m_stopwatch->setGranularity(tickInterval(displayPrecision));
    m_controlMenuButton->loadSettings();
}

bool MainWindow::isWindowSizeSaved() const
{
    KConfigGroup group = stateConfigGroup();
    return KWindowConfig::hasSavedWindowSize(group);
}

QSize MainWindow::defaultSize() const
{
    // The smallest window leaves room for barely four laps and squeezes the note column;
    // a first start should show what laps look like.
    constexpr int shownLaps = 6;
    constexpr int noteCharacters = 24;
    const QSize minimum = minimumSizeHint();
    if (!m_lapPane->areLapsShown()) {
        return minimum;
    }
    // The table's minimum is in the window's minimum already; the lap summary below the
    // table needs its height on top of the laps.
    const QSize laps = m_lapPane->sizeForLaps(shownLaps, noteCharacters);
    const QSize centralMinimum = centralWidget()->minimumSizeHint();
    QSize size(minimum.width() + std::max(0, laps.width() - m_lapPane->tableMinimumWidth()),
               minimum.height() + std::max(0, laps.height() - centralMinimum.height()));
    if (const QScreen *screen = this->screen()) {
        size = size.boundedTo(screen->availableSize());
    }
    return size.expandedTo(minimum);
}

void MainWindow::slotWriteSettings()
{
    TickwardenConfig::self()->save();
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (auto window = qobject_cast<MainWindow *>(widget)) {
            window->loadSettings();
        }
    }
}

void MainWindow::slotLapNoteEdited()
{
    // The edit outdated the stored session, so Save has something to write again.
    if (m_stopwatch->isPaused() && m_workflow->hasSession()) {
        stateChanged(u"pausedSession"_s);
    }
}

bool MainWindow::queryClose()
{
    return m_workflow->queryClose();
}

void MainWindow::exportLapsAs(const QString &fileName, const QString &mimeType)
{
    m_lapExporter->exportLapsAs(fileName, mimeType);
}

void MainWindow::slotCopyToClipboard()
{
    QGuiApplication::clipboard()->setText(m_timeDisplay->currentTime(), QClipboard::Clipboard);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    KXmlGuiWindow::closeEvent(event);
    if (event->isAccepted() && !qApp->isSavingSession()) {
        m_journal->remove();
    }
}

void MainWindow::saveProperties(KConfigGroup &group)
{
    m_journal->saveProperties(group);
}

void MainWindow::readProperties(const KConfigGroup &group)
{
    m_journal->readProperties(group);
}

WindowSnapshot MainWindow::snapshot() const
{
    return m_workflow->snapshot();
}

WindowSnapshot MainWindow::snapshotWithoutLaps() const
{
    return m_workflow->snapshotWithoutLaps();
}

void MainWindow::applySnapshot(const WindowSnapshot &snapshot)
{
    m_workflow->applySnapshot(snapshot);
}

void MainWindow::importLaps(const QString &fileName)
{
    m_lapPane->importLaps(fileName);
}

void MainWindow::loadImportedLaps(const QList<Lap> &laps, const QString &title)
{
    // The run ends with its last lap. The session stays empty, so the window offers Save As
    // and asks before closing, as for any run not saved yet.
    WindowSnapshot imported;
    imported.state = laps.isEmpty() ? Stopwatch::Inactive : Stopwatch::Paused;
    imported.elapsed = laps.isEmpty() ? 0 : laps.constLast().time().msecsSinceStartOfDay();
    imported.session = Session(0, QDateTime::currentDateTime());
    imported.laps = laps;
    imported.modified = true;
    m_history->replaceRun(imported, i18nc("@action name of an undo step", "Import Laps"));
    setTitle(title);
}

#include "moc_mainwindow.cpp"
