// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "tickwarden_version.h"
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

    // The project has no web presence yet; the reserved ".invalid" names make that plain
    // instead of pointing users at somebody else's address.
    KAboutData aboutData(u"tickwarden"_s,
                         i18nc("KAboutData display name", "Tickwarden"),
                         QStringLiteral(TICKWARDEN_VERSION_STRING),
                         i18n("Tickwarden is a simple stopwatch application"),
                         KAboutLicense::GPL,
                         i18n("© 2026 The Tickwarden developers"),
                         QString(),
                         u"https://tickwarden.invalid/"_s,
                         u"https://tickwarden.invalid/bugs"_s);
    aboutData.addAuthor(i18nc("@info:credit", "The Tickwarden developers"),
                        i18n("Maintainer"),
                        u"developers@tickwarden.invalid"_s,
                        u"https://tickwarden.invalid/"_s);
    aboutData.addCredit(i18nc("@info:credit", "The Tickwarden developers"), i18n("Tickwarden icon"), u"developers@tickwarden.invalid"_s);
    aboutData.setDesktopFileName(u"org.tickwarden.Tickwarden"_s);
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
