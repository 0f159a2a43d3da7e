// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "tickwardenconfig.h"

#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QColor firstBase(0x12, 0x34, 0x56);
const QColor firstText(0xfe, 0xdc, 0xba);
const QColor laterBase(0x20, 0x80, 0x20);
const QColor laterText(0x80, 0x20, 0x80);

QString configPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s;
}

void installPalette(const QColor &base, const QColor &text)
{
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, text);
    QGuiApplication::setPalette(palette);
}
}

// Nothing may touch the settings object before initTestCase: its first use fixes the colours.
class TickwardenConfigPaletteTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void defaultsFollowPaletteAtFirstUse();
    void laterPaletteLeavesDefaults();
};

void TickwardenConfigPaletteTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(configPath());
    QVERIFY(QGuiApplication::palette().color(QPalette::Base) != firstBase);
    installPalette(firstBase, firstText);
}

void TickwardenConfigPaletteTest::cleanupTestCase()
{
    QFile::remove(configPath());
}

void TickwardenConfigPaletteTest::defaultsFollowPaletteAtFirstUse()
{
    QCOMPARE(TickwardenConfig::backgroundColor(), firstBase);
    QCOMPARE(TickwardenConfig::textColor(), firstText);
}

void TickwardenConfigPaletteTest::laterPaletteLeavesDefaults()
{
    installPalette(laterBase, laterText);
    QCOMPARE(QGuiApplication::palette().color(QPalette::Base), laterBase);

    TickwardenConfig::setBackgroundColor(Qt::red);
    TickwardenConfig::setTextColor(Qt::red);
    TickwardenConfig::self()->setDefaults();
    QCOMPARE(TickwardenConfig::backgroundColor(), firstBase);
    QCOMPARE(TickwardenConfig::textColor(), firstText);

    // Re-reading with no file falls back to the same fixed defaults.
    TickwardenConfig::self()->config()->reparseConfiguration();
    TickwardenConfig::self()->read();
    QCOMPARE(TickwardenConfig::backgroundColor(), firstBase);
    QCOMPARE(TickwardenConfig::textColor(), firstText);
}

QTEST_MAIN(TickwardenConfigPaletteTest)

#include "tickwardenconfigpalettetest.moc"
