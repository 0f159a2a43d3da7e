// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "aboutdata.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "windowrecovery.h"

#include <KAboutData>
#include <KCrash>
#include <KLocalizedString>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KCrash::initialize();

    const KAboutData aboutData = tickwardenAboutData();
    KAboutData::setApplicationData(aboutData);

    QApplication::setWindowIcon(QIcon::fromTheme(u"tickwarden"_s));

    // The whole path: on a fresh account even ~/.local/share may be missing. Should this
    // fail, the session store tries again with every save and tells the user why it cannot.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));

    SessionModel sessionModel;

    // Windows saved at logout or left behind by a crash come back; otherwise one new window.
    WindowRecovery::reopenWindows([&sessionModel] {
        return new MainWindow(&sessionModel, nullptr, Session(0, QDateTime::currentDateTime()));
    });

    return app.exec();
}
