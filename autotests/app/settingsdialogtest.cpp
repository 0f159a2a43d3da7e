// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"

#include <KActionCollection>
#include <KConfigDialog>
#include <KLocalizedString>
#include <KPageWidget>
#include <KPageWidgetModel>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void oneDialogForAllWindows();
    void pagesInOrderWithIcons();
    void applyingReachesEveryWindow();

private:
    KConfigDialog *openSettings(MainWindow *window);

    QTemporaryDir m_iconTheme;
    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<MainWindow> m_first;
    std::unique_ptr<MainWindow> m_second;
};

void SettingsDialogTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));

    // A private icon theme holding the program's icon, as an installation provides it.
    QVERIFY(m_iconTheme.isValid());
    // PNG rather than SVG, so that the test does not need Qt's SVG plugins.
    const QString apps = m_iconTheme.filePath(u"hicolor/32x32/apps"_s);
    QVERIFY(QDir().mkpath(apps));
    // The page icons only need to exist under their names here.
    for (const auto name : {"tickwarden", "preferences-desktop-font", "fill-color"}) {
        QVERIFY(QFile::copy(QStringLiteral(TICKWARDEN_ICON_PNG), apps + u'/' + QLatin1StringView(name) + u".png"_s));
    }
    QFile index(m_iconTheme.filePath(u"hicolor/index.theme"_s));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=hicolor\nDirectories=32x32/apps\n\n[32x32/apps]\nSize=32\nType=Threshold\n");
    index.close();
    QIcon::setThemeSearchPaths({m_iconTheme.path()});
    QIcon::setThemeName(u"hicolor"_s);
    QApplication::setWindowIcon(QIcon::fromTheme(u"tickwarden"_s));
    QCOMPARE(QApplication::windowIcon().name(), u"tickwarden"_s);
}

void SettingsDialogTest::init()
{
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s);
    TickwardenConfig::self()->setDefaults();
    TickwardenConfig::self()->save();
    m_store = std::make_unique<SessionModel>();
    m_first = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    m_second = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
}

void SettingsDialogTest::cleanup()
{
    delete KConfigDialog::exists(u"settings"_s);
    m_first.reset();
    m_second.reset();
    m_store.reset();
}

KConfigDialog *SettingsDialogTest::openSettings(MainWindow *window)
{
    window->actionCollection()->action(u"options_configure"_s)->trigger();
    return KConfigDialog::exists(u"settings"_s);
}

void SettingsDialogTest::oneDialogForAllWindows()
{
    KConfigDialog *dialog = openSettings(m_first.get());
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->parent(), m_first.get());

    dialog->hide();
    QCOMPARE(openSettings(m_second.get()), dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(openSettings(m_first.get()), dialog);
    QCOMPARE(m_first->findChildren<KConfigDialog *>().size(), 1);
    QCOMPARE(m_second->findChildren<KConfigDialog *>().size(), 0);
}

void SettingsDialogTest::pagesInOrderWithIcons()
{
    KConfigDialog *dialog = openSettings(m_first.get());
    auto model = qobject_cast<KPageWidgetModel *>(dialog->findChild<KPageWidget *>()->model());
    QVERIFY(model);
    QCOMPARE(model->rowCount(), 3);

    const QStringList names{u"General Settings"_s, u"Font Settings"_s, u"Color Settings"_s};
    const QStringList pages{u"GeneralSettings"_s, u"FontSettings"_s, u"ColorSettings"_s};
    const QStringList icons{u"tickwarden"_s, u"preferences-desktop-font"_s, u"fill-color"_s};
    for (int row = 0; row < 3; ++row) {
        KPageWidgetItem *item = model->item(model->index(row, 0));
        QCOMPARE(item->name(), names.at(row));
        // The dialog wraps each page in a frame of its own.
        QVERIFY(item->widget()->objectName() == pages.at(row) || item->widget()->findChild<QWidget *>(pages.at(row)));
        QCOMPARE(item->icon().name(), icons.at(row));
    }
}

void SettingsDialogTest::applyingReachesEveryWindow()
{
    auto firstStopwatch = m_first->findChild<Stopwatch *>();
    auto secondStopwatch = m_second->findChild<Stopwatch *>();
    QCOMPARE(secondStopwatch->granularity(), 10);
    QVERIFY(m_second->findChild<QWidget *>(u"m_hourGroup"_s)->isHidden());

    KConfigDialog *dialog = openSettings(m_first.get());
    dialog->findChild<QCheckBox *>(u"kcfg_showHours"_s)->click();
    auto fractions = dialog->findChild<QComboBox *>(u"kcfg_fractionsType"_s);
    fractions->setFocus();
    QTest::keyClick(fractions, Qt::Key_Down);
    QCOMPARE(fractions->currentIndex(), 2);

    QPushButton *apply = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Apply);
    QVERIFY(apply->isEnabled());
    apply->click();

    QCOMPARE(TickwardenConfig::fractionsType(), TimeFormat::UpToMilliseconds);
    for (MainWindow *window : {m_first.get(), m_second.get()}) {
        QVERIFY(!window->findChild<QWidget *>(u"m_hourGroup"_s)->isHidden());
        QCOMPARE(window->findChild<QWidget *>(u"m_fracGroup"_s)->property("title").toString(), u"Milliseconds"_s);
    }
    QCOMPARE(firstStopwatch->granularity(), 1);
    QCOMPARE(secondStopwatch->granularity(), 1);
}

QTEST_MAIN(SettingsDialogTest)

#include "settingsdialogtest.moc"
