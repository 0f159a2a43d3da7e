// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mainwindow.h"

#include "colorsettings.h"
#include "editactions.h"
#include "fontsettings.h"
#include "generalsettings.h"
#include "lap.h"
#include "lapanalysismodel.h"
#include "lapchart.h"
#include "lapimporter.h"
#include "lapitemdelegate.h"
#include "lapmodel.h"
#include "lapsummary.h"
#include "laptabletext.h"
#include "recoveryjournal.h"
#include "runhistory.h"
#include "saveerrormessage.h"
#include "screeninhibitor.h"
#include "sessiondialog.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "tickpacer.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"
#include "timedisplayaccessible.h"
#include "timeformat.h"
#include "trayhost.h"
#include "windowcontrol.h"
#include "windowsnapshot.h"

#include <KActionCollection>
#include <KConfigDialog>
#include <KConfigGroup>
#include <KLocalizedString>
#include <KMessageBox>
#include <KSharedConfig>
#include <KStandardAction>
#include <KStandardGuiItem>
#include <KToolBar>
#include <KWindowConfig>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDateTime>
#include <QDockWidget>
#include <QFileDialog>
#include <QHash>
#include <QHeaderView>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSaveFile>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
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
const auto csvLineEnd = "\r\n"_L1;

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
    , m_session(session)
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

    if (m_session.isEmpty()) {
        slotInactive();
    } else {
        loadSession();
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

    new WindowControl(
        this,
        m_stopwatch,
        m_lapModel,
        m_timeDisplay,
        [this] {
            return m_session.name();
        },
        [this](const QString &name) {
            return storeSession(name);
        });

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
    }
    // The button goes away with the toolbar after this window's members; it must not start
    // the rebuild timer or reach the window any more by then.
    if (m_controlMenuButton) {
        m_controlMenuButton->disconnect();
    }
}

void MainWindow::setLapShortcutsEnabled(bool enabled)
{
    // Only the active keys are lent to the editor: the user may have chosen other keys
    // than the defaults, and the shortcut dialog must still offer the defaults.
    if (!enabled) {
        if (!m_lentLapShortcuts) {
            m_lentLapShortcuts = m_lapAction->shortcuts();
            m_lapAction->setShortcuts({});
        }
        return;
    }
    if (m_lentLapShortcuts) {
        m_lapAction->setShortcuts(*m_lentLapShortcuts);
        m_lentLapShortcuts.reset();
    }
}

void MainWindow::setTitle(const QString &title)
{
    const auto placeholder = "[*]"_L1;
    setWindowTitle(title.endsWith(placeholder) ? title : title + placeholder);
}

