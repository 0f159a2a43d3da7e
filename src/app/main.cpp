// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "aboutdata.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"

#include <KAboutData>
#include <KCrash>
#include <KLocalizedString>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
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

    const QFileInfo dataDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    if (!dataDir.exists()) {
        // One level only: a missing parent means a broken home, and the session store
        // then reports that it cannot write.
        QDir(dataDir.absolutePath()).mkdir(dataDir.fileName());
    }

    SessionModel sessionModel;

    auto window = new MainWindow(&sessionModel, nullptr, Session(0, QDateTime::currentDateTime()));
    window->show();

    return app.exec();
}
