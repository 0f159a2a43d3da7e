// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mainwindow.h"
#include "session.h"
#include "sessiondialog.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"
#include "tickwardenconfig.h"

#include <KAboutData>
#include <KActionCollection>
#include <KConfigDialog>
#include <KLocalizedString>
#include <KPageWidgetModel>
#include <KSharedConfig>
#include <KToolBar>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// Starts the program's window under LANGUAGE=de (set by ctest) and looks at what a German
// user sees. The texts of the program's own forms are checked against every translation in
// the German catalogue, so a text that never passes through i18n shows up as well.
class GermanUiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void menus_data();
    void menus();
    void controlMenu();
    void sessionDialog();
    void sessionDateFollowsGermanLocale();
    void settingsPages();
    void nothingCutOff();

private:
    [[nodiscard]] QAction *action(const QString &name) const;
    [[nodiscard]] KConfigDialog *settingsDialog();
    void checkOwnTexts(QWidget *page);

    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<MainWindow> m_window;
    QSet<QString> m_germanTexts;
    const QDateTime m_sessionDate{QDate(2026, 1, 2), QTime(3, 4)};
};

namespace
{
QString plain(const QString &text)
{
    return KLocalizedString::removeAcceleratorMarker(text).trimmed();
}

bool hasLetters(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.isLetter();
    });
}

// Every msgstr of the catalogue, without accelerator marks.
QSet<QString> translationsIn(const QString &poFile)
{
    QFile file(poFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QSet<QString> result;
    QString current;
    bool inMsgstr = false;
    const auto finish = [&] {
        if (inMsgstr && !current.isEmpty()) {
            result.insert(plain(current));
        }
        current.clear();
        inMsgstr = false;
    };
    static const QRegularExpression quoted(u"^(msgstr(\\[\\d+\\])? )?\"(.*)\"$"_s);
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const auto match = quoted.match(line);
        if (line.startsWith("msgstr"_L1) && match.hasMatch()) {
            finish();
            inMsgstr = true;
            current = match.captured(3);
        } else if (inMsgstr && match.hasMatch() && match.captured(1).isEmpty()) {
            current += match.captured(3);
        } else {
            finish();
        }
    }
    finish();
    QSet<QString> unescaped;
    for (QString text : std::as_const(result)) {
        unescaped.insert(text.replace(u"\\\""_s, u"\""_s).replace(u"\\n"_s, u"\n"_s));
    }
    return unescaped;
}

// Widgets of the frameworks (font and colour choosers, message bars) bring their own texts.
bool isFrameworkWidget(const QWidget *widget)
{
    for (const QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        const QByteArray name = w->metaObject()->className();
        if (name.startsWith('K') && name != "KConfigDialog") {
            return true;
        }
    }
    return qobject_cast<const QDialogButtonBox *>(widget->parentWidget()) != nullptr;
}
}

void GermanUiTest::initTestCase()
{
    QVERIFY(useTestDataDir());
    QVERIFY(makeEmptyDataDir());
    // Before the domain is set: the catalogue's folder is looked up once, when the domain
    // is first used.
    KLocalizedString::addDomainLocaleDir(QByteArrayLiteral("tickwarden"), QStringLiteral(LOCALE_DIR));
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KAboutData::setApplicationData(KAboutData(u"tickwarden"_s, u"Tickwarden"_s, u"1"_s));
    QCOMPARE(QLocale().language(), QLocale::German);

    m_germanTexts = translationsIn(QStringLiteral(GERMAN_PO));
    QVERIFY(m_germanTexts.contains(u"Stoppuhr"_s));

    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s);
    KSharedConfig::openConfig()->reparseConfiguration();
    TickwardenConfig::self()->setDefaults();
    TickwardenConfig::self()->save();

    m_store = std::make_unique<SessionModel>();
    Session session(95000, m_sessionDate);
    session.setName(u"Morgenlauf"_s);
    m_store->append(session);

    m_window = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void GermanUiTest::cleanupTestCase()
{
    m_window.reset();
    m_store.reset();
}

QAction *GermanUiTest::action(const QString &name) const
{
    return m_window->actionCollection()->action(name);
}

