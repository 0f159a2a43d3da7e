// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapitemdelegate.h"

#include <QMetaProperty>

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
    m_openEditorIndex = index;
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

QModelIndex LapItemDelegate::editedIndex() const
{
    return m_openEditor ? QModelIndex(m_openEditorIndex) : QModelIndex();
}

QString LapItemDelegate::editedText() const
{
    QWidget *editor = m_openEditor;
    return editor ? editor->metaObject()->userProperty().read(editor).toString() : QString();
}

void LapItemDelegate::editorGone(const QObject *editor) const
{
    // A closed editor is only deleted later; by then the next one may be open already.
    if (editor != m_openEditorId) {
        return;
    }
    m_openEditorId = nullptr;
    m_openEditor = nullptr;
    m_openEditorIndex = QPersistentModelIndex();
    Q_EMIT const_cast<LapItemDelegate *>(this)->editingChanged(false);
}

#include "moc_lapitemdelegate.cpp"
