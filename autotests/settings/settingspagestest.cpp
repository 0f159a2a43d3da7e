// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "colorsettings.h"
#include "durationedit.h"
#include "fontsettings.h"
#include "generalsettings.h"
#include "tickwardenconfig.h"

#include <KColorButton>
#include <KConfigDialog>
#include <KConfigGroup>
#include <KFontRequester>
#include <KLocalizedString>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
struct Dependency {
    QString tab;
    QString checkBox;
    QString dependent;
};

// Each check box with the widget that follows it: a combo box is disabled, the lap block hidden.
const Dependency dependencies[] = {
    {u"tab"_s, u"kcfg_showSecondFractions"_s, u"kcfg_fractionsType"_s},
    {u"tab_2"_s, u"kcfg_showLapSecondFractions"_s, u"kcfg_lapFractionsType"_s},
    {u"tab_2"_s, u"kcfg_isLapsRecordingEnabled"_s, u"lapSettings"_s},
};

const QStringList boundKeys = {
    u"startTimerImmediately"_s,
    u"showHours"_s,
    u"showMinutes"_s,
    u"showSecondFractions"_s,
    u"fractionsType"_s,
    u"isLapsRecordingEnabled"_s,
    u"showLapHours"_s,
    u"showLapMinutes"_s,
    u"showLapSecondFractions"_s,
    u"lapFractionsType"_s,
    u"showLapAbsoluteTimes"_s,
    u"showLapNotes"_s,
    u"markFastestSlowestLaps"_s,
    u"showLapMeanDifference"_s,
    u"lapTarget"_s,
    u"hourFont"_s,
    u"minFont"_s,
    u"secFont"_s,
    u"fracFont"_s,
    u"backgroundColor"_s,
    u"textColor"_s,
    u"showTrayItem"_s,
    u"digitsTime"_s,
    u"showRunningLap"_s,
};

QString configPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s;
}

QVariant widgetValue(const QWidget *widget)
{
    if (const auto checkBox = qobject_cast<const QCheckBox *>(widget)) {
        return checkBox->isChecked();
    }
    if (const auto comboBox = qobject_cast<const QComboBox *>(widget)) {
        return comboBox->currentIndex();
    }
    if (const auto requester = qobject_cast<const KFontRequester *>(widget)) {
        return requester->font();
    }
    if (const auto button = qobject_cast<const KColorButton *>(widget)) {
        return button->color();
    }
    if (const auto duration = qobject_cast<const DurationEdit *>(widget)) {
        return duration->milliseconds();
    }
    return {};
}

QFont schemaDefaultFont()
{
    return QFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), 54);
}
}

class SettingsPagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void bindings_data();
    void bindings();
    void onlySettingsKeysAreBound();
    void checkBoxesControlTheirDependents_data();
    void checkBoxesControlTheirDependents();
    void loadedValuesLeaveDependentsConsistent_data();
    void loadedValuesLeaveDependentsConsistent();
    void applyStoresChosenFractions();
    void applyStoresLapTarget();
    void generalPageStartsOnLapsTab();
    void restoreDefaultsPutsSchemaFonts();

private:
    // Builds the dialog the way the main window does; it loads the settings when shown.
    KConfigDialog *createDialog();
    KConfigDialog *openDialog();
    template<typename T = QWidget>
    T *child(const QString &name) const;
    [[nodiscard]] bool dependentOn(const QString &name) const;

    std::unique_ptr<KConfigDialog> m_dialog;
};

void SettingsPagesTest::initTestCase()
{
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(configPath());
}

void SettingsPagesTest::init()
{
    TickwardenConfig::self()->setDefaults();
}

void SettingsPagesTest::cleanup()
{
    m_dialog.reset();
}

void SettingsPagesTest::cleanupTestCase()
{
    QFile::remove(configPath());
}

KConfigDialog *SettingsPagesTest::createDialog()
{
    m_dialog = std::make_unique<KConfigDialog>(nullptr, u"settings"_s, TickwardenConfig::self());
    m_dialog->addPage(new GeneralSettings(m_dialog.get()), i18nc("@title:tab", "General Settings"));
    m_dialog->addPage(new FontSettings(m_dialog.get()), i18nc("@title:tab", "Font Settings"));
    m_dialog->addPage(new ColorSettings(m_dialog.get()), i18nc("@title:tab", "Color Settings"));
    return m_dialog.get();
}

KConfigDialog *SettingsPagesTest::openDialog()
{
    createDialog()->show();
    return m_dialog.get();
}

template<typename T>
T *SettingsPagesTest::child(const QString &name) const
{
    return m_dialog->findChild<T *>(name);
}

bool SettingsPagesTest::dependentOn(const QString &name) const
{
    const QWidget *widget = child(name);
    return name == u"lapSettings" ? !widget->isHidden() : widget->isEnabled();
}

