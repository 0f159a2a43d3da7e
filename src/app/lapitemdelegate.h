// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QItemDelegate>

class MainWindow;

/**
 * Edits lap notes in the lap table. While a note editor is open, Return and Enter belong
 * to the editor: the window's Lap action gives them up until the editor is gone.
 */
class LapItemDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit LapItemDelegate(MainWindow *mainWindow);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void editorGone(const QObject *editor) const;

    MainWindow *m_mainWindow;
    // Identity only, never dereferenced: the editor that currently holds the keys.
    mutable const QObject *m_openEditor = nullptr;
};
