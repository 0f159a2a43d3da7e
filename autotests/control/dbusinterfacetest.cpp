// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The bus interface of real windows, called from a connection of its own on a private
// session bus, so that every call and signal really travels through the bus.

#include "applicationinterface.h"
#include "applicationobject.h"
#include "controlregistry.h"
#include "controlservice.h"
#include "controltext.h"
#include "dbustypes.h"
#include "filesizelimit.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"
#include "windowinterface.h"
#include "windowobject.h"

#include <KAboutData>
#include <KLocalizedString>

#include <QDBusConnection>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class DBusInterfaceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startLapPause();
    void refusedCommandsReturnFalse();
    void applicationListsWindows();
    void openSession();
    void saveAsThenSaveReplaces();
    void saveRefused_data();
    void saveRefused();
    void failedWriteAnswersTheStoresReason();
    void lapsOldestFirstWithNotes();
    void sessionsInFileOrder();
    void closeOnlyWhatLosesNothing_data();
    void closeOnlyWhatLosesNothing();
    void dialogRefusesCommands();
    void textsFromOutside_data();
    void newRunAndComparison();
    void newRunRefused_data();
    void newRunRefused();
    void textsFromOutside();
    void laterLaunchSaysWhyItWasRefused();

private:
    std::unique_ptr<OrgTickwardenTickwardenWindowInterface> windowAt(const QDBusObjectPath &path);

    std::unique_ptr<SessionModel> m_sessionModel;
    std::unique_ptr<ControlService> m_service;
    std::unique_ptr<QDBusConnection> m_client;
    std::unique_ptr<OrgTickwardenTickwardenApplicationInterface> m_application;
};

void DBusInterfaceTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KAboutData aboutData(u"tickwarden"_s, u"Tickwarden"_s, u"1.0"_s);
    KAboutData::setApplicationData(aboutData);
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
    if (!QDBusConnection::sessionBus().isConnected()) {
        QFAIL("needs a private session bus (run through ctest)");
    }
    registerControlDBusTypes();
    m_client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"client"_s));
    QVERIFY(m_client->isConnected());
}

void DBusInterfaceTest::init()
{
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + u"/sessions.json"_s);
    TickwardenConfig::self()->setDefaults();
    m_sessionModel = std::make_unique<SessionModel>();
    m_service = std::make_unique<ControlService>(m_sessionModel.get(), [this](const Session &session) {
        auto window = new MainWindow(m_sessionModel.get(), nullptr, session);
        window->show();
    });
    m_application = std::make_unique<OrgTickwardenTickwardenApplicationInterface>(QDBusConnection::sessionBus().baseService(), u"/Application"_s, *m_client);
    // The test's own thread serves the calls, so they must not block it.
    m_application->setTimeout(10000);
}

void DBusInterfaceTest::cleanup()
{
    const auto controls = ControlRegistry::self()->controls();
    for (StopwatchControl *control : controls) {
        delete control->window();
    }
    m_application.reset();
    m_service.reset();
    m_sessionModel.reset();
}

std::unique_ptr<OrgTickwardenTickwardenWindowInterface> DBusInterfaceTest::windowAt(const QDBusObjectPath &path)
{
    return std::make_unique<OrgTickwardenTickwardenWindowInterface>(QDBusConnection::sessionBus().baseService(), path.path(), *m_client);
}

