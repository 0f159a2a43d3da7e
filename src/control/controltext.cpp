// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controltext.h"

#include <KLocalizedString>

#include <QLocale>

ControlText::Checked ControlText::note(const QString &text)
{
    return check(
        text,
        i18nc("@info:shell %1 is a number of characters", "The note is longer than the %1 characters a lap note can hold.", QLocale().toString(MaximumLength)));
}

ControlText::Checked ControlText::sessionName(const QString &text)
{
    return check(text,
                 i18nc("@info:shell %1 is a number of characters",
                       "The name is longer than the %1 characters a session name can hold.",
                       QLocale().toString(MaximumLength)));
}

ControlText::Checked ControlText::check(const QString &text, const QString &refusal)
{
    if (text.size() > MaximumLength) {
        return {QString(), refusal};
    }
    QString kept = text;
    for (QChar &character : kept) {
        if (breaksTheLine(character) || overridesDirection(character)) {
            character = u' ';
        }
    }
    return {kept, QString()};
}

bool ControlText::breaksTheLine(QChar character)
{
    switch (character.category()) {
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

bool ControlText::overridesDirection(QChar character)
{
    // Embeddings, overrides and isolates reorder everything after them, up to the end of the
    // line: in the title or a notification that is text the note does not own. The plain
    // direction marks only place neutral characters and stay.
    const char16_t code = character.unicode();
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}