void MainWindow::setupCentralWidget()
{
    auto splitter = new QSplitter(this);
    m_lapModel = new LapModel(this);
    m_lapAnalysis = new LapAnalysisModel(this);
    m_lapAnalysis->setSourceModel(m_lapModel);
    auto proxy = new QSortFilterProxyModel(this);
    proxy->setSourceModel(m_lapAnalysis);
    proxy->setSortRole(LapAnalysisModel::SortRole);

    m_lapView = new QTableView(this);
    m_lapView->setObjectName(u"lapView"_s);
    m_lapView->setModel(proxy);
    m_lapView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lapView->setGridStyle(Qt::DotLine);
    m_lapView->verticalHeader()->hide();
    m_lapView->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Preferred);
    m_lapDelegate = new LapItemDelegate(this);
    m_lapView->setItemDelegate(m_lapDelegate);
    connect(m_lapDelegate, &LapItemDelegate::editingChanged, this, [this](bool editing) {
        setLapShortcutsEnabled(!editing);
    });
    connect(m_lapModel, &LapModel::noteEdited, this, &MainWindow::slotLapNoteEdited);
    // Without this the header's default indicator would sort the laps newest first at
    // once; they stay in the order taken until the user clicks a column.
    m_lapView->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_lapView->setSortingEnabled(true);
    m_lapView->resizeColumnsToContents();

    splitter->setOrientation(Qt::Horizontal);
    splitter->setChildrenCollapsible(false);
    m_lapSummary = new LapSummary(m_lapAnalysis, this);
    connect(m_lapSummary, &LapSummary::expandedChanged, this, [](bool expanded) {
        TickwardenConfig::setLapSummaryExpanded(expanded);
        TickwardenConfig::self()->save();
    });
    auto lapPane = new QWidget(this);
    auto lapLayout = new QVBoxLayout(lapPane);
    lapLayout->setContentsMargins(0, 0, 0, 0);
    lapLayout->addWidget(m_lapView, 1);
    lapLayout->addWidget(m_lapSummary);

    splitter->addWidget(m_timeDisplay);
    splitter->addWidget(lapPane);

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
    chartDock->setWidget(new LapChart(m_lapAnalysis, chartDock));
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

    m_pauseAction->setEnabled(false);

    // The order matters: Lap first stores the lap, then selects the new row. Reset is an
    // edit that can be undone and goes through the history (setupEditing()).
    connect(m_startAction, &QAction::triggered, m_stopwatch, &Stopwatch::start);
    connect(m_pauseAction, &QAction::triggered, m_stopwatch, &Stopwatch::pause);
    connect(m_lapAction, &QAction::triggered, m_stopwatch, &Stopwatch::storeLap);
    connect(m_stopwatch, &Stopwatch::lap, m_lapModel, &LapModel::addLap);
    connect(m_lapAction, &QAction::triggered, this, &MainWindow::slotUpdateLapDock);

    KStandardAction::quit(this, &MainWindow::close, collection);
    KStandardAction::preferences(this, &MainWindow::slotShowSettings, collection);
    KStandardAction::openNew(this, &MainWindow::slotNewSession, collection);
    KStandardAction::save(this, &MainWindow::slotSaveSession, collection);
    KStandardAction::saveAs(this, &MainWindow::slotSaveSessionAs, collection);
    KStandardAction::open(this, &MainWindow::slotOpenSession, collection);
    KStandardAction::copy(this, &MainWindow::slotCopyToClipboard, collection);

    connect(m_exportAction, &QAction::triggered, this, &MainWindow::slotExportLapsAs);

    QAction *copyLaps = collection->addAction(u"copy_laps"_s, this, &MainWindow::slotCopyLaps);
    copyLaps->setText(i18nc("@action:inmenu", "Copy &Laps"));
    copyLaps->setIcon(QIcon::fromTheme(u"edit-copy"_s));
    KActionCollection::setDefaultShortcut(copyLaps, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    QAction *importLaps = collection->addAction(u"import_laps"_s, this, &MainWindow::slotImportLaps);
    importLaps->setText(i18nc("@action:inmenu", "&Import Laps…"));
    importLaps->setIcon(QIcon::fromTheme(u"document-import"_s));
    QAction *showChart = findChild<QDockWidget *>(u"lapChartDock"_s)->toggleViewAction();
    showChart->setText(i18nc("@action:inmenu", "Show Lap &Chart"));
    showChart->setIcon(QIcon::fromTheme(u"office-chart-bar"_s));
    collection->addAction(u"show_lap_chart"_s, showChart);

    m_toggleMenuBarAction = collection->addAction(KStandardAction::ShowMenubar);
    // Queued: the checkable action has flipped its own state by the time the slot runs,
    // and the slot then sets it from the menu bar's real visibility.
    connect(m_toggleMenuBarAction, &QAction::triggered, this, &MainWindow::slotToggleMenuBar, Qt::QueuedConnection);
}

void MainWindow::setupEditing()
{
    // After the lap wiring above: the history records a lap once the table holds it.
    m_history = new RunHistory(m_stopwatch, m_lapModel, this, this);
    connect(m_resetAction, &QAction::triggered, m_history, &RunHistory::reset);
    connect(m_history->stack(), &QUndoStack::cleanChanged, this, &MainWindow::slotHistoryCleanChanged);
    m_editActions = new EditActions(m_history, m_lapModel, m_lapView->selectionModel(), actionCollection(), this);
    m_lapView->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_lapView->addActions(m_editActions->lapTableActions());
}