namespace
{
// Generated proxies block; a reply from this very thread needs the event loop running.
template<typename T>
T await(QDBusPendingReply<T> reply)
{
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(reply);
    QSignalSpy finished(watcher.get(), &QDBusPendingCallWatcher::finished);
    if (!reply.isFinished()) {
        finished.wait(10000);
    }
    if (reply.isError()) {
        qWarning() << reply.error();
    }
    return reply.value();
}

// Both answers of a save: whether it stored, and why not.
std::pair<bool, QString> awaitSave(QDBusPendingReply<bool, QString> reply)
{
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(reply);
    QSignalSpy finished(watcher.get(), &QDBusPendingCallWatcher::finished);
    if (!reply.isFinished()) {
        finished.wait(10000);
    }
    if (reply.isError()) {
        qWarning() << reply.error();
        return {false, reply.error().message()};
    }
    return {reply.argumentAt<0>(), reply.argumentAt<1>()};
}

// The stored sessions as name, time and "ms:note" per lap, straight from the file.
QStringList storedSessions()
{
    QFile file(SessionModel::fileName());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList sessions;
    const QJsonArray array = QJsonDocument::fromJson(file.readAll()).object().value(u"sessions"_s).toArray();
    for (const QJsonValue &value : array) {
        const QJsonObject session = value.toObject();
        QStringList fields{session.value(u"name"_s).toString(), QString::number(session.value(u"time"_s).toInteger())};
        const QJsonArray laps = session.value(u"laps"_s).toArray();
        for (const QJsonValue &lap : laps) {
            fields << QString::number(lap.toObject().value(u"time"_s).toInteger()) + u':' + lap.toObject().value(u"note"_s).toString();
        }
        sessions << fields.join(u'|');
    }
    return sessions;
}

QVariant awaitProperty(QDBusConnection &connection, const QString &path, const QString &interface, const QString &name)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    message << interface << name;
    const QDBusPendingReply<QDBusVariant> reply = connection.asyncCall(message);
    return await(reply).variant();
}
}

void DBusInterfaceTest::startLapPause()
{
    StopwatchControl *control = m_service->openWindow();
    const QString path = m_service->applicationObject()->pathOf(control).path();
    QCOMPARE(path, u"/Windows/1"_s);
    auto window = windowAt(QDBusObjectPath(path));
    const auto property = [this, &path](const QString &name) {
        return awaitProperty(*m_client, path, u"org.tickwarden.Tickwarden.Window"_s, name);
    };
    QSignalSpy stateSpy(window.get(), &OrgTickwardenTickwardenWindowInterface::StateChanged);
    QSignalSpy lapSpy(window.get(), &OrgTickwardenTickwardenWindowInterface::LapAdded);

    QCOMPARE(property(u"State"_s), QVariant(u"inactive"_s));
    QCOMPARE(property(u"ElapsedMilliseconds"_s), QVariant(qlonglong(0)));
    QCOMPARE(property(u"Time"_s), QVariant(u"00:00.00"_s));
    QCOMPARE(property(u"SessionName"_s), QVariant(QString()));

    QVERIFY(await(window->Start()));
    QTRY_COMPARE(stateSpy.count(), 1);
    QCOMPARE(stateSpy.at(0), QVariantList{u"running"_s});
    QCOMPARE(property(u"State"_s), QVariant(u"running"_s));

    QTRY_VERIFY(control->elapsedMilliseconds() > 20);
    QVERIFY(await(window->Lap(u"split 1"_s)));
    QTRY_COMPARE(lapSpy.count(), 1);
    QCOMPARE(lapSpy.at(0), (QVariantList{1, u"split 1"_s}));
    QCOMPARE(property(u"LapCount"_s), QVariant(1));

    QVERIFY(await(window->Pause()));
    QTRY_COMPARE(stateSpy.count(), 2);
    QCOMPARE(stateSpy.at(1), QVariantList{u"paused"_s});
    const qlonglong elapsed = property(u"ElapsedMilliseconds"_s).toLongLong();
    QVERIFY(elapsed > 20);
    QCOMPARE(elapsed, qlonglong(control->elapsedMilliseconds()));
    QCOMPARE(property(u"Time"_s).toString(), control->displayedTime());
    QVERIFY(property(u"Time"_s).toString().startsWith(u"00:00."_s));
}

void DBusInterfaceTest::refusedCommandsReturnFalse()
{
    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));

    QVERIFY(!await(window->Pause()));
    QVERIFY(!await(window->Lap(u"too early"_s)));
    QVERIFY(!await(window->Reset()));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);
    QCOMPARE(control->lapCount(), 0);

    QVERIFY(await(window->Toggle()));
    QCOMPARE(control->state(), StopwatchControl::State::Running);
    QVERIFY(await(window->Reset()));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);
}

