// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controlcommand.h"
#include "controltext.h"

#include <KAboutData>
#include <KLocalizedString>

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class ControlCommandTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void validArguments_data();
    void validArguments();
    void invalidArguments_data();
    void invalidArguments();
};

void ControlCommandTest::initTestCase()
{
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KAboutData aboutData(u"tickwarden"_s, u"Tickwarden"_s, u"1.0"_s);
    KAboutData::setApplicationData(aboutData);
}

void ControlCommandTest::validArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("stopwatchAction");

    QTest::newRow("nothing") << QStringList{} << int(ControlCommand::NoAction) << QString() << false;
    QTest::newRow("start") << QStringList{u"--start"_s} << int(ControlCommand::Start) << QString() << true;
    QTest::newRow("pause") << QStringList{u"--pause"_s} << int(ControlCommand::Pause) << QString() << true;
    QTest::newRow("toggle") << QStringList{u"--toggle"_s} << int(ControlCommand::Toggle) << QString() << true;
    QTest::newRow("reset") << QStringList{u"--reset"_s} << int(ControlCommand::Reset) << QString() << true;
    QTest::newRow("undo") << QStringList{u"--undo"_s} << int(ControlCommand::Undo) << QString() << true;
    QTest::newRow("lap without note") << QStringList{u"--lap"_s} << int(ControlCommand::Lap) << QString() << true;
    QTest::newRow("lap with note") << QStringList{u"--lap"_s, u"split 1"_s} << int(ControlCommand::Lap) << u"split 1"_s << true;
    QTest::newRow("note before the option") << QStringList{u"split 1"_s, u"--lap"_s} << int(ControlCommand::Lap) << u"split 1"_s << true;
    QTest::newRow("note that looks like an option") << QStringList{u"--lap"_s, u"--"_s, u"--start"_s} << int(ControlCommand::Lap) << u"--start"_s << true;
    QTest::newRow("new window") << QStringList{u"--new-window"_s} << int(ControlCommand::NewWindow) << QString() << false;
    QTest::newRow("open session") << QStringList{u"--open-session"_s, u"Morning run"_s} << int(ControlCommand::OpenSession) << u"Morning run"_s << false;
    QTest::newRow("open session with =") << QStringList{u"--open-session=Morning run"_s} << int(ControlCommand::OpenSession) << u"Morning run"_s << false;
    QTest::newRow("session name that looks like an option")
        << QStringList{u"--open-session"_s, u"--start"_s} << int(ControlCommand::OpenSession) << u"--start"_s << false;
    QTest::newRow("note with line breaks and an escape")
        << QStringList{u"--lap"_s, u"one\ntwo\t\x1b[1m"_s} << int(ControlCommand::Lap) << u"one two  [1m"_s << true;
    QTest::newRow("note with Unicode line and paragraph separators")
        << QStringList{u"--lap"_s, u"one\u2028two\u2029three\u0085four"_s} << int(ControlCommand::Lap) << u"one two three four"_s << true;
    QTest::newRow("note with direction overrides and isolates")
        << QStringList{u"--lap"_s, u"a\u202Eb\u202Ac\u2066d\u2069e\u202Cf"_s} << int(ControlCommand::Lap) << u"a b c d e f"_s << true;
    QTest::newRow("note keeps direction marks and joiners") << QStringList{u"--lap"_s, u"\u05E9\u05DC\u200F 1 \U0001F3C3\u200D\u2640"_s}
                                                            << int(ControlCommand::Lap) << u"\u05E9\u05DC\u200F 1 \U0001F3C3\u200D\u2640"_s << true;
    QTest::newRow("new run name with a line separator")
        << QStringList{u"--new-run"_s, u"Morning\u2028run"_s} << int(ControlCommand::NewRun) << u"Morning run"_s << false;
    QTest::newRow("new run") << QStringList{u"--new-run"_s, u"Morning run"_s} << int(ControlCommand::NewRun) << u"Morning run"_s << false;
    QTest::newRow("time") << QStringList{u"--time"_s} << int(ControlCommand::Time) << QString() << false;
}

void ControlCommandTest::validArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, argument);
    QFETCH(bool, stopwatchAction);

    const ControlCommand command = ControlCommand::fromArguments(QStringList{u"tickwarden"_s} + arguments);
    QCOMPARE(command.error(), QString());
    QVERIFY(command.isValid());
    QCOMPARE(int(command.action()), action);
    QCOMPARE(command.argument(), argument);
    QCOMPARE(command.isStopwatchAction(), stopwatchAction);
}

void ControlCommandTest::invalidArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown option") << QStringList{u"--frobnicate"_s} << u"Unknown option 'frobnicate'."_s;
    QTest::newRow("misspelt action") << QStringList{u"--strat"_s} << u"Unknown option 'strat'."_s;
    QTest::newRow("session name missing") << QStringList{u"--open-session"_s} << u"Missing value after '--open-session'."_s;
    QTest::newRow("session name empty") << QStringList{u"--open-session"_s, QString()} << u"--open-session needs the name of a saved session."_s;
    QTest::newRow("two actions") << QStringList{u"--start"_s, u"--lap"_s} << u"Only one action can be given at a time, not --start, --lap."_s;
    QTest::newRow("time with an action") << QStringList{u"--time"_s, u"--reset"_s} << u"Only one action can be given at a time, not --reset, --time."_s;
    QTest::newRow("stray argument") << QStringList{u"--start"_s, u"now"_s} << u"Unexpected argument: now"_s;
    QTest::newRow("argument alone") << QStringList{u"now"_s} << u"Unexpected argument: now"_s;
    QTest::newRow("two notes") << QStringList{u"--lap"_s, u"split"_s, u"one"_s} << u"A lap takes one note; put quotes around a note with spaces."_s;
    QTest::newRow("new run without a name") << QStringList{u"--new-run"_s, QString()} << u"--new-run needs the name of an activity."_s;
    QTest::newRow("new run and another action") << QStringList{u"--new-run"_s, u"Track"_s, u"--start"_s}
                                                << u"Only one action can be given at a time, not --start, --new-run."_s;
    QTest::newRow("note too long") << QStringList{u"--lap"_s, QString(ControlText::MaximumLength + 1, u'n')}
                                   << u"The note is longer than the %1 characters a lap note can hold."_s.arg(QLocale().toString(ControlText::MaximumLength));
    QTest::newRow("value for a switch") << QStringList{u"--start=now"_s} << u"Unexpected value after '--start'."_s;
}

void ControlCommandTest::invalidArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);

    const ControlCommand command = ControlCommand::fromArguments(QStringList{u"tickwarden"_s} + arguments);
    QVERIFY(!command.isValid());
    QCOMPARE(command.error(), error);
    QCOMPARE(int(command.action()), int(ControlCommand::NoAction));
}

QTEST_GUILESS_MAIN(ControlCommandTest)

#include "controlcommandtest.moc"
