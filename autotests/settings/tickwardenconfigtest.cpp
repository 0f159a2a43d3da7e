// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "tickwardenconfig.h"

#include <KCoreConfigSkeleton>
#include <KSharedConfig>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QPalette>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <type_traits>
#include <vector>

using namespace Qt::Literals::StringLiterals;

static_assert(std::is_same_v<decltype(TickwardenConfig::fractionsType()), TimeFormat::SecondFraction>);
static_assert(std::is_same_v<decltype(TickwardenConfig::lapFractionsType()), TimeFormat::SecondFraction>);

namespace
{
using NotifyFunction = void (TickwardenConfig::*)(quint64);

// The generated notify function is private; an explicit instantiation may still name it.
NotifyFunction itemChangedFunction();
template<NotifyFunction Function>
struct ItemChangedAccess {
    friend NotifyFunction itemChangedFunction()
    {
        return Function;
    }
};
template struct ItemChangedAccess<&TickwardenConfig::itemChanged>;

QString configPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s;
}

bool writeConfigFile(const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(configPath()).absolutePath());
    QFile file(configPath());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

void reload()
{
    TickwardenConfig::self()->config()->reparseConfiguration();
    TickwardenConfig::self()->read();
}

// The entries of one group as the file holds them, read without KConfig.
QStringList groupLines(const QString &group)
{
    QFile file(configPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    const QString header = u'[' + group + u']';
    QStringList lines;
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == header;
        } else if (inGroup && !line.isEmpty()) {
            lines << line;
        }
    }
    return lines;
}

QString lockQuery(const QString &key)
{
    return u"is"_s + key.front().toUpper() + key.mid(1) + u"Immutable"_s;
}

QFont defaultDisplayFont()
{
    return QFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), 54);
}

// Watches every change signal of the settings object at once.
class SignalRecorder
{
public:
    SignalRecorder()
    {
        const QMetaObject *meta = TickwardenConfig::self()->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal) {
                m_spies.push_back(std::make_unique<QSignalSpy>(TickwardenConfig::self(), method));
            }
        }
    }

    [[nodiscard]] QStringList emitted() const
    {
        QStringList names;
        for (const auto &spy : m_spies) {
            for (qsizetype i = 0; i < spy->count(); ++i) {
                names << QString::fromLatin1(spy->signal().chopped(2));
            }
        }
        return names;
    }

    [[nodiscard]] qsizetype signalCount() const
    {
        return static_cast<qsizetype>(m_spies.size());
    }

private:
    std::vector<std::unique_ptr<QSignalSpy>> m_spies;
};
}

class TickwardenConfigTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void defaultsWithoutFile_data();
    void defaultsWithoutFile();
    void defaultFontsAreOneFont();
    void setterEmitsOnlyOnChange_data();
    void setterEmitsOnlyOnChange();
    void enumStoredByChoiceName_data();
    void enumStoredByChoiceName();
    void lockedKeyRefusesSetter_data();
    void lockedKeyRefusesSetter();
    void itemChangedEmitsByNumber_data();
    void itemChangedEmitsByNumber();
    void itemsSignalChangesFromReadAndDialog();
};

void TickwardenConfigTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(configPath());
}

void TickwardenConfigTest::init()
{
    QFile::remove(configPath());
    reload();
}

void TickwardenConfigTest::cleanup()
{
    QFile::remove(configPath());
}