void DBusInterfaceTest::applicationListsWindows()
{
    const auto applicationProperty = [this](const QString &name) {
        return awaitProperty(*m_client, u"/Application"_s, u"org.tickwarden.Tickwarden.Application"_s, name);
    };
    QSignalSpy addedSpy(m_application.get(), &OrgTickwardenTickwardenApplicationInterface::WindowAdded);
    QSignalSpy removedSpy(m_application.get(), &OrgTickwardenTickwardenApplicationInterface::WindowRemoved);
    QSignalSpy activeSpy(m_application.get(), &OrgTickwardenTickwardenApplicationInterface::ActiveWindowChanged);

    QCOMPARE(qdbus_cast<QList<QDBusObjectPath>>(applicationProperty(u"Windows"_s)), QList<QDBusObjectPath>{});
    QCOMPARE(qdbus_cast<QDBusObjectPath>(applicationProperty(u"ActiveWindow"_s)).path(), u"/"_s);

    const QDBusObjectPath first = await(m_application->NewWindow());
    const QDBusObjectPath second = await(m_application->NewWindow());
    QVERIFY(first.path().startsWith(u"/Windows/"_s));
    QVERIFY(second.path().startsWith(u"/Windows/"_s));
    QVERIFY(first != second);
    QCOMPARE(ControlRegistry::self()->controls().size(), 2);
    QTRY_COMPARE(addedSpy.count(), 2);
    const auto lastActive = [&activeSpy] {
        return activeSpy.isEmpty() ? QDBusObjectPath() : activeSpy.constLast().constFirst().value<QDBusObjectPath>();
    };
    QTRY_COMPARE(lastActive(), second);
    QCOMPARE(qdbus_cast<QList<QDBusObjectPath>>(applicationProperty(u"Windows"_s)), (QList<QDBusObjectPath>{first, second}));
    QCOMPARE(qdbus_cast<QDBusObjectPath>(applicationProperty(u"ActiveWindow"_s)), second);

    StopwatchControl *firstControl = ControlRegistry::self()->controlsByAge().constFirst();
    firstControl->window()->activateWindow();
    QTRY_COMPARE(lastActive(), first);

    delete firstControl->window();
    QTRY_COMPARE(removedSpy.count(), 1);
    QCOMPARE(removedSpy.at(0).constFirst().value<QDBusObjectPath>(), first);
    QCOMPARE(qdbus_cast<QList<QDBusObjectPath>>(applicationProperty(u"Windows"_s)), QList<QDBusObjectPath>{second});
    QCOMPARE(qdbus_cast<QDBusObjectPath>(applicationProperty(u"ActiveWindow"_s)), second);
    // The object of a closed window is gone from the bus.
    auto gone = windowAt(first);
    const QDBusPendingReply<bool> reply = gone->Start();
    QSignalSpy finished(new QDBusPendingCallWatcher(reply, this), &QDBusPendingCallWatcher::finished);
    QVERIFY(finished.wait(10000));
    QVERIFY(reply.isError());
}

void DBusInterfaceTest::openSession()
{
    Session session(7000, QDateTime::currentDateTime());
    session.setName(u"Morning run"_s);
    m_sessionModel->append(session);

    QVERIFY(!await(m_application->OpenSession(u"Evening run"_s)));
    QVERIFY(ControlRegistry::self()->controls().isEmpty());

    QVERIFY(await(m_application->OpenSession(u"Morning run"_s)));
    QCOMPARE(ControlRegistry::self()->controls().size(), 1);
    const QDBusObjectPath path = m_service->applicationObject()->activeWindow();
    const QString prefix = u"org.tickwarden.Tickwarden.Window"_s;
    QCOMPARE(awaitProperty(*m_client, path.path(), prefix, u"SessionName"_s), QVariant(u"Morning run"_s));
    QCOMPARE(awaitProperty(*m_client, path.path(), prefix, u"State"_s), QVariant(u"paused"_s));
    QCOMPARE(awaitProperty(*m_client, path.path(), prefix, u"ElapsedMilliseconds"_s), QVariant(qlonglong(7000)));
}

