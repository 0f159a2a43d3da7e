// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "compactview.h"

#include "stopwatchactions.h"

#include <KActionCollection>
#include <KConfigGroup>
#include <KLocalizedString>
#include <KStandardAction>
#include <KToolBar>
#include <KWindowInfo>
#include <KWindowSystem>
#include <KX11Extras>
#include <KXmlGuiWindow>

#include <QCoreApplication>
#include <QDockWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace
{
KConfigGroup rememberedGroup(const KXmlGuiWindow *window)
{
    return KConfigGroup(window->stateConfigGroup().group(u"CompactView"_s));
}

QToolButton *makeButton(QAction *action, QWidget *parent)
{
    auto button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}
}

CompactView::CompactView(KXmlGuiWindow *window, QWidget *display, QWidget *lapPane, StopwatchActions *actions)
    : QObject(window)
    , m_window(window)
    , m_display(display)
    , m_lapPane(lapPane)
    , m_actions(actions)
    , m_buttonRow(new QWidget(window))
    , m_compact(new QAction(this))
    , m_keepAbove(new QAction(this))
{
    m_buttonRow->setObjectName(u"compactButtonRow"_s);
    auto row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(QMargins());
    row->addStretch(1);
    m_startButton = makeButton(actions->start(), m_buttonRow);
    m_pauseButton = makeButton(actions->pause(), m_buttonRow);
    m_lapButton = makeButton(actions->lap(), m_buttonRow);
    m_resetButton = makeButton(actions->reset(), m_buttonRow);
    m_startButton->setObjectName(u"compactStartButton"_s);
    m_pauseButton->setObjectName(u"compactPauseButton"_s);
    m_lapButton->setObjectName(u"compactLapButton"_s);
    m_resetButton->setObjectName(u"compactResetButton"_s);
    for (QToolButton *button : {m_startButton, m_pauseButton, m_lapButton, m_resetButton}) {
        row->addWidget(button);
    }
    row->addStretch(1);
    m_buttonRow->hide();
    // Start and Pause share one place in the row, as they share Space: the GUI states keep
    // exactly one of them enabled. A tool button does not follow its action's visibility.
    for (QAction *action : {actions->start(), actions->pause(), actions->lap()}) {
        connect(action, &QAction::changed, this, &CompactView::updateButtons);
    }
    updateButtons();

    KActionCollection *collection = window->actionCollection();
    m_compact->setText(i18nc("@action:inmenu", "C&ompact View"));
    m_compact->setIcon(QIcon::fromTheme(u"view-restore"_s));
    m_compact->setToolTip(i18nc("@info:tooltip", "Show only the time and the stopwatch buttons; double-click the time to come back"));
    m_compact->setCheckable(true);
    collection->addAction(u"compact_view"_s, m_compact);
    KActionCollection::setDefaultShortcut(m_compact, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    connect(m_compact, &QAction::toggled, this, &CompactView::setCompact);

    m_keepAbove->setText(i18nc("@action:inmenu", "Keep &Above Others"));
    m_keepAbove->setIcon(QIcon::fromTheme(u"window-keep-above"_s));
    m_keepAbove->setCheckable(true);
    collection->addAction(u"keep_above"_s, m_keepAbove);
    const QString unavailable = keepAboveUnavailableReason();
    if (unavailable.isEmpty()) {
        m_keepAbove->setToolTip(i18nc("@info:tooltip", "Keep this window above the windows of other programs"));
        connect(m_keepAbove, &QAction::toggled, this, &CompactView::setKeepAbove);
        // The window menu of the title bar can change it too; the check mark follows.
        connect(KX11Extras::self(), &KX11Extras::windowChanged, this, [this](WId id, NET::Properties properties) {
            if (properties & NET::WMState) {
                slotWindowStateChanged(id);
            }
        });
    } else {
        m_keepAbove->setEnabled(false);
        m_keepAbove->setToolTip(unavailable);
    }

    display->installEventFilter(this);
}

QWidget *CompactView::buttonRow() const
{
    return m_buttonRow;
}

QAction *CompactView::compactAction() const
{
    return m_compact;
}

QAction *CompactView::keepAboveAction() const
{
    return m_keepAbove;
}

bool CompactView::isCompact() const
{
    return m_isCompact;
}

void CompactView::setCompact(bool compact)
{
    if (compact == m_isCompact) {
        return;
    }
    if (compact) {
        m_normal = currentLayout();
        enter(m_display->size());
    } else {
        leave();
    }
    remember();
}

bool CompactView::isKeptAbove() const
{
    return m_isKeptAbove;
}

void CompactView::setKeepAbove(bool above)
{
    if (!keepAboveUnavailableReason().isEmpty()) {
        m_keepAbove->setChecked(false);
        return;
    }
    m_keepAbove->setChecked(above);
    if (above == m_isKeptAbove) {
        return;
    }
    m_isKeptAbove = above;
    // Before the window is mapped this sets the property the window manager reads when it
    // maps it; afterwards it asks the window manager.
    if (above) {
        KX11Extras::setState(m_window->winId(), NET::KeepAbove);
    } else {
        KX11Extras::clearState(m_window->winId(), NET::KeepAbove);
    }
    remember();
}

void CompactView::slotWindowStateChanged(WId id)
{
    if (!m_window->testAttribute(Qt::WA_WState_Created) || id != m_window->winId()) {
        return;
    }
    const bool above = KWindowInfo(id, NET::WMState).hasState(NET::KeepAbove);
    if (above != m_isKeptAbove) {
        m_isKeptAbove = above;
        m_keepAbove->setChecked(above);
        remember();
    }
}

void CompactView::restoreRemembered()
{
    const KConfigGroup group = rememberedGroup(m_window);
    if (group.readEntry("Compact", false) && !m_isCompact) {
        m_normal.state = group.readEntry("State", QByteArray());
        m_normal.size = group.readEntry("Size", QSize());
        m_normal.menuBar = group.readEntry("MenuBar", false);
        m_normal.statusBar = group.readEntry("StatusBar", false);
        m_normal.lapPane = group.readEntry("LapPane", true);
        // The window framework has brought back the size the window had, compact.
        enter(QSize());
    }
    if (group.readEntry("KeepAbove", false)) {
        setKeepAbove(true);
    }
}

QString CompactView::keepAboveUnavailableReason()
{
    if (KWindowSystem::isPlatformX11()) {
        return QString();
    }
    if (KWindowSystem::isPlatformWayland()) {
        return i18nc("@info:tooltip",
                     "Under Wayland a program cannot keep its window above others; the window menu of the title bar can (More Actions → Keep Above Others).");
    }
    return i18nc("@info:tooltip", "This display has no window manager that could keep the window above others.");
}

bool CompactView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_display && event->type() == QEvent::MouseButtonDblClick && m_isCompact) {
        setCompact(false);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

CompactView::Layout CompactView::currentLayout() const
{
    Layout layout;
    layout.state = m_window->saveState();
    layout.size = m_window->size();
    // isHidden(): the answer must not depend on whether the window is on screen yet.
    layout.menuBar = !m_window->menuBar()->isHidden();
    layout.statusBar = !m_window->statusBar()->isHidden();
    layout.lapPane = !m_lapPane->isHidden();
    return layout;
}

void CompactView::enter(QSize digits)
{
    m_isCompact = true;
    m_compact->setChecked(true);
    m_window->menuBar()->hide();
    m_window->statusBar()->hide();
    const auto toolBars = m_window->toolBars();
    for (KToolBar *bar : toolBars) {
        bar->hide();
    }
    const auto docks = m_window->findChildren<QDockWidget *>(Qt::FindDirectChildrenOnly);
    for (QDockWidget *dock : docks) {
        dock->hide();
    }
    m_lapPane->hide();
    m_buttonRow->show();
    // Showing the menu bar in between would leave it out of what is brought back.
    if (QAction *showMenuBar = m_window->actionCollection()->action(KStandardAction::name(KStandardAction::ShowMenubar))) {
        showMenuBar->setEnabled(false);
    }

    if (!digits.isValid()) {
        return;
    }
    // The hints, and the window's minimum size, still count the hidden parts until the
    // layouts have run again, from the innermost out.
    for (QWidget *widget = m_display; widget; widget = widget->parentWidget()) {
        if (widget->layout()) {
            widget->layout()->invalidate();
        }
        widget->updateGeometry();
        QCoreApplication::sendPostedEvents(widget, QEvent::LayoutRequest);
        if (widget->isWindow()) {
            break;
        }
    }
    m_window->layout()->activate();
    // The digits keep the size they had: their fonts follow the room they get, so the size
    // hints of a display that has just been given the whole window ask for all of it.
    m_window->resize((digits + QSize(0, m_buttonRow->sizeHint().height())).expandedTo(m_window->minimumSizeHint()));
}

void CompactView::leave()
{
    m_isCompact = false;
    m_compact->setChecked(false);
    m_buttonRow->hide();
    m_lapPane->setVisible(m_normal.lapPane);
    if (!m_normal.state.isEmpty()) {
        m_window->restoreState(m_normal.state);
    }
    m_window->statusBar()->setVisible(m_normal.statusBar);
    // A menu bar coming back goes the way Show Menubar takes, so the menu button that stands
    // in for a hidden one goes with it (a window opened compact has one).
    QAction *showMenuBar = m_window->actionCollection()->action(KStandardAction::name(KStandardAction::ShowMenubar));
    if (showMenuBar) {
        showMenuBar->setEnabled(true);
    }
    if (m_window->menuBar()->isHidden() == m_normal.menuBar) {
        if (showMenuBar && m_normal.menuBar) {
            showMenuBar->trigger();
        } else {
            m_window->menuBar()->setVisible(m_normal.menuBar);
        }
    }
    if (m_normal.size.isValid()) {
        m_window->resize(m_normal.size);
    }
}

void CompactView::remember() const
{
    KConfigGroup group = rememberedGroup(m_window);
    group.writeEntry("Compact", m_isCompact);
    group.writeEntry("KeepAbove", m_isKeptAbove);
    if (m_isCompact) {
        group.writeEntry("State", m_normal.state);
        group.writeEntry("Size", m_normal.size);
        group.writeEntry("MenuBar", m_normal.menuBar);
        group.writeEntry("StatusBar", m_normal.statusBar);
        group.writeEntry("LapPane", m_normal.lapPane);
    }
    group.sync();
}

void CompactView::updateButtons()
{
    const bool pausable = m_actions->pause()->isEnabled();
    m_pauseButton->setVisible(pausable);
    m_startButton->setVisible(!pausable || m_actions->start()->isEnabled());
    m_lapButton->setVisible(m_actions->lap()->isVisible());
}

#include "moc_compactview.cpp"
