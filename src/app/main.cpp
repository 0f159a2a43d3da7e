// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "aboutdata.h"
#include "controlcommand.h"
#include "controlservice.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "windowrecovery.h"

#include <KAboutData>
#include <KCrash>
#include <KDBusService>
#include <KLocalizedString>

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace
{
// The program's own icon from its resources, each size read only when drawn: looked up by
// name, it would cost a search through every folder of the icon themes before the first
// window shows.
QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 32, 48, 64, 128, 256}) {
        icon.addFile(u":/icons/tickwarden/%1.png"_s.arg(size), QSize(size, size));
    }
    return icon;
}
}

int main(int argc, char *argv[])
{
    // A running time changes a few small cells a frame. Through shared memory, Qt's X11
    // backing store first waits for the server to finish reading the last frame, a round
    // trip that wakes two threads every frame; sent with the request, the few kilobytes cost
    // less. Only read on X11 while the connection to the server is made, and a setting of
    // the user's own is kept. Ours is taken back at once: the programs this one starts (the
    // handbook's viewer, a browser) inherit the environment and have frames of their own.
    const bool ownFrameSetting = !qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    if (ownFrameSetting) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
    QApplication app(argc, argv);
    if (ownFrameSetting) {
        qunsetenv("QT_XCB_NO_MITSHM");
    }
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KCrash::initialize();

    KAboutData aboutData = tickwardenAboutData();
    KAboutData::setApplicationData(aboutData);

    // Without a desktop's platform theme Qt searches hicolor first, and finds each of KDE's
    // icons only in the fallback theme after a miss in every folder of hicolor.
    if (QIcon::themeName() == u"hicolor" && !QIcon::fallbackThemeName().isEmpty()) {
        QIcon::setThemeName(QIcon::fallbackThemeName());
    }
    QApplication::setWindowIcon(programIcon());

    QCommandLineParser parser;
    ControlCommand::setupParser(parser);
    aboutData.setupCommandLine(&parser);
    parser.process(app);
    aboutData.processCommandLine(&parser);
    const ControlCommand command = ControlCommand::fromParser(parser);
    if (const auto status = ControlService::checkBeforeStart(command)) {
        return *status;
    }
    // A later launch hands its arguments to this process and ends; without a session bus
    // every launch is a program of its own.
    KDBusService dbusService(KDBusService::Unique | KDBusService::NoExitOnFailure);

    // The whole path: on a fresh account even ~/.local/share may be missing. Should this
    // fail, the session store tries again with every save and tells the user why it cannot.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));

    SessionModel sessionModel;

    ControlService control(&sessionModel, [&sessionModel](const Session &session) {
        auto window = new MainWindow(&sessionModel, nullptr, session);
        window->show();
    });
    control.attach(&dbusService);

    // Windows saved at logout or left behind by a crash come back; otherwise one new window.
    WindowRecovery::reopenWindows([&sessionModel] {
        return new MainWindow(&sessionModel, nullptr, Session(0, QDateTime::currentDateTime()));
    });
    control.startUp(command);

    return app.exec();
}