void DBusInterfaceTest::saveAsThenSaveReplaces()
{
    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));
    QVERIFY(await(window->Start()));
    QTRY_VERIFY(control->elapsedMilliseconds() > 10);
    QVERIFY(await(window->Lap(u"first"_s)));
    QVERIFY(await(window->Pause()));
    const qlonglong firstTime = control->elapsedMilliseconds();
    const qlonglong firstLap = control->laps().constFirst().time();

    QCOMPARE(awaitSave(window->SaveAs(u"Track"_s)), std::make_pair(true, QString()));
    QCOMPARE(storedSessions(), QStringList{u"Track|%1|%2:first"_s.arg(firstTime).arg(firstLap)});
    // The window took the save as its own, as after its Save As dialog.
    QCOMPARE(control->sessionName(), u"Track"_s);
    QVERIFY(!control->window()->isWindowModified());
    QVERIFY(control->window()->windowTitle().startsWith(u"Track"_s));
    // Saved as it is: nothing to store, which is no refusal.
    QCOMPARE(awaitSave(window->Save()), std::make_pair(true, QString()));
    QCOMPARE(storedSessions().size(), 1);

    QVERIFY(await(window->Start()));
    QVERIFY(control->window()->isWindowModified());
    QTRY_VERIFY(control->elapsedMilliseconds() > firstTime + 10);
    QVERIFY(await(window->Lap(u"second"_s)));
    QVERIFY(await(window->Pause()));
    const qlonglong secondTime = control->elapsedMilliseconds();
    const qlonglong secondLap = control->laps().constLast().time();

    QCOMPARE(awaitSave(window->Save()), std::make_pair(true, QString()));
    QCOMPARE(storedSessions(), QStringList{u"Track|%1|%2:first|%3:second"_s.arg(secondTime).arg(firstLap).arg(secondLap)});
    QVERIFY(!control->window()->isWindowModified());

    // Nothing changed since: nothing to write, and that is no failure.
    QFile file(SessionModel::fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QCOMPARE(awaitSave(window->Save()), std::make_pair(true, QString()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);

    // Save As always adds a session, also under a name already used.
    QCOMPARE(awaitSave(window->SaveAs(u"Track"_s)), std::make_pair(true, QString()));
    QCOMPARE(storedSessions().size(), 2);
}

void DBusInterfaceTest::saveRefused_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("saveAs");

    QTest::newRow("Save As, never started") << u"inactive"_s << true;
    QTest::newRow("Save, never started") << u"inactive"_s << false;
    QTest::newRow("Save As, running") << u"running"_s << true;
    QTest::newRow("Save, running") << u"running"_s << false;
    QTest::newRow("Save, paused but never saved") << u"paused"_s << false;
    QTest::newRow("Save, running after a save") << u"running after save"_s << false;
}

void DBusInterfaceTest::saveRefused()
{
    QFETCH(QString, situation);
    QFETCH(bool, saveAs);

    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));
    if (situation != u"inactive"_s) {
        QVERIFY(await(window->Start()));
        QTRY_VERIFY(control->elapsedMilliseconds() > 0);
    }
    if (situation == u"paused"_s) {
        QVERIFY(await(window->Pause()));
    }
    if (situation == u"running after save"_s) {
        QVERIFY(await(window->Pause()));
        QVERIFY(awaitSave(window->SaveAs(u"Earlier"_s)).first);
        QVERIFY(await(window->Start()));
    }
    const QStringList before = storedSessions();
    const QString name = control->sessionName();

    const auto [stored, reason] = awaitSave(saveAs ? window->SaveAs(u"Refused"_s) : window->Save());
    QVERIFY(!stored);
    QVERIFY2(!reason.isEmpty(), "a refusal says why");
    QCOMPARE(storedSessions(), before);
    QCOMPARE(control->sessionName(), name);
    if (situation == u"paused"_s) {
        QVERIFY(reason.contains(u"SaveAs"_s));
    }
}

