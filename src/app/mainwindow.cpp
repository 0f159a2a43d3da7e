// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mainwindow.h"

#include "compactview.h"
#include "comparisonsummary.h"
#include "controlmenubutton.h"
#include "displayfeed.h"
#include "editactions.h"
#include "lap.h"
#include "lapalerts.h"
#include "lapcomparisonmodel.h"
#include "lapexporter.h"
#include "lapitemdelegate.h"
#include "lapmodel.h"
#include "lappane.h"
#include "laptargetdialog.h"
#include "livedifference.h"
#include "notificationsettings.h"
#include "recoveryjournal.h"
#include "runcomparison.h"
#include "runhistory.h"
#include "runninglap.h"
#include "saveerrormessage.h"
#include "screeninhibitor.h"
#include "secondarytime.h"
#include "sessionmodel.h"
#include "sessionworkflow.h"
#include "stopwatch.h"
#include "stopwatchactions.h"
#include "tickpacer.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"
#include "timedisplayaccessible.h"
#include "timelimitmessage.h"
#include "windowcomparison.h"
#include "windowcontrol.h"
#include "windowsettings.h"
#include "windowsnapshot.h"

#include <KActionCollection>
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

MainWindow::MainWindow(SessionModel *sessionModel, QWidget *parent, const Session &session)
    : KXmlGuiWindow(parent)
    , m_sessionModel(sessionModel)
{
    initResources();

    m_stopwatch = new Stopwatch(this);
    m_timeDisplay = new TimeDisplay(this);

    new TickPacer(m_stopwatch, m_timeDisplay, this);
    // Screen readers hear the time when it settles, not at every tick.
    for (const auto settled : {&Stopwatch::paused, &Stopwatch::inactive}) {
        connect(m_stopwatch, settled, m_timeDisplay, [this] {
            TimeDisplayAccessible::announce(m_timeDisplay);
            m_displayFeed->announce();
        });
    }

    setupCentralWidget();

    m_workflow = new SessionWorkflow(this, m_sessionModel, m_stopwatch, m_lapModel, m_saveError);
    m_workflow->setComparison(m_comparison);
    connect(m_workflow, &SessionWorkflow::aboutToReadLaps, m_lapPane->noteDelegate(), &LapItemDelegate::commitOpenEditor);
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

    m_settings = new WindowSettings(m_stopwatch, m_timeDisplay, m_lapModel, m_lapPane, m_stopwatchActions, this);
    m_settings->setDisplayFeed(m_displayFeed);
    loadSettings();
    // After the settings: the fonts and the shown lap columns decide the size.
    if (!isWindowSizeSaved()) {
        resize(defaultSize());
    }
    statusBar()->hide();
    m_compactView->restoreRemembered();

    if (!m_workflow->loadSession(session)) {
        m_stopwatchActions->showInactive();
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
    m_journal->followChangesOf(m_stopwatch, m_lapModel, m_history->stack());
    connect(m_workflow, &SessionWorkflow::sessionChanged, m_journal, &RecoveryJournal::recordChange);

    auto control = new WindowControl(
        this,
        m_stopwatch,
        m_lapModel,
        m_displayFeed,
        [this] {
            return m_workflow->sessionName();
        },
        [this](const QString &name) {
            return m_workflow->storeSession(name);
        });
    control->setWindowComparison(m_comparison);
    control->setNoteTaker([this] {
        m_workflow->takeNoteBeingTyped();
    });
    control->setTypedNoteReader([this]() -> std::optional<WindowControl::TypedNote> {
        const QModelIndex edited = m_lapPane->noteDelegate()->editedIndex();
        if (!edited.isValid()) {
            return std::nullopt;
        }
        return WindowControl::TypedNote{edited.data(LapModel::LapNumberRole).toInt() - 1, m_lapPane->noteDelegate()->editedText()};
    });

    if (TickwardenConfig::startTimerImmediately()) {
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
        // The workflow would mark and retitle the window for a note the editor hands in, and
        // the stopwatch actions would ask the workflow and the stopwatch about it.
        disconnect(child, nullptr, m_workflow, nullptr);
        disconnect(child, nullptr, m_stopwatchActions, nullptr);
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
    m_display = display;
    auto displayLayout = new QVBoxLayout(display);
    displayLayout->setContentsMargins(QMargins());
    displayLayout->setSpacing(0);
    displayLayout->addWidget(m_timeDisplay, 1);
    // The digits show the total or the running lap, the line beneath them the other; the
    // lap table has a row of its own for the running lap. All follow the display's ticks.
    m_runningLap = new RunningLap(m_stopwatch, m_lapModel, this);
    auto secondaryTime = new SecondaryTime(display);
    displayLayout->addWidget(secondaryTime);
    m_displayFeed = new DisplayFeed(m_runningLap, m_timeDisplay, secondaryTime, this);
    connect(m_stopwatch, &Stopwatch::time, m_displayFeed, &DisplayFeed::setTime);
    m_lapPane->setRunningLap(m_runningLap);
    connect(m_stopwatch, &Stopwatch::time, m_lapPane, &LapPane::setTime);
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
    layout->addWidget(new TimeLimitMessage(m_stopwatch, central));
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
    KActionCollection *collection = actionCollection();
    m_stopwatchActions = new StopwatchActions(
        m_stopwatch,
        m_lapModel,
        [this] {
            return m_workflow->hasSession();
        },
        collection,
        this);
    connect(m_stopwatchActions, &StopwatchActions::guiStateChanged, this, [this](const QString &state) {
        stateChanged(state);
    });
    connect(m_workflow, &SessionWorkflow::pausedTimesLoaded, m_stopwatchActions, &StopwatchActions::showPaused);
    m_lapPane->setLapAction(m_stopwatchActions->lap());

    // The order matters: Lap first stores the lap, then selects the new row. Reset is an
    // edit that can be undone and goes through the history (setupEditing()).
    connect(m_stopwatch, &Stopwatch::lap, m_lapModel, &LapModel::addLap);
    connect(m_stopwatchActions->lap(), &QAction::triggered, m_lapPane, &LapPane::selectLastLap);

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

    connect(m_stopwatchActions->exportLaps(), &QAction::triggered, this, [this] {
        m_workflow->takeNoteBeingTyped();
        m_lapExporter->askForFile();
    });

    QAction *copyLaps = collection->addAction(u"copy_laps"_s, this, [this] {
        m_workflow->takeNoteBeingTyped();
        m_lapPane->copyLaps();
    });
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

    m_compactView = new CompactView(this, m_display, m_lapPane, m_stopwatchActions);
    m_display->layout()->addWidget(m_compactView->buttonRow());

    // After the lap model's wiring above: a lap taken is in the table when it is weighed.
    m_lapAlerts = new LapAlerts(m_stopwatch, m_lapModel, m_runningLap, this);
    m_lapAlerts->setWindow(this);
    m_lapAlerts->setComparison(m_comparison->comparison());
    LapTargetDialog::createAction(
        m_lapAlerts,
        [this] {
            return m_comparison->comparison()->isComparing();
        },
        collection,
        this);
    KStandardAction::configureNotifications(
        this,
        [this] {
            NotificationSettings::open(this);
        },
        collection);
}

void MainWindow::setupEditing()
{
    // After the lap wiring above: the history records a lap once the table holds it.
    m_history = new RunHistory(m_stopwatch, m_lapModel, this, this);
    // The run that Reset keeps for its undo holds the note being typed.
    connect(m_stopwatchActions->reset(), &QAction::triggered, m_history, [this] {
        m_workflow->takeNoteBeingTyped();
        m_history->reset();
    });
    m_workflow->setHistory(m_history->stack());
    m_editActions = new EditActions(m_history, m_lapModel, m_lapPane->selectionModel(), actionCollection(), this);
    m_lapPane->addTableActions(m_editActions->lapTableActions());
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
    WindowSettings::showDialog(this, [this] {
        slotWriteSettings();
    });
}

void MainWindow::loadSettings()
{
    m_settings->apply();
    m_controlMenuButton->loadSettings();
    m_lapAlerts->setDefaultTarget(TickwardenConfig::lapTarget());
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

bool MainWindow::queryClose()
{
    return m_workflow->queryClose();
}

void MainWindow::exportLapsAs(const QString &fileName, const QString &mimeType)
{
    m_workflow->takeNoteBeingTyped();
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
    // The session manager keeps the window as it is now, without asking; the note being
    // typed is part of that.
    m_workflow->takeNoteBeingTyped();
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

void MainWindow::restoreRun(const WindowSnapshot &recorded)
{
    m_workflow->restoreRun(recorded);
}

void MainWindow::applyHistoryStep(const WindowSnapshot &run)
{
    m_workflow->applyHistoryStep(run);
}

bool MainWindow::discardRun(const QString &text)
{
    return m_history->resetAs(text);
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
    imported.elapsed = laps.isEmpty() ? 0 : laps.constLast().time();
    imported.session = Session(0, QDateTime::currentDateTime());
    imported.laps = laps;
    imported.title = title;
    imported.modified = true;
    m_history->replaceRun(imported, i18nc("@action name of an undo step", "Import Laps"));
}

#include "moc_mainwindow.cpp"