void MainWindow::slotHistoryCleanChanged(bool clean)
{
    if (m_stopwatch->isInactive()) {
        return;
    }
    // Undone back to what was saved; a run never saved stays to be saved, and a running
    // one is ahead of any save.
    if (clean && !m_stopwatch->isRunning() && !m_session.isEmpty()) {
        m_session.setIsOutdated(false);
        setWindowModified(false);
    } else if (!clean) {
        slotLapNoteEdited();
    }
}

void MainWindow::slotRunning()
{
    m_session.setIsOutdated(true);
    setWindowModified(true);
    stateChanged(u"running"_s);
}

void MainWindow::slotPaused()
{
    m_startAction->setText(i18nc("@action", "Re&sume"));
    stateChanged(m_session.isEmpty() ? u"paused"_s : u"pausedSession"_s);
    if (!m_lapModel->isEmpty()) {
        m_exportAction->setEnabled(true);
    }
}

void MainWindow::slotInactive()
{
    m_startAction->setText(i18nc("@action", "&Start"));
    m_session = Session(0, QDateTime::currentDateTime());
    setTitle(i18nc("untitled window", "Untitled"));
    setWindowModified(false);
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

void MainWindow::slotUpdateLapDock()
{
    m_lapView->selectRow(m_lapModel->rowCount() - 1);
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
    m_lapView->setVisible(lapsRecording);
    m_lapSummary->setVisible(lapsRecording);
    m_lapSummary->setExpanded(TickwardenConfig::lapSummaryExpanded());
    m_lapAnalysis->setMarkingEnabled(TickwardenConfig::markFastestSlowestLaps());
    m_lapAnalysis->setMeanDifferenceShown(TickwardenConfig::showLapMeanDifference());

    m_lapView->setColumnHidden(m_lapModel->columnForRole(LapModel::AbsoluteTimeRole), !TickwardenConfig::showLapAbsoluteTimes());
    m_lapView->setColumnHidden(m_lapModel->columnForRole(LapModel::NoteRole), !TickwardenConfig::showLapNotes());
    stretchLapColumn();

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

    if (TickwardenConfig::menuBarNeverShown()) {
        menuBar()->hide();
    }
    if (menuBar()->isHidden()) {
        m_toggleMenuBarAction->setChecked(false);
        setupControlMenuButton();
    }
}

void MainWindow::stretchLapColumn()
{
    // Notes are the one column of free length; the times beside them, the difference to
    // the mean among them, have the width of their digits. Without notes the last column
    // takes the spare width, so that the table has no empty strip at its end.
    QHeaderView *header = m_lapView->horizontalHeader();
    const int noteColumn = m_lapModel->columnForRole(LapModel::NoteRole);
    const bool notesShown = !m_lapView->isColumnHidden(noteColumn);
    header->setStretchLastSection(!notesShown);
    header->setSectionResizeMode(noteColumn, notesShown ? QHeaderView::Stretch : QHeaderView::Interactive);
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
    if (m_lapView->isHidden()) {
        return minimum;
    }
    const int tableHeight =
        m_lapView->horizontalHeader()->sizeHint().height() + shownLaps * m_lapView->verticalHeader()->defaultSectionSize() + 2 * m_lapView->frameWidth();
    int tableWidth = 2 * m_lapView->frameWidth() + noteCharacters * m_lapView->fontMetrics().averageCharWidth();
    for (int column = 0; column < m_lapView->model()->columnCount(); ++column) {
        if (!m_lapView->isColumnHidden(column)) {
            tableWidth += m_lapView->horizontalHeader()->sectionSizeHint(column);
        }
    }
    // The lap summary below the table needs its height on top of the laps.
    const int summaryHeight = m_lapSummary->isHidden() ? 0 : m_lapSummary->sizeHint().height() + m_lapSummary->parentWidget()->layout()->spacing();

    const QSize centralMinimum = centralWidget()->minimumSizeHint();
    const QSize tableMinimum = m_lapView->minimumSizeHint();
    QSize size(minimum.width() + std::max(0, tableWidth - tableMinimum.width()),
               minimum.height() + std::max(0, tableHeight + summaryHeight - centralMinimum.height()));
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

void MainWindow::slotNewSession()
{
    auto window = new MainWindow(m_sessionModel, nullptr, Session(0, QDateTime::currentDateTime()));
    window->show();
}

void MainWindow::slotOpenSession()
{
    auto dialog = new SessionDialog(m_sessionModel, this);
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        if (result == QDialog::Accepted) {
            auto window = new MainWindow(m_sessionModel, nullptr, dialog->selectedSession());
            window->show();
        }
        dialog->deleteLater();
    });
    dialog->open();
}