void SettingsPagesTest::bindings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("className");
    QTest::addColumn<QVariant>("value");

    // Each value differs from the form's own state, so only loading can put it there.
    QFont font(u"Serif"_s, 17);
    font.setItalic(true);
    QTest::newRow("startTimerImmediately") << u"startTimerImmediately"_s << "QCheckBox"_ba << QVariant(true);
    QTest::newRow("showHours") << u"showHours"_s << "QCheckBox"_ba << QVariant(false);
    QTest::newRow("showMinutes") << u"showMinutes"_s << "QCheckBox"_ba << QVariant(false);
    QTest::newRow("showSecondFractions") << u"showSecondFractions"_s << "QCheckBox"_ba << QVariant(false);
    QTest::newRow("fractionsType") << u"fractionsType"_s << "QComboBox"_ba << QVariant(int(TimeFormat::UpToMilliseconds));
    QTest::newRow("isLapsRecordingEnabled") << u"isLapsRecordingEnabled"_s << "QCheckBox"_ba << QVariant(true);
    QTest::newRow("showLapHours") << u"showLapHours"_s << "QCheckBox"_ba << QVariant(false);
    QTest::newRow("showLapMinutes") << u"showLapMinutes"_s << "QCheckBox"_ba << QVariant(false);
    QTest::newRow("showLapSecondFractions") << u"showLapSecondFractions"_s << "QCheckBox"_ba << QVariant(false);
    QTest::newRow("lapFractionsType") << u"lapFractionsType"_s << "QComboBox"_ba << QVariant(int(TimeFormat::UpToMilliseconds));
    QTest::newRow("showLapAbsoluteTimes") << u"showLapAbsoluteTimes"_s << "QCheckBox"_ba << QVariant(true);
    QTest::newRow("showLapNotes") << u"showLapNotes"_s << "QCheckBox"_ba << QVariant(true);
    QTest::newRow("showTrayItem") << u"showTrayItem"_s << "QCheckBox"_ba << QVariant(true);
    QTest::newRow("lapTarget") << u"lapTarget"_s << "DurationEdit"_ba << QVariant(95000);
    QTest::newRow("hourFont") << u"hourFont"_s << "KFontRequester"_ba << QVariant(font);
    QTest::newRow("minFont") << u"minFont"_s << "KFontRequester"_ba << QVariant(font);
    QTest::newRow("secFont") << u"secFont"_s << "KFontRequester"_ba << QVariant(font);
    QTest::newRow("fracFont") << u"fracFont"_s << "KFontRequester"_ba << QVariant(font);
    QTest::newRow("backgroundColor") << u"backgroundColor"_s << "KColorButton"_ba << QVariant(QColor(Qt::darkRed));
    QTest::newRow("textColor") << u"textColor"_s << "KColorButton"_ba << QVariant(QColor(Qt::yellow));
}

void SettingsPagesTest::bindings()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, className);
    QFETCH(QVariant, value);

    KConfigSkeletonItem *item = TickwardenConfig::self()->findItem(key);
    QVERIFY(item);
    item->setProperty(value);

    openDialog();
    const QList<QWidget *> widgets = m_dialog->findChildren<QWidget *>(u"kcfg_"_s + key);
    QCOMPARE(widgets.size(), 1);
    QCOMPARE(QByteArray(widgets.first()->metaObject()->className()), className);
    QCOMPARE(widgetValue(widgets.first()), value);
}

void SettingsPagesTest::onlySettingsKeysAreBound()
{
    openDialog();
    QStringList bound;
    const QList<QWidget *> widgets = m_dialog->findChildren<QWidget *>();
    for (const QWidget *widget : widgets) {
        if (widget->objectName().startsWith(u"kcfg_")) {
            bound << widget->objectName().mid(5);
        }
    }
    bound.sort();
    QStringList expected = boundKeys;
    expected.sort();
    // menuBarNeverShown and lapSummaryExpanded are kept by the window, not edited on a page.
    QCOMPARE(bound, expected);
}

void SettingsPagesTest::checkBoxesControlTheirDependents_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("display fractions") << 0;
    QTest::newRow("lap fractions") << 1;
    QTest::newRow("laps recording") << 2;
}

void SettingsPagesTest::checkBoxesControlTheirDependents()
{
    QFETCH(int, index);
    openDialog();
    const Dependency &toggled = dependencies[index];
    child<QTabWidget>(u"tabWidget"_s)->setCurrentWidget(child(toggled.tab));
    auto checkBox = child<QCheckBox>(toggled.checkBox);
    QVERIFY(checkBox->isChecked());

    checkBox->click();
    QVERIFY(!checkBox->isChecked());
    QVERIFY(checkBox->isVisible());
    for (const Dependency &dependency : dependencies) {
        QCOMPARE(dependentOn(dependency.dependent), &dependency != &toggled);
    }

    checkBox->click();
    for (const Dependency &dependency : dependencies) {
        QVERIFY(dependentOn(dependency.dependent));
    }
}

void SettingsPagesTest::loadedValuesLeaveDependentsConsistent_data()
{
    QTest::addColumn<bool>("showFractions");
    QTest::addColumn<bool>("showLapFractions");
    QTest::addColumn<bool>("lapsRecording");

    QTest::newRow("all on") << true << true << true;
    QTest::newRow("all off") << false << false << false;
    QTest::newRow("laps recording off, as the form") << true << true << false;
    QTest::newRow("display fractions off") << false << true << true;
    QTest::newRow("lap fractions off") << true << false << true;
}

