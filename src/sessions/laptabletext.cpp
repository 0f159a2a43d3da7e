// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "laptabletext.h"

#include "lapmodel.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
// A spreadsheet runs a cell that starts with one of these as a formula (a tab or a carriage
// return may come before the formula), and shows a cell that starts with an apostrophe as
// the text after it. Apostrophes the text starts with itself are looked past, so that
// cellText() can tell the one field() added from the text's own.
bool needsApostrophe(QStringView text)
{
    const auto start = std::find_if(text.begin(), text.end(), [](QChar c) {
        return c != u'\'';
    });
    return start != text.end() && QStringView(u"=+-@\t\r").contains(*start);
}
}

QString LapTableText::field(const QString &text, QChar separator)
{
    const QString cell = needsApostrophe(text) ? u'\'' + text : text;
    if (!cell.contains(separator) && !cell.contains(u'"') && !cell.contains(u'\n') && !cell.contains(u'\r')) {
        return cell;
    }
    QString quoted = cell;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

QString LapTableText::cellText(const QString &cell)
{
    return cell.startsWith(u'\'') && needsApostrophe(cell) ? cell.mid(1) : cell;
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