void MainWindow::loadSession()
{
    m_stopwatch->initialize(m_session.time());
    const auto laps = m_session.laps();
    for (const Lap &lap : laps) {
        m_lapModel->append(lap);
    }
    slotPaused();
    setTitle(m_session.name());
}

void MainWindow::addLapsTo(Session &session) const
{
    // The model's own order is the order the laps were taken, whatever the table's sorting.
    for (int row = 0; row < m_lapModel->rowCount(); ++row) {
        session.addLap(m_lapModel->data(m_lapModel->index(row, 0), LapModel::LapRole).value<Lap>());
    }
}

void MainWindow::slotLapNoteEdited()
{
    // Notes are part of the times: they need saving, and closing must ask about them.
    m_session.setIsOutdated(true);
    setWindowModified(true);
    if (m_stopwatch->isPaused() && !m_session.isEmpty()) {
        stateChanged(u"pausedSession"_s);
    }
}

void MainWindow::slotSaveSession()
{
    storeSession(QString());
}

void MainWindow::markSaved()
{
    // A stopwatch that runs on is ahead of what was just stored: the next save and the
    // close question must still see that.
    const bool runsOn = m_stopwatch->isRunning();
    m_session.setIsOutdated(runsOn);
    setWindowModified(runsOn);
    if (runsOn) {
        m_history->stack()->resetClean();
    } else {
        m_history->stack()->setClean();
    }
}

void MainWindow::slotSaveSessionAs()
{
    m_lapDelegate->commitOpenEditor();
    bool accepted = false;
    QString name = QInputDialog::getText(this,
                                         i18nc("@title:window", "Save Session"),
                                         i18n("You can choose a name for this session:"),
                                         QLineEdit::Normal,
                                         QString(),
                                         &accepted);
    if (!accepted) {
        return;
    }
    if (name.isEmpty()) {
        name = i18nc("untitled session", "Untitled session");
    }
    storeSession(name);
}

StopwatchControl::SaveResult MainWindow::storeSession(const QString &name)
{
    m_lapDelegate->commitOpenEditor();
    bool stored = false;
    bool storedAnew = false;
    if (name.isEmpty()) {
        if (!m_session.isOutdated()) {
            return {true, QString()};
        }
        m_session.clear();
        m_session.setTime(m_stopwatch->currentTime());
        addLapsTo(m_session);
        m_session.setIsOutdated(false);
        // If the stored copy was removed meanwhile, the session is stored anew, note and all.
        stored = m_sessionModel->save(m_session, &storedAnew);
        if (!stored) {
            m_session.setIsOutdated(true);
        }
    } else {
        // The name prompt waits for the user; the run may have been reset meanwhile, and
        // then there is nothing left to store under that name.
        if (m_stopwatch->isInactive()) {
            return {false, i18n("The stopwatch has no times to save.")};
        }
        Session session(m_stopwatch->currentTime(), QDateTime::currentDateTime());
        session.setName(name);
        addLapsTo(session);
        stored = m_sessionModel->append(session);
        if (stored) {
            m_session = session;
            setTitle(m_session.name());
        }
    }
    if (!stored) {
        const QString reason = m_sessionModel->errorString();
        m_saveError->showFailure(SessionModel::fileName(), reason, [this, name] {
            storeSession(name);
        });
        return {false, reason.isEmpty() ? i18n("The session could not be stored.") : reason};
    }
    if (storedAnew) {
        m_saveError->showStoredAnew(m_session.name());
    } else {
        m_saveError->clearFailure();
    }
    markSaved();
    return {true, QString()};
}

