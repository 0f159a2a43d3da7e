// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialoganswerer.h"
#include "digitdisplay.h"
#include "filecontents.h"
#include "filesizelimit.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"

#include <KLocalizedString>
#include <KSharedConfig>
#include <KStandardGuiItem>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
QString settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s;
}

QByteArray randomBytes(quint32 seed, int size)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    for (char &byte : bytes) {
        byte = char(generator.bounded(256));
    }
    return bytes;
}

// The digits a group of the time display shows; empty when the group is hidden.
QString shownDigits(TimeDisplay *display, const QString &group, const QString &groupDisplay)
{
    if (display->findChild<QWidget *>(group)->isHidden()) {
        return {};
    }
    return display->findChild<DigitDisplay *>(groupDisplay)->text();
}

struct WindowDeleter {
    void operator()(MainWindow *window) const
    {
        // Closing would ask questions; the tests end windows directly.
        delete window;
    }
};
using WindowPtr = std::unique_ptr<MainWindow, WindowDeleter>;
}

/**
 * A window over a settings file that was damaged or edited by hand, and lap exports that
 * cannot be written: the window must come up with settings it can show, and a failed
 * export must be told and leave the previous file alone.
 */
class WindowInputsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void damagedSettingsGiveSaneWindow_data();
    void damagedSettingsGiveSaneWindow();
    void failedExportIsReported_data();
    void failedExportIsReported();

private:
    WindowPtr makeWindow();
    std::unique_ptr<SessionModel> m_store;
};

void WindowInputsTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QVERIFY(settingsPath().contains(u"/.qttest/"_s));
}

void WindowInputsTest::init()
{
    QDir(dataDir()).removeRecursively();
    QVERIFY(QDir().mkpath(dataDir()));
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    QFile::remove(settingsPath());
    TickwardenConfig::self()->load();
    m_store = std::make_unique<SessionModel>();
}

void WindowInputsTest::cleanup()
{
    m_store.reset();
    QFile::remove(settingsPath());
    TickwardenConfig::self()->load();
}

WindowPtr WindowInputsTest::makeWindow()
{
    return WindowPtr(new MainWindow(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime())));
}

void WindowInputsTest::damagedSettingsGiveSaneWindow_data()
{
    QTest::addColumn<QByteArray>("settings");
    // What the window shows and how often it ticks; an empty fraction text means the
    // fraction group is hidden.
    QTest::addColumn<int>("granularity");
    QTest::addColumn<QString>("fractions");
    QTest::addColumn<QString>("lapText");
    // A line the settings framework logs about the damage; empty where it logs nothing.
    QTest::addColumn<QtMsgType>("logType");
    QTest::addColumn<QString>("logLine");

    const QString defaultLap = u"02:03.45"_s;
    const auto unknownPrecision = [](int value) {
        return u"^Unknown second fraction precision %1 in the settings"_s.arg(value);
    };
    const QString iniError = u"KConfigIni: In file .*tickwardenrc, line [0-9]+:.* Invalid"_s;
    QTest::newRow("empty file") << QByteArray() << 10 << u"00"_s << defaultLap << QtDebugMsg << QString();
    QTest::newRow("random bytes") << randomBytes(1, 4096) << 10 << u"00"_s << defaultLap << QtWarningMsg << iniError;
    QTest::newRow("random bytes in the group") << "[General]\n" + randomBytes(2, 4096) << 10 << u"00"_s << defaultLap << QtWarningMsg << iniError;
    QTest::newRow("unterminated group header") << QByteArray("[General\nfractionsType=UpToMilliseconds\n") << 10 << u"00"_s << defaultLap << QtWarningMsg
                                               << u"KConfigIni: In file .*tickwardenrc, line 1:.* Invalid group header"_s;
    QTest::newRow("NUL bytes in a value") << QByteArray("[General]\nfractionsType=Up\0ToTenths\n", 37) << 10 << u"00"_s << defaultLap << QtWarningMsg
                                          << iniError;
    QTest::newRow("precision by name") << QByteArray("[General]\nfractionsType=UpToMilliseconds\n") << 1 << u"000"_s << defaultLap << QtDebugMsg << QString();
    QTest::newRow("precision by number") << QByteArray("[General]\nfractionsType=0\n") << 100 << u"0"_s << defaultLap << QtDebugMsg << QString();
    QTest::newRow("precision 7") << QByteArray("[General]\nfractionsType=7\n") << 10 << u"00"_s << defaultLap << QtWarningMsg << unknownPrecision(7);
    QTest::newRow("precision -1") << QByteArray("[General]\nfractionsType=-1\n") << 10 << u"00"_s << defaultLap << QtWarningMsg << unknownPrecision(-1);
    QTest::newRow("precision past int") << QByteArray("[General]\nfractionsType=2147483648\n") << 10 << u"00"_s << defaultLap << QtDebugMsg << QString();
    QTest::newRow("precision a word") << QByteArray("[General]\nfractionsType=banana\n") << 10 << u"00"_s << defaultLap << QtDebugMsg << QString();
    QTest::newRow("precision empty") << QByteArray("[General]\nfractionsType=\n") << 10 << u"00"_s << defaultLap << QtDebugMsg << QString();
    QTest::newRow("lap precision 7") << QByteArray("[General]\nlapFractionsType=7\n") << 10 << u"00"_s << defaultLap << QtWarningMsg << unknownPrecision(7);
    QTest::newRow("lap precision -1") << QByteArray("[General]\nlapFractionsType=-1\n") << 10 << u"00"_s << defaultLap << QtWarningMsg << unknownPrecision(-1);
    QTest::newRow("lap precision 99 with hours") << QByteArray("[General]\nlapFractionsType=99\nshowLapHours=true\n") << 10 << u"00"_s << u"01:02:03.45"_s
                                                 << QtWarningMsg << unknownPrecision(99);
    QTest::newRow("booleans of the wrong type") << QByteArray("[General]\nshowSecondFractions=[1,2]\nshowMinutes=\nisLapsRecordingEnabled=3.5\n") << 10
                                                << u"00"_s << defaultLap << QtDebugMsg << QString();
    QTest::newRow("fonts and colours of the wrong type")
        << QByteArray(
               "[Font]\nhourFont=-1,-1,-1\nsecFont=\xff\xfe\nfracFont=a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p\n[Color]\nbackgroundColor=999,-3,x\ntextColor=#zzzzzz\n")
        << 10 << u"00"_s << defaultLap << QtCriticalMsg << u"\"backgroundColor\" - conversion from \"999,-3,x\" to QColor failed"_s;
    QTest::newRow("window state of the wrong type") << QByteArray(
        "[MainWindow]\nHeight 768=-100\nWidth 1024=2147483647\nState=AAAA////garbage\nToolBarsMovable=sideways\nMenuBar=x\n")
                                                    << 10 << u"00"_s << defaultLap << QtDebugMsg << QString();
}