void SettingsPagesTest::loadedValuesLeaveDependentsConsistent()
{
    QFETCH(bool, showFractions);
    QFETCH(bool, showLapFractions);
    QFETCH(bool, lapsRecording);
    TickwardenConfig::setShowSecondFractions(showFractions);
    TickwardenConfig::setShowLapSecondFractions(showLapFractions);
    TickwardenConfig::setIsLapsRecordingEnabled(lapsRecording);

    openDialog();
    for (const Dependency &dependency : dependencies) {
        const bool checked = child<QCheckBox>(dependency.checkBox)->isChecked();
        QCOMPARE(dependentOn(dependency.dependent), checked);
    }
    QCOMPARE(child(u"groupBox"_s)->isVisible(), lapsRecording);
    QCOMPARE(child(u"kcfg_showLapNotes"_s)->isVisible(), lapsRecording);
}

void SettingsPagesTest::applyStoresChosenFractions()
{
    openDialog();
    QSignalSpy settingsChanged(m_dialog.get(), &KConfigDialog::settingsChanged);
    auto apply = m_dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Apply);
    QVERIFY(apply);

    auto comboBox = child<QComboBox>(u"kcfg_fractionsType"_s);
    QCOMPARE(comboBox->currentIndex(), 1);
    QCOMPARE(comboBox->itemText(2), u"Up to Thousandths"_s);
    QTest::keyClick(comboBox, Qt::Key_Down);
    QCOMPARE(comboBox->currentIndex(), 2);
    QVERIFY(apply->isEnabled());
    apply->click();

    QCOMPARE(settingsChanged.count(), 1);
    QCOMPARE(settingsChanged.first().first().toString(), u"settings"_s);
    QCOMPARE(TickwardenConfig::fractionsType(), TimeFormat::UpToMilliseconds);
    QCOMPARE(int(TickwardenConfig::fractionsType()), 2);
    QCOMPARE(TickwardenConfig::lapFractionsType(), TimeFormat::UpToHundredths);
    QCOMPARE(TickwardenConfig::self()->config()->group(u"General"_s).readEntry("fractionsType"), u"UpToMilliseconds"_s);
}

void SettingsPagesTest::applyStoresLapTarget()
{
    openDialog();
    auto apply = m_dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Apply);
    auto edit = child<DurationEdit>(u"kcfg_lapTarget"_s);
    QCOMPARE(edit->text(), u"None"_s);

    // Stepped as the arrow keys do: up from None is a minute, not an hour; then three seconds.
    edit->stepBy(1);
    QCOMPARE(edit->milliseconds(), 60000);
    edit->setCurrentSection(QDateTimeEdit::SecondSection);
    edit->stepBy(3);
    QCOMPARE(edit->milliseconds(), 63000);
    QVERIFY(apply->isEnabled());
    apply->click();
    QCOMPARE(TickwardenConfig::lapTarget(), 63000);
    QCOMPARE(TickwardenConfig::self()->config()->group(u"Laps"_s).readEntry("lapTarget", 0), 63000);
}

void SettingsPagesTest::generalPageStartsOnLapsTab()
{
    openDialog();
    auto tabWidget = child<QTabWidget>(u"tabWidget"_s);
    QCOMPARE(tabWidget->currentIndex(), 1);
    QCOMPARE(tabWidget->tabText(1), u"Laps"_s);
    QCOMPARE(tabWidget->currentWidget()->objectName(), u"tab_2"_s);
}

void SettingsPagesTest::restoreDefaultsPutsSchemaFonts()
{
    const QFont stored(u"Serif"_s, 17, QFont::Bold);
    TickwardenConfig::setHourFont(stored);
    TickwardenConfig::setMinFont(stored);
    TickwardenConfig::setSecFont(stored);
    TickwardenConfig::setFracFont(stored);

    // The dialog loads the settings as soon as it takes a page, so the preset shows only on a page of its own.
    const FontSettings page(nullptr);
    const QList<KFontRequester *> presetRequesters = page.findChildren<KFontRequester *>();
    QCOMPARE(presetRequesters.size(), 4);
    for (const KFontRequester *requester : presetRequesters) {
        const QFont preset = requester->font();
        QCOMPARE(preset.families(), QStringList{u"Sans Serif"_s});
        QCOMPARE(preset.pointSize(), 54);
        QCOMPARE(preset.weight(), QFont::Normal);
        QCOMPARE(preset.style(), QFont::StyleNormal);
    }

    openDialog();
    const QList<KFontRequester *> requesters = m_dialog->findChildren<KFontRequester *>();
    QCOMPARE(requesters.size(), 4);
    for (const KFontRequester *requester : requesters) {
        QCOMPARE(requester->font(), stored);
    }

    m_dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::RestoreDefaults)->click();
    for (const KFontRequester *requester : requesters) {
        QCOMPARE(requester->font(), schemaDefaultFont());
    }
}

QTEST_MAIN(SettingsPagesTest)

#include "settingspagestest.moc"