bool MainWindow::queryClose()
{
    m_lapDelegate->commitOpenEditor();
    // At logout the session manager keeps the window as it is, running or not, and brings
    // it back after login; there is nothing to pause or to ask.
    if (qApp->isSavingSession() || m_stopwatch->isInactive()) {
        return true;
    }
    if (m_stopwatch->isRunning()) {
        m_stopwatch->pause();
    }

    if (m_session.isEmpty()) {
        const auto answer = KMessageBox::warningContinueCancel(this,
                                                               i18n("Do you want to quit and lose your unsaved times?"),
                                                               i18nc("@title:window", "Confirm Quit"),
                                                               KStandardGuiItem::quit(),
                                                               KStandardGuiItem::cancel(),
                                                               u"quit-and-lose-times"_s,
                                                               KMessageBox::Notify);
        return answer != KMessageBox::Cancel;
    }
    if (!m_session.isOutdated()) {
        return true;
    }

    const auto answer = KMessageBox::warningTwoActionsCancel(this,
                                                             ki18n("Save times to session %1?").subs(m_session.name()).toString(),
                                                             QString(),
                                                             KStandardGuiItem::save(),
                                                             KStandardGuiItem::dontSave(),
                                                             KStandardGuiItem::cancel(),
                                                             QString(),
                                                             KMessageBox::Options(KMessageBox::Notify | KMessageBox::Dangerous));
    switch (answer) {
    case KMessageBox::PrimaryAction:
        // A failed save keeps the window, with its message, instead of losing the times.
        slotSaveSession();
        return !m_session.isOutdated();
    case KMessageBox::SecondaryAction:
        return true;
    default:
        return false;
    }
}

void MainWindow::slotExportLapsAs()
{
    auto dialog = new QFileDialog(this);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setWindowTitle(i18nc("@title:window", "Export Laps"));
    dialog->setMimeTypeFilters({u"text/csv"_s, u"application/json"_s});
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
            exportLapsAs(dialog->selectedFiles().constFirst(), dialog->selectedMimeTypeFilter());
        }
        dialog->deleteLater();
    });
    dialog->open();
}

void MainWindow::exportLapsAs(const QString &fileName, const QString &mimeType)
{
    if (fileName.isEmpty()) {
        return;
    }

    QString target = fileName;
    QSaveFile file;
    bool complete = false;
    if (mimeType == "text/csv"_L1) {
        if (!target.endsWith(".csv"_L1)) {
            target += ".csv"_L1;
        }
        file.setFileName(target);
        if (file.open(QIODevice::WriteOnly)) {
            QTextStream stream(&file);
            exportLapsAsCsv(stream);
            stream.flush();
            complete = stream.status() == QTextStream::Ok;
        }
    } else if (mimeType == "application/json"_L1) {
        if (!target.endsWith(".json"_L1)) {
            target += ".json"_L1;
        }
        file.setFileName(target);
        if (file.open(QIODevice::WriteOnly)) {
            QJsonObject json;
            exportLapsAsJson(json);
            const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Indented);
            complete = file.write(text) == text.size();
        }
    } else {
        return;
    }

    // A write cut short by a full disk or a size limit need not report an error, and such a
    // file must not replace the target; QSaveFile leaves it untouched unless committed.
    QString reason;
    if (file.isOpen() && !complete) {
        reason = file.error() != QFileDevice::NoError ? file.errorString() : i18n("Only part of the laps could be written.");
        file.cancelWriting();
    }
    if (!file.isOpen() || !file.commit()) {
        if (reason.isEmpty()) {
            reason = file.errorString();
        }
        qWarning() << "Could not export the laps to" << target << ":" << reason;
        KMessageBox::error(this, xi18nc("@info", "Could not export the laps to <filename>%1</filename>:<nl/>%2", target, reason));
    }
}

void MainWindow::exportLapsAsCsv(QTextStream &out) const
{
    out << u'#' << i18nc("@info:shell", "Created by Tickwarden on %1", QLocale::system().toString(QDateTime::currentDateTime(), QLocale::LongFormat))
        << csvLineEnd;
    out << u'#' << i18nc("@info:shell", "Lap number,Lap time,Global time,Note") << csvLineEnd;
    for (int row = 0; row < m_lapModel->rowCount(); ++row) {
        const QModelIndex index = m_lapModel->index(row, 0);
        out << row << u',' << LapTableText::field(index.data(LapModel::RelativeTimeRole).toString()) << u','
            << LapTableText::field(index.data(LapModel::AbsoluteTimeRole).toString()) << u',' << LapTableText::field(index.data(LapModel::NoteRole).toString())
            << csvLineEnd;
    }
}

