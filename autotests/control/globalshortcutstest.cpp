// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs once without a session bus and once on a private bus where no shortcut service
// exists: either way the shortcuts must be silent, and their actions still reach the
// active window.

#include "globalshortcuts.h"
#include "controlregistry.h"
#include "stopwatchcontrol.h"

#include <KActionCollection>

#include <QAction>
#include <QTest>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Records the commands it gets; a real window is not needed to see where they go.
class RecordingControl : public StopwatchControl
{
public:
    explicit RecordingControl(QWidget *window)
        : StopwatchControl(window)
    {
        announce();
    }

    State state() const override
    {
        return m_state;
    }
    int elapsedMilliseconds() const override
    {
        return 0;
    }
    int lapCount() const override
    {
        return 0;
    }
    QString sessionName() const override
    {
        return QString();
    }
    QString displayedTime() const override
    {
        return QString();
    }
    bool hasOpenDialog() const override
    {
        return false;
    }
    bool start() override
    {
        m_commands << u"start"_s;
        m_state = State::Running;
        return true;
    }
    bool pause() override
    {
        m_commands << u"pause"_s;
        m_state = State::Paused;
        return true;
    }
    bool reset() override
    {
        m_commands << u"reset"_s;
        m_state = State::Inactive;
        return true;
    }
    bool lap(const QString &note) override
    {
        m_commands << u"lap:"_s + note;
        return true;
    }

    QStringList m_commands;
    State m_state = State::Inactive;
};
}

class GlobalShortcutsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actionsComeWithoutKeys();
    void actionsReachTheActiveWindow();
    void actionsWithoutWindowDoNothing();
};

void GlobalShortcutsTest::actionsComeWithoutKeys()
{
    GlobalShortcuts shortcuts;
    KActionCollection *collection = shortcuts.actionCollection();
    QCOMPARE(collection->componentName(), QCoreApplication::applicationName());
    const QStringList names{u"global_toggle"_s, u"global_lap"_s, u"global_reset"_s};
    QCOMPARE(collection->actions().size(), names.size());
    for (const QString &name : names) {
        QAction *action = collection->action(name);
        QVERIFY2(action, qPrintable(name));
        QVERIFY(!action->text().isEmpty());
        QVERIFY(action->shortcuts().isEmpty());
        QVERIFY(collection->defaultShortcuts(action).isEmpty());
    }
}

void GlobalShortcutsTest::actionsReachTheActiveWindow()
{
    GlobalShortcuts shortcuts;
    QWidget firstWindow;
    QWidget secondWindow;
    auto first = new RecordingControl(&firstWindow);
    auto second = new RecordingControl(&secondWindow);
    ControlRegistry::self()->makeActive(first);

    KActionCollection *collection = shortcuts.actionCollection();
    collection->action(u"global_toggle"_s)->trigger();
    collection->action(u"global_lap"_s)->trigger();
    collection->action(u"global_toggle"_s)->trigger();
    collection->action(u"global_reset"_s)->trigger();

    QCOMPARE(first->m_commands, (QStringList{u"start"_s, u"lap:"_s, u"pause"_s, u"reset"_s}));
    QCOMPARE(second->m_commands, QStringList{});
}

void GlobalShortcutsTest::actionsWithoutWindowDoNothing()
{
    GlobalShortcuts shortcuts;
    QVERIFY(!ControlRegistry::self()->active());
    const auto actions = shortcuts.actionCollection()->actions();
    for (QAction *action : actions) {
        action->trigger();
    }
}

QTEST_MAIN(GlobalShortcutsTest)

#include "globalshortcutstest.moc"