void TickwardenConfigTest::defaultsWithoutFile_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QVariant>("value");

    const auto general = u"General"_s;
    const QPalette palette = QGuiApplication::palette();
    QTest::newRow("startTimerImmediately") << u"startTimerImmediately"_s << general << QVariant(false);
    QTest::newRow("showHours") << u"showHours"_s << general << QVariant(false);
    QTest::newRow("showMinutes") << u"showMinutes"_s << general << QVariant(true);
    QTest::newRow("showSecondFractions") << u"showSecondFractions"_s << general << QVariant(true);
    QTest::newRow("fractionsType") << u"fractionsType"_s << general << QVariant::fromValue(TimeFormat::UpToHundredths);
    QTest::newRow("isLapsRecordingEnabled") << u"isLapsRecordingEnabled"_s << general << QVariant(true);
    QTest::newRow("showLapHours") << u"showLapHours"_s << general << QVariant(false);
    QTest::newRow("showLapMinutes") << u"showLapMinutes"_s << general << QVariant(true);
    QTest::newRow("showLapSecondFractions") << u"showLapSecondFractions"_s << general << QVariant(true);
    QTest::newRow("lapFractionsType") << u"lapFractionsType"_s << general << QVariant::fromValue(TimeFormat::UpToHundredths);
    QTest::newRow("showLapAbsoluteTimes") << u"showLapAbsoluteTimes"_s << general << QVariant(false);
    QTest::newRow("showLapNotes") << u"showLapNotes"_s << general << QVariant(true);
    QTest::newRow("menuBarNeverShown") << u"menuBarNeverShown"_s << general << QVariant(true);
    QTest::newRow("hourFont") << u"hourFont"_s << u"Font"_s << QVariant(defaultDisplayFont());
    QTest::newRow("minFont") << u"minFont"_s << u"Font"_s << QVariant(defaultDisplayFont());
    QTest::newRow("secFont") << u"secFont"_s << u"Font"_s << QVariant(defaultDisplayFont());
    QTest::newRow("fracFont") << u"fracFont"_s << u"Font"_s << QVariant(defaultDisplayFont());
    QTest::newRow("backgroundColor") << u"backgroundColor"_s << u"Color"_s << QVariant(palette.color(QPalette::Base));
    QTest::newRow("textColor") << u"textColor"_s << u"Color"_s << QVariant(palette.color(QPalette::Text));
    QTest::newRow("showTrayItem") << u"showTrayItem"_s << general << QVariant(false);
    QTest::newRow("markFastestSlowestLaps") << u"markFastestSlowestLaps"_s << u"Laps"_s << QVariant(true);
    QTest::newRow("showLapMeanDifference") << u"showLapMeanDifference"_s << u"Laps"_s << QVariant(false);
    QTest::newRow("lapSummaryExpanded") << u"lapSummaryExpanded"_s << u"Laps"_s << QVariant(true);
    QTest::newRow("lapTarget") << u"lapTarget"_s << u"Laps"_s << QVariant(0);
    QTest::newRow("digitsTime") << u"digitsTime"_s << general << QVariant::fromValue(TickwardenConfig::EnumDigitsTime::Total);
    QTest::newRow("showRunningLap") << u"showRunningLap"_s << u"Laps"_s << QVariant(true);
}

void TickwardenConfigTest::defaultsWithoutFile()
{
    QFETCH(QString, key);
    QFETCH(QString, group);
    QFETCH(QVariant, value);

    QVERIFY(!QFile::exists(configPath()));
    TickwardenConfig *config = TickwardenConfig::self();
    const KConfigSkeletonItem *item = config->findItem(key);
    QVERIFY(item);
    QCOMPARE(item->group(), group);
    QCOMPARE(item->property(), value);
    QCOMPARE(config->property(key.toLatin1().constData()), value);
    QCOMPARE(config->property(lockQuery(key).toLatin1().constData()), QVariant(false));
}

void TickwardenConfigTest::defaultFontsAreOneFont()
{
    const QFont expected = defaultDisplayFont();
    QCOMPARE(TickwardenConfig::hourFont(), expected);
    QCOMPARE(TickwardenConfig::minFont(), expected);
    QCOMPARE(TickwardenConfig::secFont(), expected);
    QCOMPARE(TickwardenConfig::fracFont(), expected);
    QCOMPARE(TickwardenConfig::hourFont().pointSize(), 54);
    QVERIFY(!TickwardenConfig::hourFont().italic());
}