void DBusInterfaceTest::failedWriteAnswersTheStoresReason()
{
    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));
    QVERIFY(await(window->Start()));
    QTRY_VERIFY(control->elapsedMilliseconds() > 0);
    QVERIFY(await(window->Lap(u"kept"_s)));
    QVERIFY(await(window->Pause()));

    std::pair<bool, QString> answer;
    {
        // The sessions file cannot grow past a few bytes, as on a full disk.
        FileSizeLimit limit(120);
        QVERIFY(limit.isActive());
        answer = awaitSave(window->SaveAs(u"Full disk"_s));
    }
    QVERIFY(!answer.first);
    QVERIFY(!answer.second.isEmpty());
    QCOMPARE(answer.second, m_sessionModel->errorString());
    QVERIFY(storedSessions().isEmpty());
    QCOMPARE(control->sessionName(), QString());
    QVERIFY(control->window()->isWindowModified());

    // With room again the same call stores.
    QCOMPARE(awaitSave(window->SaveAs(u"Full disk"_s)), std::make_pair(true, QString()));
    QCOMPARE(storedSessions().size(), 1);
}

void DBusInterfaceTest::lapsOldestFirstWithNotes()
{
    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));
    QCOMPARE(await(window->Laps()), LapEntryList{});

    QVERIFY(await(window->Start()));
    const QStringList notes{u"out"_s, QString(), u"back, \"fast\""_s};
    for (const QString &note : notes) {
        const int before = control->elapsedMilliseconds();
        QTRY_VERIFY(control->elapsedMilliseconds() > before);
        QVERIFY(await(window->Lap(note)));
    }
    const LapEntryList laps = await(window->Laps());
    QCOMPARE(laps.size(), 3);
    const auto taken = control->laps();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(laps.at(i).note, notes.at(i));
        QCOMPARE(laps.at(i).milliseconds, qint64(taken.at(i).time()));
    }
    QVERIFY(laps.at(0).milliseconds < laps.at(1).milliseconds);
    QVERIFY(laps.at(1).milliseconds < laps.at(2).milliseconds);
}

void DBusInterfaceTest::sessionsInFileOrder()
{
    QCOMPARE(await(m_application->Sessions()), SessionEntryList{});

    const QDateTime morning(QDate(2026, 3, 1), QTime(7, 30, 5));
    Session first(7000, morning);
    first.setName(u"Morning run"_s);
    QVERIFY(m_sessionModel->append(first));
    // Stored by another process: the list must not wait for the file watcher.
    SessionModel other;
    Session second(9000, morning.addDays(-1));
    second.setName(u"Morning run"_s);
    QVERIFY(other.append(second));

    const SessionEntryList expected{{u"Morning run"_s, u"2026-03-01T07:30:05"_s}, {u"Morning run"_s, u"2026-02-28T07:30:05"_s}};
    QCOMPARE(await(m_application->Sessions()), expected);
}

void DBusInterfaceTest::closeOnlyWhatLosesNothing_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("closes");

    QTest::newRow("never started") << u"inactive"_s << true;
    QTest::newRow("reset") << u"reset"_s << true;
    QTest::newRow("saved") << u"saved"_s << true;
    QTest::newRow("running") << u"running"_s << false;
    QTest::newRow("paused, never saved") << u"paused"_s << false;
    QTest::newRow("resumed after a save") << u"changed after save"_s << false;
}

void DBusInterfaceTest::closeOnlyWhatLosesNothing()
{
    QFETCH(QString, situation);
    QFETCH(bool, closes);

    // Another window stays, so that the program does not end with the last one.
    const QDBusObjectPath other = m_service->applicationObject()->pathOf(m_service->openWindow());
    StopwatchControl *control = m_service->openWindow();
    QPointer<QWidget> widget = control->window();
    const QDBusObjectPath path = m_service->applicationObject()->pathOf(control);
    auto window = windowAt(path);
    if (situation != u"inactive"_s) {
        QVERIFY(await(window->Start()));
        QTRY_VERIFY(control->elapsedMilliseconds() > 0);
    }
    if (situation == u"reset"_s) {
        QVERIFY(await(window->Reset()));
    }
    if (situation == u"paused"_s || situation == u"saved"_s || situation == u"changed after save"_s) {
        QVERIFY(await(window->Pause()));
    }
    if (situation == u"saved"_s || situation == u"changed after save"_s) {
        QVERIFY(awaitSave(window->SaveAs(u"Kept"_s)).first);
    }
    if (situation == u"changed after save"_s) {
        QVERIFY(await(window->Start()));
        QVERIFY(await(window->Pause()));
    }

    // A question would block here until the test's time-out; nothing may ask.
    QCOMPARE(await(window->Close()), closes);
    if (closes) {
        QTRY_VERIFY(!widget);
        QCOMPARE(m_service->applicationObject()->windows(), QList<QDBusObjectPath>{other});
    } else {
        QVERIFY(widget && widget->isVisible());
        QCOMPARE(m_service->applicationObject()->windows(), (QList<QDBusObjectPath>{other, path}));
    }
}