void MainWindow::exportLapsAsJson(QJsonObject &json) const
{
    QJsonArray laps;
    for (int row = 0; row < m_lapModel->rowCount(); ++row) {
        QJsonObject lap;
        m_lapModel->index(row, 0).data(LapModel::LapRole).value<Lap>().toJson(lap);
        laps.append(lap);
    }
    json[u"laps"_s] = laps;
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
    WindowSnapshot snapshot = snapshotWithoutLaps();
    Session current;
    addLapsTo(current);
    snapshot.laps = current.laps();
    return snapshot;
}

WindowSnapshot MainWindow::snapshotWithoutLaps() const
{
    WindowSnapshot snapshot;
    snapshot.state = m_stopwatch->isRunning() ? Stopwatch::Running : m_stopwatch->isPaused() ? Stopwatch::Paused : Stopwatch::Inactive;
    snapshot.elapsed = m_stopwatch->currentTime();
    snapshot.session = m_session;
    snapshot.modified = isWindowModified();
    return snapshot;
}

void MainWindow::applySnapshot(const WindowSnapshot &snapshot)
{
    if (!m_stopwatch->isInactive()) {
        m_stopwatch->reset();
        m_lapModel->clear();
        m_timeDisplay->reset();
    }
    m_session = snapshot.session;
    for (const Lap &lap : snapshot.laps) {
        m_lapModel->append(lap);
    }
    if (snapshot.state != Stopwatch::Inactive) {
        // The stopwatch refuses no time but zero, which pause() gives as well. Pausing
        // also announces the new state to everything that follows the stopwatch (the
        // window, the bus, the journal), as an undone Reset must.
        m_stopwatch->initialize(snapshot.elapsed);
        m_stopwatch->pause();
        if (snapshot.state == Stopwatch::Running) {
            m_stopwatch->start();
        }
    }
    setTitle(m_session.name().isEmpty() ? i18nc("untitled window", "Untitled") : m_session.name());
    setWindowModified(snapshot.modified);
    // A run differing from anything saved (recovered, imported) have no saved state to
    // undo back to; an undo of a Reset keeps the history's own mark.
    if (snapshot.modified && m_history && m_history->stack()->isClean()) {
        m_history->stack()->resetClean();
    }
}

void MainWindow::slotCopyLaps()
{
    // Spreadsheets paste the tab-separated text as columns; the CSV is for those that ask for it.
    auto data = new QMimeData;
    data->setText(LapTableText::toTabSeparated(*m_lapModel));
    data->setData(u"text/csv"_s, LapTableText::toCsv(*m_lapModel).toUtf8());
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

void MainWindow::slotImportLaps()
{
    auto dialog = new QFileDialog(this);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setWindowTitle(i18nc("@title:window", "Import Laps"));
    dialog->setMimeTypeFilters({u"application/json"_s, u"text/csv"_s});
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
            importLaps(dialog->selectedFiles().constFirst());
        }
        dialog->deleteLater();
    });
    dialog->open();
}

