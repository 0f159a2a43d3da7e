// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapimporter.h"

#include "laptabletext.h"
#include "stopwatch.h"
#include "timeformat.h"

#include <KLocalizedString>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace
{
LapImporter::Result failure(const QString &error)
{
    return {{}, error};
}

QString outOfRange(qsizetype lapNumber)
{
    return i18nc("@info %2 is a time in hours, minutes and seconds",
                 "The time of lap %1 is not between zero and %2, the longest time the stopwatch holds.",
                 lapNumber,
                 TimeFormat(true, true, TimeFormat::NoFractions).format(Stopwatch::MaximumTime));
}

// Laps of one run only grow; an export never holds an earlier lap after a later one.
QString checkOrder(const QList<Lap> &laps)
{
    if (laps.isEmpty()) {
        return i18nc("@info", "The file holds no laps.");
    }
    for (qsizetype i = 1; i < laps.size(); ++i) {
        if (laps.at(i).time() < laps.at(i - 1).time()) {
            return i18nc("@info", "Lap %1 is earlier than the lap before it.", i + 1);
        }
    }
    return {};
}

// RFC 4180 records: quoted fields may hold separators, doubled quotes and line breaks.
// Returns false for a quote that is never closed.
bool splitCsv(const QString &text, QList<QStringList> &records)
{
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty()) {
            quoted = true;
            fieldStarted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
            fieldStarted = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
                ++i;
            }
            if (fieldStarted || !field.isEmpty() || !record.isEmpty()) {
                record << field;
                records << record;
            }
            record.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted) {
        return false;
    }
    if (fieldStarted || !field.isEmpty() || !record.isEmpty()) {
        record << field;
        records << record;
    }
    return true;
}
}

LapImporter::Result LapImporter::readFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return failure(i18nc("@info", "The file could not be opened: %1", file.errorString()));
    }
    // Checked on the open file, so that a file that grows in between is not read whole.
    if (file.size() > MaximumFileSize) {
        return failure(i18nc("@info", "The file is too large to be a lap export."));
    }
    const QByteArray data = file.read(MaximumFileSize + 1);
    if (data.size() > MaximumFileSize) {
        return failure(i18nc("@info", "The file is too large to be a lap export."));
    }
    if (file.error() != QFileDevice::NoError) {
        return failure(i18nc("@info", "The file could not be read: %1", file.errorString()));
    }

    // The export writes a comment line first in CSV and an object in JSON.
    const QByteArray start = data.trimmed().left(1);
    if (start == "#" || fileName.endsWith(u".csv"_s, Qt::CaseInsensitive)) {
        return readCsv(data);
    }
    return readJson(data);
}

LapImporter::Result LapImporter::readJson(const QByteArray &data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return failure(i18nc("@info", "The file is not a JSON lap export: %1.", parseError.errorString()));
    }
    const QJsonValue lapsValue = document.object().value(u"laps"_s);
    if (!document.isObject() || !lapsValue.isArray()) {
        return failure(i18nc("@info", "The file is not a lap export: it holds no list of laps."));
    }

    const QJsonArray array = lapsValue.toArray();
    QList<Lap> laps;
    laps.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue element = array.at(i);
        const QJsonValue time = element.toObject().value(u"time"_s);
        const double milliseconds = time.toDouble(-1);
        if (!element.isObject() || !time.isDouble() || milliseconds != std::floor(milliseconds)) {
            return failure(i18nc("@info", "Lap %1 has no time in whole milliseconds.", i + 1));
        }
        if (milliseconds < 0 || milliseconds > Stopwatch::MaximumTime) {
            return failure(outOfRange(i + 1));
        }
        const QJsonObject object = element.toObject();
        for (const auto &key : {u"reltime"_s, u"abstime"_s, u"note"_s}) {
            if (object.contains(key) && !object.value(key).isString()) {
                return failure(i18nc("@info", "Lap %1 has a note or a time text that is not a string.", i + 1));
            }
        }
        laps << Lap::fromJson(object);
    }
    if (const QString error = checkOrder(laps); !error.isEmpty()) {
        return failure(error);
    }
    return {laps, {}};
}

LapImporter::Result LapImporter::readCsv(const QByteArray &data)
{
    QList<QStringList> records;
    if (!splitCsv(QString::fromUtf8(data), records)) {
        return failure(i18nc("@info", "The file is not a CSV lap export: a quoted field is never closed."));
    }

    // Hours have two digits at least and as many as the stopwatch's range needs.
    // Digits are ASCII only: a Unicode digit would match \d but read as nothing.
    static const QRegularExpression completeTime(u"^([0-9]{2,}):([0-5][0-9]):([0-5][0-9])\\.([0-9]{3})$"_s);
    QList<Lap> laps;
    for (const QStringList &record : std::as_const(records)) {
        if (record.constFirst().startsWith(u'#')) {
            continue;
        }
        const int lapNumber = int(laps.size()) + 1;
        if (record.size() != 4) {
            return failure(i18nc("@info", "The file is not a CSV lap export: lap %1 does not have four fields.", lapNumber));
        }
        const QRegularExpressionMatch match = completeTime.match(record.at(2));
        if (!match.hasMatch()) {
            return failure(i18nc("@info",
                                 "The time of lap %1 is not written with hours and milliseconds, so it cannot be read back exactly. "
                                 "Import the JSON export instead, or export the CSV with hours and milliseconds shown.",
                                 lapNumber));
        }
        // Read in 64 bits, hours of any length refused rather than wrapped.
        const QStringView hours = match.capturedView(1);
        const qint64 milliseconds = hours.size() > 6
            ? qint64(Stopwatch::MaximumTime) + 1
            : ((hours.toLongLong() * 60 + match.capturedView(2).toInt()) * 60 + match.capturedView(3).toInt()) * 1000 + match.capturedView(4).toInt();
        if (milliseconds > Stopwatch::MaximumTime) {
            return failure(outOfRange(lapNumber));
        }
        Lap lap = Lap::fromMilliseconds(milliseconds);
        lap.setRelativeTime(record.at(1));
        lap.setAbsoluteTime(record.at(2));
        lap.setNote(LapTableText::cellText(record.at(3)));
        laps << lap;
    }
    if (const QString error = checkOrder(laps); !error.isEmpty()) {
        return failure(error);
    }
    return {laps, {}};
}
