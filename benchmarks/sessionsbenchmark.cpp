// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "benchmarkhelpers.h"
#include "lap.h"
#include "session.h"
#include "sessiondialog.h"
#include "sessionmodel.h"
#include "timeformat.h"

#include <KLocalizedString>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class SessionsBenchmark : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loadedMemory();
    void load();
    void save();
    void savedFileSize();
    void openDialog();

private:
    QTemporaryDir m_home;
};

namespace
{
constexpr int Sessions = 1000;
constexpr int LapsPerSession = 100;

QString sessionsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + u"/sessions.json"_s;
}

// Sessions as the window saves them: laps with both texts in the lap format, some with notes.
QByteArray sessionsFile()
{
    const TimeFormat format;
    const QDateTime first(QDate(2026, 1, 5), QTime(8, 0));
    QJsonArray sessions;
    for (int s = 0; s < Sessions; ++s) {
        int elapsed = 0;
        Session session(0, first.addSecs(qint64(s) * 3600));
        session.setName(u"Interval run %1"_s.arg(s + 1));
        if (s % 3 == 0) {
            session.setNote(u"Track, dry, light wind from the west"_s);
        }
        for (int l = 0; l < LapsPerSession; ++l) {
            const int lapLength = 60000 + (s * 131 + l * 977) % 30000;
            Lap lap(elapsed + lapLength);
            lap.setRelativeTime(format.format(lapLength));
            lap.setAbsoluteTime(format.format(lap.time()));
            if (l % 10 == 0) {
                lap.setNote(u"split %1"_s.arg(l / 10));
            }
            elapsed += lapLength;
            session.addLap(lap);
        }
        session.setTime(elapsed);
        QJsonObject object;
        session.toJson(object);
        sessions.append(object);
    }
    return QJsonDocument(QJsonObject{{u"sessions"_s, sessions}}).toJson(QJsonDocument::Indented);
}
}

void SessionsBenchmark::initTestCase()
{
    QVERIFY(m_home.isValid());
    // The test-mode data folder lies under the home folder; a private one keeps the real
    // sessions and other runs out of reach.
    qputenv("HOME", QFile::encodeName(m_home.path()));
    Benchmark::quietOffscreenWarnings();
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));

    const QString path = sessionsPath();
    QVERIFY(path.startsWith(m_home.path()));
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray bytes = sessionsFile();
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    Benchmark::figure("sessions.file_size", double(bytes.size()) / 1024.0, "KiB");
    Benchmark::figure("sessions.count", Sessions, "sessions");
    Benchmark::figure("sessions.laps_per_session", LapsPerSession, "laps");
}

void SessionsBenchmark::loadedMemory()
{
    const qint64 heapBefore = Benchmark::heapInUseKiB();
    SessionModel model;
    Benchmark::figure("sessions.loaded_model_heap", double(Benchmark::heapInUseKiB() - heapBefore), "KiB");
    QCOMPARE(model.rowCount(), Sessions);
}

void SessionsBenchmark::load()
{
    QBENCHMARK {
        SessionModel model;
    }
}

void SessionsBenchmark::save()
{
    SessionModel model;
    QCOMPARE(model.rowCount(), Sessions);

    // A save first reads the file it replaces, to keep an unreadable one aside.
    QBENCHMARK {
        model.slotWriteData();
    }
}

void SessionsBenchmark::savedFileSize()
{
    SessionModel model;
    model.slotWriteData();
    Benchmark::figure("sessions.saved_file_size", double(QFileInfo(sessionsPath()).size()) / 1024.0, "KiB");
}

void SessionsBenchmark::openDialog()
{
    SessionModel model;
    QCOMPARE(model.rowCount(), Sessions);

    QBENCHMARK {
        SessionDialog dialog(&model, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(SessionsBenchmark)

#include "sessionsbenchmark.moc"
