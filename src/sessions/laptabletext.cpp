// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "laptabletext.h"

#include "lapmodel.h"

using namespace Qt::Literals::StringLiterals;

QString LapTableText::field(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r')) {
        return text;
    }
    QString quoted = text;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

QString LapTableText::toTabSeparated(const LapModel &model)
{
    return toDelimited(model, u'\t', "\n"_L1, Header::ColumnTitles);
}

QString LapTableText::toCsv(const LapModel &model, Header header)
{
    return toDelimited(model, u',', "\r\n"_L1, header);
}

QString LapTableText::toDelimited(const LapModel &model, QChar separator, QLatin1StringView lineEnd, Header header)
{
    const QList<int> roles{LapModel::LapNumberRole, LapModel::RelativeTimeRole, LapModel::AbsoluteTimeRole, LapModel::NoteRole};
    QString text;
    // About the length of a row with a short note, so that 100,000 laps are not copied over
    // and over while the text grows.
    text.reserve((model.rowCount() + 1) * 40);

    if (header == Header::ColumnTitles) {
        for (qsizetype i = 0; i < roles.size(); ++i) {
            if (i > 0) {
                text += separator;
            }
            text += field(model.headerData(model.columnForRole(roles.at(i)), Qt::Horizontal).toString(), separator);
        }
        text += lineEnd;
    }

    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        for (qsizetype i = 0; i < roles.size(); ++i) {
            if (i > 0) {
                text += separator;
            }
            text += field(index.data(roles.at(i)).toString(), separator);
        }
        text += lineEnd;
    }
    return text;
}