void DBusInterfaceTest::dialogRefusesCommands()
{
    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));
    QDialog dialog(control->window());
    dialog.open();
    QVERIFY(control->hasOpenDialog());

    QDBusPendingReply<bool> reply = window->Start();
    QSignalSpy finished(new QDBusPendingCallWatcher(reply, this), &QDBusPendingCallWatcher::finished);
    QVERIFY(finished.wait(10000));
    QVERIFY(reply.isError());
    QCOMPARE(reply.error().name(), WindowObject::dialogOpenError());
    QVERIFY2(reply.error().message().contains(u"dialog"_s), qPrintable(reply.error().message()));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);

    // A dialog of another window does not stand in the way.
    StopwatchControl *other = m_service->openWindow();
    QVERIFY(!other->hasOpenDialog());
    QVERIFY(await(windowAt(m_service->applicationObject()->pathOf(other))->Start()));

    dialog.reject();
    QVERIFY(!control->hasOpenDialog());
    QVERIFY(await(window->Start()));
    QCOMPARE(control->state(), StopwatchControl::State::Running);
}

void DBusInterfaceTest::textsFromOutside_data()
{
    QTest::addColumn<bool>("asName");
    QTest::addColumn<QString>("sent");
    // A null text means the call is refused and nothing is kept.
    QTest::addColumn<QString>("kept");

    const QString longest(ControlText::MaximumLength, u'n');
    const QString tooLong = longest + u'n';
    const QString lineBreaks = u"one\ntwo\r\nthree\tfour"_s;
    const QString escapes = u"\x1b[31mred\x1b[0m \x07"_s + u"bell\x7f\u0085"_s;
    // A sender's QString holds it, but the bus carries only valid UTF-8: what arrives is what
    // the sender's encoder made of it, and that is kept.
    const QString loneSurrogate = u"split "_s + QChar(0xd800) + u" end"_s;
    const QString replaced = QString::fromUtf8(loneSurrogate.toUtf8());
    const QString unicode = u"Zieleinlauf \u00e9t\u00e9 \u2013 \U0001f3c1 \u0645\u0631\u062d\u0644\u0629"_s;

    for (const bool asName : {false, true}) {
        const char *kind = asName ? "name" : "note";
        QTest::addRow("%s: unicode kept as it is", kind) << asName << unicode << unicode;
        QTest::addRow("%s: as long as an editor takes", kind) << asName << longest << longest;
        QTest::addRow("%s: one character too long", kind) << asName << tooLong << QString();
        QTest::addRow("%s: a megabyte", kind) << asName << QString(1 << 20, u'x') << QString();
        QTest::addRow("%s: line breaks and tabs", kind) << asName << lineBreaks << u"one two  three four"_s;
        QTest::addRow("%s: escape sequences and other controls", kind) << asName << escapes << u" [31mred [0m  bell  "_s;
        QTest::addRow("%s: lone surrogate", kind) << asName << loneSurrogate << replaced;
    }
}

