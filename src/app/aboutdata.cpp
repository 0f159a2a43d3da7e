// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "aboutdata.h"

#include "tickwarden_version.h"

#include <KAboutData>
#include <KLocalizedString>

using namespace Qt::Literals::StringLiterals;

KAboutData tickwardenAboutData()
{
    // The project has no home page, bug tracker or mail address yet. Every address stays
    // empty, so the help menu offers no Report Bug entry and the About dialog no link
    // that leads nowhere.
    KAboutData aboutData(u"tickwarden"_s,
                         i18nc("KAboutData display name", "Tickwarden"),
                         QStringLiteral(TICKWARDEN_VERSION_STRING),
                         i18n("Tickwarden is a simple stopwatch application"),
                         KAboutLicense::GPL,
                         i18n("© 2026 The Tickwarden developers"),
                         QString(),
                         QString(),
                         QString());
    aboutData.addAuthor(i18nc("@info:credit", "The Tickwarden developers"), i18n("Maintainer"));
    aboutData.addCredit(i18nc("@info:credit", "The Tickwarden developers"), i18n("Tickwarden icon"));
    aboutData.setDesktopFileName(u"org.tickwarden.Tickwarden"_s);
    // Without a home page the domain would fall back to KDE's. This one matches the
    // application id above, so the one-instance bus name is org.tickwarden.tickwarden.
    aboutData.setOrganizationDomain(QByteArrayLiteral("tickwarden.org"));
    return aboutData;
}
