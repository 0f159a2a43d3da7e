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
        if (character.category() == QChar::Other_Control) {
            character = u' ';
        }
    }
    return {kept, QString()};
}
