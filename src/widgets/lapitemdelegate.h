// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QItemDelegate>
#include <QPersistentModelIndex>
#include <QPointer>

/**
 * Edits lap notes in the lap table. While a note editor is open, Return and Enter belong
 * to the editor: the lap pane takes them from the Lap action on editingChanged().
 *
 * The delegate knows no window. It only announces; its pane connects what it needs and
 * cuts that off before it is torn down, because an editor still open then ends (focus out,
 * destroyed) while the pane's children are deleted, after the pane itself is gone.
 */
class LapItemDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit LapItemDelegate(QObject *parent);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Hands the text of an open note editor to the model and closes the editor, so that a
    // save or a close sees the note that is being typed.
    void commitOpenEditor();
    // Whether a note editor is open, and so has the keyboard.
    [[nodiscard]] bool isEditing() const;
    // The cell of the open note editor in the view's model; invalid when none is open.
    [[nodiscard]] QModelIndex editedIndex() const;
    // What the open note editor holds now, without taking it from the editor.
    [[nodiscard]] QString editedText() const;

Q_SIGNALS:
    // A note editor opened (true), or the open one went away (false), whether its note was
    // committed, cancelled or dropped by the view.
    void editingChanged(bool editing);

private:
    void editorGone(const QObject *editor) const;

    // The editor that currently holds the keys; the identity alone is compared, as it may
    // be told of its end while it is being destroyed.
    mutable const QObject *m_openEditorId = nullptr;
    mutable QPointer<QWidget> m_openEditor;
    mutable QPersistentModelIndex m_openEditorIndex;
};
