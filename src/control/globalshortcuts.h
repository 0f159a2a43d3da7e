// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>

class KActionCollection;
class QAction;

/**
 * Start/Pause, Lap and Reset as desktop-wide shortcuts, acting on the most recently
 * active window.
 *
 * They come with no keys: the user picks them in the desktop's shortcut settings, and a
 * key chosen there is loaded again at every start. Where no shortcut service runs the
 * actions simply never fire.
 */
class GlobalShortcuts : public QObject
{
    Q_OBJECT

public:
    explicit GlobalShortcuts(QObject *parent = nullptr);
    ~GlobalShortcuts() override;

    [[nodiscard]] KActionCollection *actionCollection() const;

private:
    QAction *addAction(const QString &name, const QString &text, const QString &icon);

    KActionCollection *m_collection;
};