void TickwardenConfigTest::setterEmitsOnlyOnChange_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("changes");

    const QPalette palette = QGuiApplication::palette();
    QTest::newRow("bool held") << u"showHours"_s << QVariant(false) << false;
    QTest::newRow("bool new") << u"showHours"_s << QVariant(true) << true;
    QTest::newRow("enum held") << u"fractionsType"_s << QVariant::fromValue(TimeFormat::UpToHundredths) << false;
    QTest::newRow("enum new") << u"fractionsType"_s << QVariant::fromValue(TimeFormat::NoFractions) << true;
    QTest::newRow("font held, separate copy") << u"secFont"_s << QVariant(defaultDisplayFont()) << false;
    QTest::newRow("font new") << u"secFont"_s << QVariant(QFont(u"Serif"_s, 12)) << true;
    QTest::newRow("colour held") << u"textColor"_s << QVariant(palette.color(QPalette::Text)) << false;
    QTest::newRow("colour new") << u"textColor"_s << QVariant(QColor(0x12, 0x34, 0x56)) << true;
}

void TickwardenConfigTest::setterEmitsOnlyOnChange()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(bool, changes);

    TickwardenConfig *config = TickwardenConfig::self();
    const QByteArray name = key.toLatin1();
    SignalRecorder recorder;
    QCOMPARE(recorder.signalCount(), 26);

    // The property's WRITE is the static setter.
    QVERIFY(config->setProperty(name.constData(), value));

    QCOMPARE(config->property(name.constData()), value);
    QCOMPARE(recorder.emitted(), changes ? QStringList{key + u"Changed"_s} : QStringList{});
    QVERIFY(!QFile::exists(configPath()));
}

void TickwardenConfigTest::enumStoredByChoiceName_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<TimeFormat::SecondFraction>("value");
    QTest::addColumn<QString>("name");

    QTest::newRow("milliseconds") << u"fractionsType"_s << TimeFormat::UpToMilliseconds << u"UpToMilliseconds"_s;
    QTest::newRow("tenths") << u"fractionsType"_s << TimeFormat::UpToTenths << u"UpToTenths"_s;
    QTest::newRow("no fractions, not offered by the pages") << u"fractionsType"_s << TimeFormat::NoFractions << u"NoFractions"_s;
    QTest::newRow("lap milliseconds") << u"lapFractionsType"_s << TimeFormat::UpToMilliseconds << u"UpToMilliseconds"_s;
}

void TickwardenConfigTest::enumStoredByChoiceName()
{
    QFETCH(QString, key);
    QFETCH(TimeFormat::SecondFraction, value);
    QFETCH(QString, name);

    TickwardenConfig *config = TickwardenConfig::self();
    const QByteArray property = key.toLatin1();
    QVERIFY(config->setProperty(property.constData(), QVariant::fromValue(value)));
    QVERIFY(config->save());

    QVERIFY(groupLines(u"General"_s).contains(key + u'=' + name));
    QVERIFY(groupLines(u"Font"_s).isEmpty());

    QVERIFY(config->setProperty(property.constData(), QVariant::fromValue(TimeFormat::UpToHundredths)));
    reload();
    QCOMPARE(config->property(property.constData()).value<TimeFormat::SecondFraction>(), value);
    QCOMPARE(config->findItem(key)->property().toInt(), int(value));
}

void TickwardenConfigTest::lockedKeyRefusesSetter_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("held");
    QTest::addColumn<QVariant>("refused");
    QTest::addColumn<QString>("unlockedKey");

    QTest::newRow("locked bool entry") << "[General]\nshowHours[$i]=true\n"_ba << u"showHours"_s << QVariant(true) << QVariant(false) << u"showMinutes"_s;
    QTest::newRow("locked enum entry") << "[General]\nlapFractionsType[$i]=NoFractions\n"_ba << u"lapFractionsType"_s
                                       << QVariant::fromValue(TimeFormat::NoFractions) << QVariant::fromValue(TimeFormat::UpToTenths) << u"fractionsType"_s;
    QTest::newRow("locked group, key absent") << "[Color][$i]\n"_ba << u"backgroundColor"_s << QVariant(QGuiApplication::palette().color(QPalette::Base))
                                              << QVariant(QColor(Qt::red)) << u"menuBarNeverShown"_s;
}

