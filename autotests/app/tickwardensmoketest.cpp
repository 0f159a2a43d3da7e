// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Runs the real program binary, as a user would start it, in a private home.
class TickwardenSmokeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAndCreatesItsDataDirectory_data();
    void startsAndCreatesItsDataDirectory();
};

void TickwardenSmokeTest::startsAndCreatesItsDataDirectory_data()
{
    QTest::addColumn<bool>("dataHomeExists");

    QTest::newRow("data home exists") << true;
    // A fresh account: not even ~/.local/share is there yet.
    QTest::newRow("data home missing") << false;
}

void TickwardenSmokeTest::startsAndCreatesItsDataDirectory()
{
    QFETCH(bool, dataHomeExists);

    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString dataHome = home.filePath(u".local/share"_s);
    if (dataHomeExists) {
        QVERIFY(QDir().mkpath(dataHome));
    }
    const QString dataDir = dataHome + u"/tickwarden"_s;

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_DATA_HOME"_s, dataHome);
    env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    env.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"KDE_DEBUG"_s, u"1"_s); // no crash handler dialog if something goes wrong

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    // The install test points this at an installed copy of the program.
    const QString binary =
        qEnvironmentVariableIsSet("TICKWARDEN_SMOKE_BINARY") ? qEnvironmentVariable("TICKWARDEN_SMOKE_BINARY") : QStringLiteral(TICKWARDEN_BINARY);
    program.start(binary, {});
    QVERIFY(program.waitForStarted());

    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dataDir).isDir(), 30000);
    QCOMPARE(program.state(), QProcess::Running);
    // Nothing is stored until the user saves a session.
    QVERIFY(!QFileInfo::exists(dataDir + u"/sessions.json"_s));

    program.terminate();
    QVERIFY(program.waitForFinished(30000));
}

QTEST_GUILESS_MAIN(TickwardenSmokeTest)

#include "tickwardensmoketest.moc"