void DBusInterfaceTest::textsFromOutside()
{
    QFETCH(bool, asName);
    QFETCH(QString, sent);
    QFETCH(QString, kept);

    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));
    QVERIFY(await(window->Start()));
    QTRY_VERIFY(control->elapsedMilliseconds() > 0);

    if (!asName) {
        QDBusPendingReply<bool> reply = window->Lap(sent);
        QSignalSpy finished(new QDBusPendingCallWatcher(reply, this), &QDBusPendingCallWatcher::finished);
        QVERIFY(reply.isFinished() || finished.wait(10000));
        if (kept.isNull()) {
            QVERIFY(reply.isError());
            QCOMPARE(reply.error().type(), QDBusError::InvalidArgs);
            QVERIFY2(reply.error().message().contains(QLocale().toString(ControlText::MaximumLength)), qPrintable(reply.error().message()));
            QCOMPARE(control->lapCount(), 0);
        } else {
            QVERIFY2(!reply.isError(), qPrintable(reply.error().message()));
            QVERIFY(reply.value());
            QCOMPARE(control->laps().constFirst().note(), kept);
        }
    }
    QVERIFY(await(window->Pause()));

    const auto [stored, reason] = awaitSave(window->SaveAs(asName ? sent : u"Texts"_s));
    if (asName && kept.isNull()) {
        QVERIFY(!stored);
        QVERIFY2(reason.contains(QLocale().toString(ControlText::MaximumLength)), qPrintable(reason));
        QVERIFY(storedSessions().isEmpty());
        QCOMPARE(control->sessionName(), QString());
        return;
    }
    QVERIFY2(stored, qPrintable(reason));
    // What the window holds is what the file holds, and the file stays readable JSON.
    QFile file(SessionModel::fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonParseError error;
    const QJsonArray sessions = QJsonDocument::fromJson(file.readAll(), &error).object().value(u"sessions"_s).toArray();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(sessions.size(), 1);
    const QJsonObject session = sessions.first().toObject();
    if (asName) {
        QCOMPARE(control->sessionName(), kept);
        QCOMPARE(session.value(u"name"_s).toString(), kept);
    } else {
        const QJsonArray laps = session.value(u"laps"_s).toArray();
        QCOMPARE(laps.size(), kept.isNull() ? 0 : 1);
        if (!kept.isNull()) {
            QCOMPARE(laps.first().toObject().value(u"note"_s).toString(), kept);
        }
    }
}

void DBusInterfaceTest::newRunAndComparison()
{
    // An earlier run of the activity with laps of an hour: the new run is far ahead.
    Session earlier(7200000, QDateTime(QDate(2026, 4, 1), QTime(9, 0)));
    earlier.setName(u"Track"_s);
    earlier.addLap(Lap::fromMilliseconds(3600000));
    earlier.addLap(Lap::fromMilliseconds(7200000));
    QVERIFY(m_sessionModel->append(earlier));

    const QDBusObjectPath path = await(m_application->NewRun(u"Track"_s));
    QVERIFY(path.path().startsWith(u"/Windows/"_s));
    StopwatchControl *control = ControlRegistry::self()->active();
    QVERIFY(control);
    QCOMPARE(m_service->applicationObject()->pathOf(control), path);
    const auto property = [this, &path](const QString &name) {
        return awaitProperty(*m_client, path.path(), u"org.tickwarden.Tickwarden.Window"_s, name);
    };
    // A new run carries the name, stores nothing yet and compares with the best run.
    QCOMPARE(property(u"SessionName"_s), QVariant(u"Track"_s));
    QCOMPARE(property(u"Comparison"_s), QVariant(u"best"_s));
    QCOMPARE(property(u"HasDifference"_s), QVariant(true));
    QCOMPARE(property(u"Difference"_s), QVariant(qlonglong(0)));
    QCOMPARE(storedSessions().size(), 1);

    auto window = windowAt(path);
    QVERIFY(await(window->Start()));
    QTRY_VERIFY(control->elapsedMilliseconds() > 10);
    QVERIFY(await(window->Lap(u"first"_s)));
    QVERIFY(await(window->Pause()));
    const qlonglong lap = control->laps().constFirst().time();
    QCOMPARE(property(u"Difference"_s), QVariant(lap - 3600000));

    const auto setComparison = [this, &path](const QString &value) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path.path(), u"org.freedesktop.DBus.Properties"_s, u"Set"_s);
        message << u"org.tickwarden.Tickwarden.Window"_s << u"Comparison"_s << QVariant::fromValue(QDBusVariant(value));
        QDBusPendingReply<> reply = m_client->asyncCall(message);
        auto watcher = std::make_unique<QDBusPendingCallWatcher>(reply);
        QSignalSpy finished(watcher.get(), &QDBusPendingCallWatcher::finished);
        if (!reply.isFinished()) {
            finished.wait(10000);
        }
        return reply.isError() ? reply.error().name() : QString();
    };
    QCOMPARE(setComparison(u"none"_s), QString());
    QCOMPARE(property(u"Comparison"_s), QVariant(u"none"_s));
    QCOMPARE(property(u"HasDifference"_s), QVariant(false));
    QCOMPARE(property(u"Difference"_s), QVariant(qlonglong(0)));
    // The choice belongs to the run: it needs saving like any change.
    QVERIFY(control->window()->isWindowModified());
    // What cannot be chosen leaves the choice as it was, as a read shows.
    for (const QString &refused : {u"session"_s, u"fastest"_s, QString()}) {
        setComparison(refused);
        QCOMPARE(property(u"Comparison"_s), QVariant(u"none"_s));
    }
    {
        QDialog dialog(control->window());
        dialog.open();
        setComparison(u"best"_s);
        QCOMPARE(property(u"Comparison"_s), QVariant(u"none"_s));
    }
    QCOMPARE(setComparison(u"previous"_s), QString());

    // Saved, the run goes beside the earlier one, with its choice.
    QCOMPARE(awaitSave(window->Save()), std::make_pair(true, QString()));
    const QStringList stored = storedSessions();
    QCOMPARE(stored.size(), 2);
    QVERIFY(stored.at(1).startsWith(u"Track|"_s));
    QFile file(SessionModel::fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray sessions = QJsonDocument::fromJson(file.readAll()).object().value(u"sessions"_s).toArray();
    QCOMPARE(sessions.at(1).toObject().value(u"compareWith"_s).toObject().value(u"kind"_s).toString(), u"previous"_s);
    QVERIFY(!control->window()->isWindowModified());
}