void GermanUiTest::menus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("german");

    QTest::newRow("start") << u"start"_s << u"Starten"_s;
    QTest::newRow("pause") << u"pause"_s << u"Pause"_s;
    QTest::newRow("reset") << u"reset"_s << u"Zurücksetzen"_s;
    QTest::newRow("lap") << u"lap"_s << u"Runde"_s;
    QTest::newRow("export") << u"export_laps"_s << u"Runden exportieren als …"_s;
    // Standard actions: their German comes from the frameworks' catalogues.
    QTest::newRow("new") << u"file_new"_s << u"Neu"_s;
    QTest::newRow("save as") << u"file_save_as"_s << u"Speichern unter …"_s;
    QTest::newRow("quit") << u"file_quit"_s << u"Beenden"_s;
}

void GermanUiTest::menus()
{
    QFETCH(QString, name);
    QFETCH(QString, german);

    QAction *a = action(name);
    QVERIFY2(a, qPrintable(name));
    QCOMPARE(plain(a->text()), german);

    QStringList titles;
    const auto menus = m_window->menuBar()->actions();
    for (const QAction *menu : menus) {
        titles << plain(menu->text());
    }
    QVERIFY2(titles.contains(u"Tickwarden"_s) && titles.contains(u"Datei"_s), qPrintable(titles.join(u", ")));
}

void GermanUiTest::controlMenu()
{
    auto button = m_window->findChild<QToolButton *>(u"controlMenuButton"_s);
    QVERIFY(button);
    QMenu *menu = button->menu();
    QVERIFY(menu);
    Q_EMIT menu->aboutToShow();

    QStringList entries;
    const auto actions = menu->actions();
    for (const QAction *a : actions) {
        if (!a->isSeparator()) {
            entries << plain(a->menu() ? a->menu()->title() : a->text());
        }
    }
    const QStringList expected{u"Neu"_s, u"Öffnen …"_s, u"Speichern"_s, u"Speichern unter …"_s, u"Runden exportieren als …"_s, u"Kopieren"_s};
    for (const QString &text : expected) {
        QVERIFY2(entries.contains(text), qPrintable(u"\"%1\" missing from the control menu: %2"_s.arg(text, entries.join(u" | "))));
    }
    QVERIFY2(entries.contains(u"Hilfe"_s), qPrintable(entries.join(u" | ")));
}

void GermanUiTest::sessionDialog()
{
    SessionDialog dialog(m_store.get(), m_window.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.windowTitle(), u"Sitzung öffnen"_s);
    auto buttons = dialog.findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    QCOMPARE(plain(buttons->button(QDialogButtonBox::Ok)->text()), u"Sitzung öffnen"_s);

    auto view = dialog.findChild<QTableView *>();
    QVERIFY(view);
    QStringList headers;
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        headers << view->model()->headerData(column, Qt::Horizontal).toString();
    }
    QCOMPARE(headers, (QStringList{u"Sitzung Nr."_s, u"Name"_s, u"Datum"_s, u"Notiz"_s}));
    checkOwnTexts(&dialog);
}

// The date column is the one place the program shows a calendar date; it must read the
// German way (day first, dots) when the user's locale is German.
void GermanUiTest::sessionDateFollowsGermanLocale()
{
    SessionDialog dialog(m_store.get(), m_window.get());
    auto view = dialog.findChild<QTableView *>();
    QVERIFY(view);
    const QModelIndex dateCell = view->model()->index(0, 2);
    const QVariant value = dateCell.data();
    QCOMPARE(value.toDateTime(), m_sessionDate);

    auto delegate = qobject_cast<QStyledItemDelegate *>(view->itemDelegateForIndex(dateCell));
    QVERIFY(delegate);
    const QString shown = delegate->displayText(value, view->locale());
    QCOMPARE(shown, QLocale(QLocale::German, QLocale::Germany).toString(m_sessionDate, QLocale::ShortFormat));
    QVERIFY2(shown.startsWith(u"02.01."_s), qPrintable(shown));
}

KConfigDialog *GermanUiTest::settingsDialog()
{
    action(u"options_configure"_s)->trigger();
    auto dialog = KConfigDialog::exists(u"settings"_s);
    if (dialog) {
        dialog->show();
    }
    return dialog;
}

