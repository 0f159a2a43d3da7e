// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"

#include <KAboutData>
#include <KActionCollection>
#include <KLocalizedString>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::Literals::StringLiterals;

// The handbook is written by hand; these checks keep it from falling behind the program.
// They read the XML GUI resources and the settings description from the source tree, so
// an action or a setting added there fails here until the handbook describes it.
class HandbookTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void actionDocumented_data();
    void actionDocumented();
    void settingsKeyDocumented_data();
    void settingsKeyDocumented();
    void frameworkMenusReferenced();

private:
    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<MainWindow> m_window;
    QString m_handbook;
};

namespace
{
QStringList filesUnder(const QString &folder, const QString &pattern)
{
    QStringList files;
    QDirIterator it(folder, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << it.next();
    }
    files.sort();
    return files;
}

// Attribute `attribute` of every element `element` in the XML files, without duplicates.
QStringList attributesIn(const QStringList &files, QStringView element, QStringView attribute)
{
    QStringList values;
    for (const QString &fileName : files) {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("cannot read %s", qPrintable(fileName));
            continue;
        }
        QXmlStreamReader xml(&file);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == element) {
                const QString value = xml.attributes().value(attribute).toString();
                if (!value.isEmpty() && !values.contains(value)) {
                    values << value;
                }
            }
        }
        if (xml.hasError()) {
            qWarning("%s: %s", qPrintable(fileName), qPrintable(xml.errorString()));
        }
    }
    return values;
}

// Actions the framework's Help menu brings; the handbook covers them with the shared
// Help menu chapter of KDE's documentation.
bool isHelpMenuAction(const QString &name)
{
    return name.startsWith("help_"_L1) || name == "switch_application_language"_L1;
}

// "&Export Laps as..." -> "Export Laps as"
QString menuText(const QAction *action)
{
    QString text = KLocalizedString::removeAcceleratorMarker(action->text());
    while (text.endsWith(u'.') || text.endsWith(u'…')) {
        text.chop(1);
    }
    return text;
}

// How the handbook writes a key sequence: modifiers through the shared entities, keys
// as <keycap>, so that "Ctrl+Shift+S" becomes "&Ctrl;", "&Shift;" and "<keycap>S</keycap>".
QStringList docBookKeys(const QKeySequence &sequence)
{
    QStringList parts;
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::ControlModifier) {
        parts << u"&Ctrl;"_s;
    }
    if (modifiers & Qt::ShiftModifier) {
        parts << u"&Shift;"_s;
    }
    if (modifiers & Qt::AltModifier) {
        parts << u"&Alt;"_s;
    }
    if (modifiers & Qt::MetaModifier) {
        parts << u"&Meta;"_s;
    }
    QString key = QKeySequence(combination.key()).toString(QKeySequence::PortableText);
    key.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s);
    parts << u"<keycap>"_s + key + u"</keycap>"_s;
    return parts;
}

// The <term> of every entry of a variable list.
QStringList terms(const QString &docbook)
{
    static const QRegularExpression term(u"<term>(.*?)</term>"_s, QRegularExpression::DotMatchesEverythingOption);
    QStringList result;
    auto it = term.globalMatch(docbook);
    while (it.hasNext()) {
        result << it.next().captured(1);
    }
    return result;
}
}

void HandbookTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    // Standard actions such as Configure carry the program's display name in their text.
    KAboutData::setApplicationData(KAboutData(u"tickwarden"_s, u"Tickwarden"_s, u"1"_s));

    QFile handbook(QStringLiteral(HANDBOOK_FILE));
    QVERIFY2(handbook.open(QIODevice::ReadOnly), qPrintable(handbook.fileName()));
    m_handbook = QString::fromUtf8(handbook.readAll());

    m_store = std::make_unique<SessionModel>();
    m_window = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
}

void HandbookTest::cleanupTestCase()
{
    m_window.reset();
    m_store.reset();
}

void HandbookTest::actionDocumented_data()
{
    QTest::addColumn<QString>("name");

    const QStringList fromResources = attributesIn(filesUnder(QStringLiteral(SOURCE_DIR), u"*.rc"_s), u"Action", u"name");
    QVERIFY2(fromResources.contains("start"_L1), "no XML GUI resource found under the source folder");
    QStringList names = fromResources;
    // Standard actions such as New or Quit appear in no resource, but the user meets them
    // in the menus all the same.
    const auto actions = m_window->actionCollection()->actions();
    for (const QAction *action : actions) {
        if (!names.contains(action->objectName()) && !isHelpMenuAction(action->objectName())) {
            names << action->objectName();
        }
    }
    for (const QString &name : std::as_const(names)) {
        QTest::newRow(qPrintable(name)) << name;
    }
}

// Each action has an entry whose term names it as the menus do and lists every default
// shortcut, so a changed text or a new shortcut shows up here.
void HandbookTest::actionDocumented()
{
    QFETCH(QString, name);

    QAction *action = m_window->actionCollection()->action(name);
    QVERIFY2(action, qPrintable(u"the window has no action \"%1\" that its XML GUI resource names"_s.arg(name)));
    const QString text = menuText(action);
    QVERIFY(!text.isEmpty());

    const QString marker = u"<guimenuitem>"_s + text;
    QString entry;
    const QStringList allTerms = terms(m_handbook);
    for (const QString &term : allTerms) {
        // The whole text, with the dots of an action that asks first: "Lap" must not find
        // the entry of "Lap Export…".
        if (term.contains(marker + u"</guimenuitem>"_s) || term.contains(marker + u"…</guimenuitem>"_s)) {
            entry = term;
            break;
        }
    }
    QVERIFY2(!entry.isEmpty(), qPrintable(u"no <term> in the handbook holds %1 for the action \"%2\""_s.arg(marker, name)));

    const QList<QKeySequence> shortcuts = m_window->actionCollection()->defaultShortcuts(action);
    for (const QKeySequence &shortcut : shortcuts) {
        const QStringList keys = docBookKeys(shortcut);
        for (const QString &key : keys) {
            QVERIFY2(entry.contains(key),
                     qPrintable(u"the handbook entry of \"%1\" does not give its shortcut %2 (%3 missing)"_s.arg(name,
                                                                                                                 shortcut.toString(QKeySequence::PortableText),
                                                                                                                 key)));
        }
    }
}

void HandbookTest::settingsKeyDocumented_data()
{
    QTest::addColumn<QString>("key");

    const QStringList keys = attributesIn(filesUnder(QStringLiteral(SOURCE_DIR), u"*.kcfg"_s), u"entry", u"name");
    QVERIFY2(keys.contains("showHours"_L1), "no settings description found under the source folder");
    for (const QString &key : keys) {
        QTest::newRow(qPrintable(key)) << key;
    }
}

// Administrators lock and preset keys by name, so the handbook lists them by name.
void HandbookTest::settingsKeyDocumented()
{
    QFETCH(QString, key);
    QVERIFY2(m_handbook.contains(u"<varname>"_s + key + u"</varname>"_s),
             qPrintable(u"the handbook does not describe the settings key <varname>%1</varname>"_s.arg(key)));
}

void HandbookTest::frameworkMenusReferenced()
{
    const auto actions = m_window->actionCollection()->actions();
    const bool hasHelpMenu = std::any_of(actions.cbegin(), actions.cend(), [](const QAction *action) {
        return isHelpMenuAction(action->objectName());
    });
    if (hasHelpMenu) {
        QVERIFY(m_handbook.contains("&help.menu.documentation;"_L1));
    }
}

QTEST_MAIN(HandbookTest)

#include "handbooktest.moc"