void DBusInterfaceTest::newRunRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("too long") << QString(ControlText::MaximumLength + 1, u'n');
}

void DBusInterfaceTest::newRunRefused()
{
    QFETCH(QString, name);
    QDBusPendingReply<QDBusObjectPath> reply = m_application->NewRun(name);
    QSignalSpy finished(new QDBusPendingCallWatcher(reply, this), &QDBusPendingCallWatcher::finished);
    QVERIFY(reply.isFinished() || finished.wait(10000));
    QVERIFY(reply.isError());
    QCOMPARE(reply.error().type(), QDBusError::InvalidArgs);
    QVERIFY(ControlRegistry::self()->controls().isEmpty());
}

void DBusInterfaceTest::laterLaunchSaysWhyItWasRefused()
{
    // This process stands in for the running program, under the name a launch looks for.
    const QString name = u"org.tickwarden.tickwarden"_s;
    QVERIFY(QDBusConnection::sessionBus().registerService(name));
    const auto unregister = qScopeGuard([&name] {
        QDBusConnection::sessionBus().unregisterService(name);
    });
    StopwatchControl *control = m_service->openWindow();
    QDialog dialog(control->window());
    dialog.open();

    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    env.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"KDE_DEBUG"_s, u"1"_s);
    const auto launch = [&env](const QStringList &arguments) {
        // The process ends with the QProcess should the launch not end by itself.
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        QSignalSpy finished(process.get(), &QProcess::finished);
        process->start(QStringLiteral(TICKWARDEN_BINARY), arguments);
        // Waiting with the event loop running: this process answers the launch's calls.
        finished.wait(30000);
        return process;
    };

    const auto refused = launch({u"--start"_s});
    QCOMPARE(refused->state(), QProcess::NotRunning);
    QCOMPARE(refused->exitCode(), 1);
    const QString message = QString::fromLocal8Bit(refused->readAllStandardError());
    QVERIFY2(message.contains(u"waiting for the answer to a dialog"_s), qPrintable(message));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);

    dialog.reject();
    const auto started = launch({u"--start"_s});
    QCOMPARE(started->state(), QProcess::NotRunning);
    QCOMPARE(started->exitCode(), 0);
    QCOMPARE(control->state(), StopwatchControl::State::Running);
}

QTEST_MAIN(DBusInterfaceTest)

#include "dbusinterfacetest.moc"
