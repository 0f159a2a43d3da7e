// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapitemdelegate.h"

#include "mainwindow.h"

LapItemDelegate::LapItemDelegate(MainWindow *mainWindow)
    : QItemDelegate(mainWindow)
    , m_mainWindow(mainWindow)
{
    connect(this, &QAbstractItemDelegate::closeEditor, this, [this](QWidget *editor) {
        editorGone(editor);
    });
}

QWidget *LapItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    m_mainWindow->setLapShortcutsEnabled(false);
    QWidget *editor = QItemDelegate::createEditor(parent, option, index);
    m_openEditor = editor;
    // A view drops its editors without closeEditor when its model is reset (Reset, a new
    // lap format); the keys must come back then too.
    connect(editor, &QObject::destroyed, this, [this, editor] {
        editorGone(editor);
    });
    return editor;
}

void LapItemDelegate::editorGone(const QObject *editor) const
{
    // A closed editor is only deleted later; by then the next one may be open already.
    if (editor != m_openEditor) {
        return;
    }
    m_openEditor = nullptr;
    m_mainWindow->setLapShortcutsEnabled(true);
}

#include "moc_lapitemdelegate.cpp"
