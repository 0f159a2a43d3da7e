// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

/**
 * Texts that reach a window from outside (a lap's note, a session's name) made fit to be
 * kept: they end up in the lap table, the sessions file, the journal and the exports.
 *
 * A text longer than the window's own editors accept is refused rather than cut, so that
 * nothing a script meant is dropped unnoticed. Control characters (line breaks, tabs,
 * escape sequences) become spaces: a note and a name are one line in the table, the
 * title and the CSV export, and an escape sequence would reach any terminal a script
 * prints them to.
 */
class ControlText
{
public:
    /** What QLineEdit accepts by default, and so the note editor and Save As dialog. */
    static constexpr qsizetype MaximumLength = 32767;

    struct Checked {
        QString text;
        /** Empty when the text may be kept as text. */
        QString refusal;
    };

    [[nodiscard]] static Checked note(const QString &text);
    [[nodiscard]] static Checked sessionName(const QString &text);

private:
    static Checked check(const QString &text, const QString &refusal);
    static bool breaksTheLine(QChar character);
    static bool overridesDirection(QChar character);
};