void GermanUiTest::checkOwnTexts(QWidget *page)
{
    const auto widgets = page->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (isFrameworkWidget(widget)) {
            continue;
        }
        QStringList texts;
        if (auto label = qobject_cast<QLabel *>(widget)) {
            texts << label->text();
        } else if (auto button = qobject_cast<QAbstractButton *>(widget)) {
            texts << button->text();
        } else if (auto box = qobject_cast<QGroupBox *>(widget)) {
            texts << box->title();
        } else if (auto combo = qobject_cast<QComboBox *>(widget)) {
            for (int i = 0; i < combo->count(); ++i) {
                texts << combo->itemText(i);
            }
        } else if (auto tabs = qobject_cast<QTabWidget *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                texts << tabs->tabText(i);
            }
        }
        texts << widget->toolTip();
        for (const QString &text : std::as_const(texts)) {
            if (hasLetters(text)) {
                QVERIFY2(m_germanTexts.contains(plain(text)),
                         qPrintable(u"%1 \"%2\" shows \"%3\", which is no German text of the catalogue"_s
                                        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), text)));
            }
        }
    }
}

void GermanUiTest::settingsPages()
{
    KConfigDialog *dialog = settingsDialog();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));

    auto pages = dialog->findChild<KPageWidgetModel *>();
    QVERIFY(pages);
    QStringList names;
    for (int row = 0; row < pages->rowCount(); ++row) {
        names << pages->index(row, 0).data().toString();
    }
    QCOMPARE(names, (QStringList{u"Allgemeine Einstellungen"_s, u"Schrifteinstellungen"_s, u"Farbeinstellungen"_s}));

    for (const char *page : {"GeneralSettings", "FontSettings", "ColorSettings"}) {
        auto widget = dialog->findChild<QWidget *>(QString::fromLatin1(page));
        QVERIFY2(widget, page);
        checkOwnTexts(widget);
    }
    dialog->close();
}

// German words are longer; at the sizes the windows open with, every label and button must
// still get the room it asks for, and the toolbar must not push commands into an overflow.
void GermanUiTest::nothingCutOff()
{
    KConfigDialog *dialog = settingsDialog();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    SessionDialog sessions(m_store.get(), m_window.get());
    sessions.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sessions));

    auto tabs = dialog->findChild<QTabWidget *>(u"tabWidget"_s);
    QVERIFY(tabs);
    const QList<QWidget *> windows{m_window.get(), dialog, &sessions};
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        for (QWidget *window : windows) {
            window->layout()->activate();
            const auto widgets = window->findChildren<QWidget *>();
            for (const QWidget *widget : widgets) {
                // Text-bearing widgets of the standard kinds; internal helpers of Qt and the
                // frameworks (line edit icons, extension buttons) and the digit groups of the
                // display, which are sized by their fonts, do not depend on the language.
                static const QSet<QByteArray> textKinds{"QLabel", "QCheckBox", "QPushButton", "QGroupBox", "QComboBox"};
                QString text;
                if (auto label = qobject_cast<const QLabel *>(widget)) {
                    text = label->text();
                } else if (auto button = qobject_cast<const QAbstractButton *>(widget)) {
                    text = button->text();
                } else if (auto box = qobject_cast<const QGroupBox *>(widget)) {
                    text = box->title();
                } else if (auto combo = qobject_cast<const QComboBox *>(widget)) {
                    text = combo->currentText();
                }
                if (!textKinds.contains(widget->metaObject()->className()) || !widget->isVisible() || !hasLetters(text)) {
                    continue;
                }
                const QSize hint = widget->minimumSizeHint();
                QVERIFY2(widget->width() >= hint.width() && widget->height() >= hint.height(),
                         qPrintable(u"%1 \"%2\" in %3 is %4x%5 but needs %6x%7"_s
                                        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), window->objectName())
                                        .arg(widget->width())
                                        .arg(widget->height())
                                        .arg(hint.width())
                                        .arg(hint.height())));
            }
        }
    }

    KToolBar *toolBar = m_window->toolBar();
    for (const char *name : {"start", "pause", "reset", "lap"}) {
        QWidget *button = toolBar->widgetForAction(action(QString::fromLatin1(name)));
        QVERIFY2(button && button->isVisible(), name);
    }
    dialog->close();
}

QTEST_MAIN(GermanUiTest)

#include "germanuitest.moc"