void WindowInputsTest::damagedSettingsGiveSaneWindow()
{
    QFETCH(QByteArray, settings);
    QFETCH(int, granularity);
    QFETCH(QString, fractions);
    QFETCH(QString, lapText);
    QFETCH(QtMsgType, logType);
    QFETCH(QString, logLine);

    QVERIFY(writeFile(settingsPath(), settings));
    if (!logLine.isEmpty()) {
        QTest::ignoreMessage(logType, QRegularExpression(logLine));
    }
    KSharedConfig::openConfig()->reparseConfiguration();
    TickwardenConfig::self()->load();

    auto window = makeWindow();
    auto display = window->findChild<TimeDisplay *>();
    QCOMPARE(window->findChild<Stopwatch *>()->granularity(), granularity);
    QCOMPARE(shownDigits(display, u"m_fracGroup"_s, u"m_fracDisplay"_s), fractions);
    QCOMPARE(shownDigits(display, u"m_secGroup"_s, u"m_secDisplay"_s), u"00"_s);

    auto lapModel = window->findChild<LapModel *>();
    lapModel->addLap(3'723'456);
    QCOMPARE(lapModel->index(0, 1).data().toString(), lapText);

    // The window keeps ticking on the interval it chose.
    const auto shownTime = [display] {
        return shownDigits(display, u"m_secGroup"_s, u"m_secDisplay"_s) + shownDigits(display, u"m_fracGroup"_s, u"m_fracDisplay"_s);
    };
    const QString atStart = shownTime();
    window->show();
    window->findChild<Stopwatch *>()->start();
    QTRY_VERIFY(shownTime() != atStart);
}

void WindowInputsTest::failedExportIsReported_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("mimeType");
    // A file already at the target that the failed export must leave as it was.
    QTest::addColumn<QByteArray>("previous");
    QTest::addColumn<bool>("sizeLimit");

    QTest::newRow("parent is a file") << u"plain-file/laps.csv"_s << u"text/csv"_s << QByteArray() << false;
    QTest::newRow("parent is missing") << u"missing/laps.json"_s << u"application/json"_s << QByteArray() << false;
    QTest::newRow("target is a folder") << u"folder.csv"_s << u"text/csv"_s << QByteArray() << false;
    QTest::newRow("CSV past the file size limit") << u"kept.csv"_s << u"text/csv"_s << QByteArray("old laps\r\n") << true;
    QTest::newRow("JSON past the file size limit") << u"kept.json"_s << u"application/json"_s << QByteArray("{\"old\": true}\n") << true;
}

void WindowInputsTest::failedExportIsReported()
{
    QFETCH(QString, target);
    QFETCH(QString, mimeType);
    QFETCH(QByteArray, previous);
    QFETCH(bool, sizeLimit);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath(u"plain-file"_s), "a file, not a folder"));
    QVERIFY(QDir(dir.path()).mkdir(u"folder.csv"_s));
    const QString path = dir.filePath(target);
    if (!previous.isNull()) {
        QVERIFY(writeFile(path, previous));
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);

    auto window = makeWindow();
    auto lapModel = window->findChild<LapModel *>();
    // Enough text that no buffer can hide it below the size limit.
    for (int i = 0; i < 200; ++i) {
        lapModel->addLap(i * 1000);
        lapModel->setData(lapModel->index(i, 3), QString(40, u'n'));
    }

    DialogAnswerer answerer(buttonText(KStandardGuiItem::ok()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Could not export the laps to \""_s + QRegularExpression::escape(path) + u"\" : \"\\S.*\"$"_s));
    if (sizeLimit) {
        FileSizeLimit limit(4096);
        QVERIFY(limit.isActive());
        window->exportLapsAs(path, mimeType);
    } else {
        window->exportLapsAs(path, mimeType);
    }

    QVERIFY(answerer.answered());
    QVERIFY2(answerer.texts().join(u' ').contains(path), qPrintable(answerer.texts().join(u" | ")));
    QCOMPARE(contents(path), previous);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), before);
}

QTEST_MAIN(WindowInputsTest)

#include "windowinputstest.moc"
