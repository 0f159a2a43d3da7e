// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapexporter.h"

#include "lap.h"
#include "lapmodel.h"
#include "laptabletext.h"

#include <KLocalizedString>
#include <KMessageBox>

#include <QDateTime>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto csvLineEnd = "\r\n"_L1;
}

LapExporter::LapExporter(const LapModel *model, QWidget *window)
    : QObject(window)
    , m_model(model)
    , m_window(window)
{
}

void LapExporter::askForFile()
{
    auto dialog = new QFileDialog(m_window);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setWindowTitle(i18nc("@title:window", "Export Laps"));
    dialog->setMimeTypeFilters({u"text/csv"_s, u"application/json"_s});
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
            exportLapsAs(dialog->selectedFiles().constFirst(), dialog->selectedMimeTypeFilter());
        }
        dialog->deleteLater();
    });
    dialog->open();
}

void LapExporter::exportLapsAs(const QString &fileName, const QString &mimeType)
{
    if (fileName.isEmpty()) {
        return;
    }

    QString target = fileName;
    QSaveFile file;
    bool complete = false;
    if (mimeType == "text/csv"_L1) {
        if (!target.endsWith(".csv"_L1)) {
            target += ".csv"_L1;
        }
        file.setFileName(target);
        if (file.open(QIODevice::WriteOnly)) {
            QTextStream stream(&file);
            writeCsv(*m_model, stream);
            stream.flush();
            complete = stream.status() == QTextStream::Ok;
        }
    } else if (mimeType == "application/json"_L1) {
        if (!target.endsWith(".json"_L1)) {
            target += ".json"_L1;
        }
        file.setFileName(target);
        if (file.open(QIODevice::WriteOnly)) {
            const QByteArray text = QJsonDocument(toJson(*m_model)).toJson(QJsonDocument::Indented);
            complete = file.write(text) == text.size();
        }
    } else {
        return;
    }

    // A write cut short by a full disk or a size limit need not report an error, and such a
    // file must not replace the target; QSaveFile leaves it untouched unless committed.
    QString reason;
    if (file.isOpen() && !complete) {
        reason = file.error() != QFileDevice::NoError ? file.errorString() : i18n("Only part of the laps could be written.");
        file.cancelWriting();
    }
    if (!file.isOpen() || !file.commit()) {
        if (reason.isEmpty()) {
            reason = file.errorString();
        }
        qWarning() << "Could not export the laps to" << target << ":" << reason;
        KMessageBox::error(m_window, xi18nc("@info", "Could not export the laps to <filename>%1</filename>:<nl/>%2", target, reason));
    }
}

void LapExporter::writeCsv(const LapModel &model, QTextStream &out)
{
    out << u'#' << i18nc("@info:shell", "Created by Tickwarden on %1", QLocale::system().toString(QDateTime::currentDateTime(), QLocale::LongFormat))
        << csvLineEnd;
    out << u'#' << i18nc("@info:shell", "Lap number,Lap time,Global time,Note") << csvLineEnd;
    // The rows Copy Laps puts on the clipboard as CSV; their titles are the comment above.
    out << LapTableText::toCsv(model, LapTableText::Header::None);
}

QJsonObject LapExporter::toJson(const LapModel &model)
{
    QJsonArray laps;
    for (int row = 0; row < model.rowCount(); ++row) {
        QJsonObject lap;
        model.index(row, 0).data(LapModel::LapRole).value<Lap>().toJson(lap);
        laps.append(lap);
    }
    return QJsonObject{{u"laps"_s, laps}};
}

#include "moc_lapexporter.cpp"