void MainWindow::importLaps(const QString &fileName)
{
    const LapImporter::Result result = LapImporter::readFile(fileName);
    if (!result.error.isEmpty()) {
        qWarning() << "Could not import laps from" << fileName << ":" << result.error;
        KMessageBox::error(this, xi18nc("@info", "Could not import laps from <filename>%1</filename>:<nl/>%2", fileName, result.error));
        return;
    }
    auto window = new MainWindow(m_sessionModel, nullptr, Session(0, QDateTime::currentDateTime()));
    window->loadImportedLaps(result.laps, QFileInfo(fileName).completeBaseName());
    window->show();
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

void MainWindow::setupControlMenuButton()
{
    if (m_controlMenuButton) {
        return;
    }
    KToolBar *bar = toolBar();
    m_controlMenuButton = new QToolButton(this);
    m_controlMenuButton->setObjectName(u"controlMenuButton"_s);
    m_controlMenuButton->setIcon(QIcon::fromTheme(u"application-menu"_s));
    m_controlMenuButton->setPopupMode(QToolButton::InstantPopup);
    m_controlMenuButton->setToolButtonStyle(bar->toolButtonStyle());

    auto controlMenu = new QMenu(m_controlMenuButton);
    connect(controlMenu, &QMenu::aboutToShow, this, &MainWindow::slotUpdateControlMenu);
    m_controlMenuButton->setMenu(controlMenu);

    bar->addWidget(m_controlMenuButton);
    connect(bar, &QToolBar::iconSizeChanged, m_controlMenuButton, &QToolButton::setIconSize);
    connect(bar, &QToolBar::toolButtonStyleChanged, m_controlMenuButton, &QToolButton::setToolButtonStyle);

    // The framework drops the button with the old toolbar content when it rebuilds the
    // toolbar; it comes back half a second later.
    m_toolBarUpdateTimer = std::make_unique<QTimer>();
    m_toolBarUpdateTimer->setInterval(500);
    m_toolBarUpdateTimer->setSingleShot(true);
    connect(m_controlMenuButton, &QObject::destroyed, m_toolBarUpdateTimer.get(), qOverload<>(&QTimer::start));
    connect(m_toolBarUpdateTimer.get(), &QTimer::timeout, this, &MainWindow::slotToolBarUpdated);
}

void MainWindow::slotToolBarUpdated()
{
    if (!menuBar()->isHidden()) {
        return;
    }
    setupControlMenuButton();
}

void MainWindow::slotUpdateControlMenu()
{
    auto menu = qobject_cast<QMenu *>(sender());
    if (!menu) {
        return;
    }
    menu->clear();

    // Built from the hidden menu bar each time it opens, so a command added to a menu can
    // never be out of reach while the menu bar is hidden. The help menu stays a submenu,
    // and showing the menu bar comes last, where the user looks for the way back.
    QAction *showMenuBar = actionCollection()->action(KStandardAction::name(KStandardAction::ShowMenubar));
    QMenu *helpMenu = nullptr;
    const auto entries = menuBar()->actions();
    for (QAction *entry : entries) {
        QMenu *submenu = entry->menu();
        if (!submenu) {
            continue;
        }
        if (submenu->objectName() == "help"_L1) {
            helpMenu = submenu;
            continue;
        }
        const auto actions = submenu->actions();
        for (QAction *action : actions) {
            if (action == showMenuBar) {
                continue;
            }
            if (action->isSeparator()) {
                addSeparatorToMenu(menu);
            } else if (action->menu()) {
                menu->addMenu(action->menu());
            } else {
                addActionToMenu(action, menu);
            }
        }
        addSeparatorToMenu(menu);
    }
    if (helpMenu) {
        menu->addMenu(helpMenu);
        menu->addSeparator();
    }
    addActionToMenu(showMenuBar, menu);
}

void MainWindow::addSeparatorToMenu(QMenu *menu)
{
    // Menus of the menu bar may end with a separator, or hold nothing but toolbar entries.
    const auto actions = menu->actions();
    if (!actions.isEmpty() && !actions.constLast()->isSeparator()) {
        menu->addSeparator();
    }
}

bool MainWindow::addActionToMenu(QAction *action, QMenu *menu)
{
    if (!action || !menu) {
        return false;
    }
    if (action->associatedObjects().contains(toolBar())) {
        return false;
    }
    menu->addAction(action);
    return true;
}

void MainWindow::slotToggleMenuBar()
{
    if (TickwardenConfig::menuBarNeverShown()) {
        TickwardenConfig::setMenuBarNeverShown(false);
        slotWriteSettings();
    }

    // isHidden() rather than isVisible(): the answer must not depend on whether the
    // window itself is on screen yet.
    menuBar()->setVisible(menuBar()->isHidden());
    m_toggleMenuBarAction->setChecked(!menuBar()->isHidden());

    if (menuBar()->isHidden()) {
        setupControlMenuButton();
    } else {
        delete m_controlMenuButton;
        m_toolBarUpdateTimer.reset();
    }
}

#include "moc_mainwindow.cpp"
