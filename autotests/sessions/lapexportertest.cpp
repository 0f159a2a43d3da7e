// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapexporter.h"
#include "dialoganswerer.h"
#include "filecontents.h"
#include "lapmodel.h"

#include <KLocalizedString>
#include <KStandardGuiItem>

#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class LapExporterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void filesMatchTheGoldenOnes_data();
    void filesMatchTheGoldenOnes();
    void dialogWritesTheChosenType_data();
    void dialogWritesTheChosenType();
    void failureKeepsWhatWasThereAndSaysWhy_data();
    void failureKeepsWhatWasThereAndSaysWhy();

private:
    std::unique_ptr<LapModel> m_model;
};

void LapExporterTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void LapExporterTest::init()
{
    m_model = std::make_unique<LapModel>();
    m_model->setTimeFormat(TimeFormat(false, true, TimeFormat::UpToHundredths));
    const QList<std::pair<int, QString>> laps{
        {1500, u"plain"_s},
        {3250, u"left, right"_s},
        {4000, u"say \"go\"\nthen run"_s},
        {62345, u"Kurve → Ziel"_s},
    };
    for (const auto &[time, note] : laps) {
        m_model->addLap(time);
        m_model->setData(m_model->index(m_model->rowCount() - 1, m_model->columnForRole(LapModel::NoteRole)), note, Qt::EditRole);
    }
}

void LapExporterTest::filesMatchTheGoldenOnes_data()
{
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("golden");

    QTest::newRow("csv") << u"text/csv"_s << u"lap-export.csv"_s;
    QTest::newRow("json") << u"application/json"_s << u"lap-export.json"_s;
}

void LapExporterTest::filesMatchTheGoldenOnes()
{
    QFETCH(QString, mimeType);
    QFETCH(QString, golden);

    QTemporaryDir dir;
    const QString path = dir.filePath(golden);
    LapExporter exporter(m_model.get(), nullptr);
    exporter.exportLapsAs(path, mimeType);

    QString written = QString::fromUtf8(contents(path));
    if (mimeType == u"text/csv") {
        // The first line says when the file was made.
        const qsizetype firstLineEnd = written.indexOf(u"\r\n"_s);
        QVERIFY2(written.startsWith(u"#Created by Tickwarden on "_s), qPrintable(written.left(firstLineEnd)));
        written.remove(0, firstLineEnd + 2);
    }
    QCOMPARE(written, QString::fromUtf8(contents(QStringLiteral(LAPEXPORT_TEST_DATA_DIR "/") + golden)));
}

void LapExporterTest::dialogWritesTheChosenType_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    // Nothing when the dialog is cancelled.
    QTest::addColumn<QString>("written");

    QTest::newRow("csv") << u"text/csv"_s << u"laps"_s << u"laps.csv"_s;
    QTest::newRow("json after a csv name") << u"application/json"_s << u"laps.csv"_s << u"laps.csv.json"_s;
    QTest::newRow("cancelled") << u"text/csv"_s << u"laps"_s << QString();
}

void LapExporterTest::dialogWritesTheChosenType()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, written);

    QTemporaryDir dir;
    QWidget window;
    window.show();
    LapExporter exporter(m_model.get(), &window);
    exporter.askForFile();

    QPointer<QFileDialog> dialog = window.findChild<QFileDialog *>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), u"Export Laps"_s);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(dialog->mimeTypeFilters(), (QStringList{u"text/csv"_s, u"application/json"_s}));

    dialog->selectMimeTypeFilter(filter);
    dialog->selectFile(dir.filePath(typed));
    if (written.isEmpty()) {
        dialog->reject();
    } else {
        static_cast<QDialog *>(dialog.data())->accept();
    }
    QTRY_VERIFY(!dialog);

    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{written});
    if (!written.isEmpty()) {
        QVERIFY(contents(dir.filePath(written)).contains("Kurve → Ziel"));
    }
}

void LapExporterTest::failureKeepsWhatWasThereAndSaysWhy_data()
{
    QTest::addColumn<QString>("target");

    QTest::newRow("folder missing") << u"missing/laps.csv"_s;
    QTest::newRow("a folder by that name") << u"taken.csv"_s;
}

void LapExporterTest::failureKeepsWhatWasThereAndSaysWhy()
{
    QFETCH(QString, target);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"taken.csv"_s));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QString path = dir.filePath(target);

    DialogAnswerer answerer(buttonText(KStandardGuiItem::ok()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Could not export the laps to \".*%1\" : "_s.arg(QRegularExpression::escape(target))));
    LapExporter exporter(m_model.get(), nullptr);
    exporter.exportLapsAs(path, u"text/csv"_s);

    QVERIFY(answerer.answered());
    QVERIFY2(answerer.texts().join(u' ').contains(path), qPrintable(answerer.texts().join(u" | ")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(QDir(dir.filePath(u"taken.csv"_s)).isEmpty());
}

QTEST_MAIN(LapExporterTest)

#include "lapexportertest.moc"