void TickwardenConfigTest::lockedKeyRefusesSetter()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QVariant, held);
    QFETCH(QVariant, refused);
    QFETCH(QString, unlockedKey);

    QVERIFY(writeConfigFile(file));
    reload();
    TickwardenConfig *config = TickwardenConfig::self();
    const QByteArray name = key.toLatin1();
    QCOMPARE(config->property(name.constData()), held);
    QCOMPARE(config->property(lockQuery(key).toLatin1().constData()), QVariant(true));
    QCOMPARE(config->property(lockQuery(unlockedKey).toLatin1().constData()), QVariant(false));

    SignalRecorder recorder;
    config->setProperty(name.constData(), refused);
    QCOMPARE(config->property(name.constData()), held);
    QCOMPARE(recorder.emitted(), QStringList{});
}

void TickwardenConfigTest::itemChangedEmitsByNumber_data()
{
    QTest::addColumn<quint64>("number");
    QTest::addColumn<QStringList>("emitted");

    QTest::newRow("0 below the items") << quint64(0) << QStringList{};
    QTest::newRow("1 first item") << quint64(1) << QStringList{u"startTimerImmediatelyChanged"_s};
    QTest::newRow("5 display precision") << quint64(5) << QStringList{u"fractionsTypeChanged"_s};
    QTest::newRow("13 hidden item") << quint64(13) << QStringList{u"menuBarNeverShownChanged"_s};
    QTest::newRow("14 first font") << quint64(14) << QStringList{u"hourFontChanged"_s};
    QTest::newRow("19 last colour") << quint64(19) << QStringList{u"textColorChanged"_s};
    QTest::newRow("20 tray item") << quint64(20) << QStringList{u"showTrayItemChanged"_s};
    QTest::newRow("21 first lap analysis item") << quint64(21) << QStringList{u"markFastestSlowestLapsChanged"_s};
    QTest::newRow("23 lap summary") << quint64(23) << QStringList{u"lapSummaryExpandedChanged"_s};
    QTest::newRow("24 lap target") << quint64(24) << QStringList{u"lapTargetChanged"_s};
    QTest::newRow("25 what the digits show") << quint64(25) << QStringList{u"digitsTimeChanged"_s};
    QTest::newRow("26 last item") << quint64(26) << QStringList{u"showRunningLapChanged"_s};
    QTest::newRow("27 past the items") << quint64(27) << QStringList{};
    QTest::newRow("bit pattern") << (quint64(1) << 40) << QStringList{};
}

void TickwardenConfigTest::itemChangedEmitsByNumber()
{
    QFETCH(quint64, number);
    QFETCH(QStringList, emitted);

    SignalRecorder recorder;
    (TickwardenConfig::self()->*itemChangedFunction())(number);
    QCOMPARE(recorder.emitted(), emitted);
}

void TickwardenConfigTest::itemsSignalChangesFromReadAndDialog()
{
    QVERIFY(writeConfigFile("[General]\nshowHours=true\nshowMinutes=true\n[Font]\nfracFont=Serif,20,-1,5,400,0,0,0,0,0,0,0,0,0,0,1\n"_ba));
    {
        SignalRecorder recorder;
        reload();
        // showMinutes was already true: only the items whose value moved report.
        QCOMPARE(recorder.emitted(), (QStringList{u"showHoursChanged"_s, u"fracFontChanged"_s}));
        QVERIFY(TickwardenConfig::showHours());
        QCOMPARE(TickwardenConfig::fracFont().family(), u"Serif"_s);
    }
    {
        // The way the settings dialog applies a page.
        SignalRecorder recorder;
        TickwardenConfig::self()->findItem(u"showLapNotes"_s)->setProperty(QVariant(false));
        QCOMPARE(recorder.emitted(), QStringList{u"showLapNotesChanged"_s});
        QVERIFY(!TickwardenConfig::showLapNotes());
    }
    TickwardenConfig::setMenuBarNeverShown(false);
    QVERIFY(TickwardenConfig::self()->save());
    QVERIFY(groupLines(u"General"_s).contains(u"menuBarNeverShown=false"_s));
    QVERIFY(groupLines(u"General"_s).contains(u"showLapNotes=false"_s));
}

QTEST_MAIN(TickwardenConfigTest)

#include "tickwardenconfigtest.moc"
