// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "aboutdata.h"
#include "tickwarden_version.h"

#include <KAboutData>
#include <KHelpMenu>
#include <KLocalizedString>

#include <QMenu>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class AboutDataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void noAddressThatLeadsNowhere();
    void identityAndCreditsKept();
    void helpMenuOffersNoBugReport();
};

void AboutDataTest::initTestCase()
{
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KAboutData::setApplicationData(tickwardenAboutData());
}

void AboutDataTest::noAddressThatLeadsNowhere()
{
    const KAboutData data = tickwardenAboutData();
    QCOMPARE(data.bugAddress(), QString());
    QCOMPARE(data.homepage(), QString());
    const auto people = data.authors() + data.credits();
    QVERIFY(!people.isEmpty());
    for (const KAboutPerson &person : people) {
        QCOMPARE(person.emailAddress(), QString());
        QCOMPARE(person.webAddress(), QString());
    }
}

void AboutDataTest::identityAndCreditsKept()
{
    const KAboutData data = tickwardenAboutData();
    QCOMPARE(data.componentName(), u"tickwarden"_s);
    QCOMPARE(data.displayName(), u"Tickwarden"_s);
    QCOMPARE(data.version(), QStringLiteral(TICKWARDEN_VERSION_STRING));
    QCOMPARE(data.desktopFileName(), u"org.tickwarden.Tickwarden"_s);
    QCOMPARE(data.organizationDomain(), u"tickwarden.org"_s);
    QCOMPARE(data.licenses().size(), 1);
    QCOMPARE(data.licenses().constFirst().key(), KAboutLicense::GPL);
    QVERIFY(data.copyrightStatement().contains(u"2026"_s));
    QCOMPARE(data.authors().size(), 1);
    QCOMPARE(data.authors().constFirst().task(), u"Maintainer"_s);
    QCOMPARE(data.credits().size(), 1);
    QCOMPARE(data.credits().constFirst().task(), u"Tickwarden icon"_s);
}

void AboutDataTest::helpMenuOffersNoBugReport()
{
    KHelpMenu helpMenu;
    QMenu *menu = helpMenu.menu();
    QVERIFY(menu);
    // The About entry proves the menu was built from the program's data.
    QAction *about = helpMenu.action(KHelpMenu::menuAboutApp);
    QVERIFY(about);
    QVERIFY(menu->actions().contains(about));
    QAction *reportBug = helpMenu.action(KHelpMenu::menuReportBug);
    QVERIFY(!reportBug || !menu->actions().contains(reportBug));
}

QTEST_MAIN(AboutDataTest)

#include "aboutdatatest.moc"
