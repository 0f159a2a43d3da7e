// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapitemdelegate.h"

LapItemDelegate::LapItemDelegate(QObject *parent)
    : QItemDelegate(parent)
{
    connect(this, &QAbstractItemDelegate::closeEditor, this, [this](QWidget *editor) {
        editorGone(editor);
    });
}

QWidget *LapItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    auto self = const_cast<LapItemDelegate *>(this);
    Q_EMIT self->editingChanged(true);
    QWidget *editor = QItemDelegate::createEditor(parent, option, index);
    m_openEditor = editor;
    m_openEditorId = editor;
    // A view drops its editors without closeEditor when its model is reset (Reset, a new
    // lap format); the keys must come back then too.
    connect(editor, &QObject::destroyed, this, [this, editor] {
        editorGone(editor);
    });
    return editor;
}

void LapItemDelegate::commitOpenEditor()
{
    if (QWidget *editor = m_openEditor) {
        Q_EMIT commitData(editor);
        Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool LapItemDelegate::isEditing() const
{
    return m_openEditor;
}

void LapItemDelegate::editorGone(const QObject *editor) const
{
    // A closed editor is only deleted later; by then the next one may be open already.
    if (editor != m_openEditorId) {
        return;
    }
    m_openEditorId = nullptr;
    m_openEditor = nullptr;
    Q_EMIT const_cast<LapItemDelegate *>(this)->editingChanged(false);
}

#include "moc_lapitemdelegate.cpp"
