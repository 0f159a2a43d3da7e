// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Run by the install test on the staged icons: the window icon must not depend on Qt's
// SVG plugins, which a desktop need not have.
class InstalledIconTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void iconAtEverySizeWithoutSvgSupport_data();
    void iconAtEverySizeWithoutSvgSupport();

private:
    QTemporaryDir m_theme;
};

void InstalledIconTest::initTestCase()
{
    // No plugin folders: image formats and icon engines beyond Qt's built-in ones are gone.
    QCoreApplication::setLibraryPaths({});
    QVERIFY(!QImageReader::supportedImageFormats().contains("svg"));

    const QString installed = qEnvironmentVariable("TICKWARDEN_INSTALLED_ICONS");
    QVERIFY2(QFileInfo(installed + u"/hicolor"_s).isDir(), "TICKWARDEN_INSTALLED_ICONS names no installed icon folder");

    // The staged tree has no index.theme (the desktop's icon theme package brings it), so
    // the test lays the installed files out under one of its own.
    QVERIFY(m_theme.isValid());
    QStringList folders;
    QString sections;
    QDirIterator it(installed + u"/hicolor"_s, {u"tickwarden.*"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString folder = QDir(installed + u"/hicolor"_s).relativeFilePath(it.fileInfo().path());
        QVERIFY(QDir().mkpath(m_theme.filePath(u"hicolor/"_s + folder)));
        QVERIFY(QFile::copy(file, m_theme.filePath(u"hicolor/"_s + folder + u'/' + it.fileName())));
        if (!folders.contains(folder)) {
            folders << folder;
            const bool scalable = folder.startsWith(u"scalable"_s);
            sections += u"\n[%1]\nSize=%2\nType=%3\n"_s.arg(folder, scalable ? u"128"_s : folder.section(u'x', 0, 0), scalable ? u"Scalable"_s : u"Fixed"_s);
        }
    }
    QFile index(m_theme.filePath(u"hicolor/index.theme"_s));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write((u"[Icon Theme]\nName=hicolor\nDirectories="_s + folders.join(u',') + u'\n' + sections).toUtf8());
    index.close();

    QIcon::setThemeSearchPaths({m_theme.path()});
    QIcon::setThemeName(u"hicolor"_s);
}

void InstalledIconTest::iconAtEverySizeWithoutSvgSupport_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 32, 48, 64, 128, 256}) {
        QTest::addRow("%d px", size) << size;
    }
}

void InstalledIconTest::iconAtEverySizeWithoutSvgSupport()
{
    QFETCH(int, size);
    const QIcon icon = QIcon::fromTheme(u"tickwarden"_s);
    QVERIFY(!icon.isNull());
    const QPixmap pixmap = icon.pixmap(QSize(size, size));
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), QSize(size, size));
    // Not a blank square: the drawing reached the pixels.
    const QImage image = pixmap.toImage();
    QVERIFY(image.pixelColor(size / 2, size / 2).alpha() > 0);
}

QTEST_MAIN(InstalledIconTest)

#include "installedicontest.moc"
