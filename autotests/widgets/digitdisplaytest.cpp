// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "digitdisplay.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QTest>

#include <cmath>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class DigitDisplayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digitsInUse_data();
    void digitsInUse();
    void acceptsOnlyFittingTexts_data();
    void acceptsOnlyFittingTexts();
    void changingTheCountKeepsTexts();
    void fontIsTheDigitsOwn();
    void sizeHintsIgnoreTheDigits_data();
    void sizeHintsIgnoreTheDigits();
    void tickRepaintsOnlyChangedDigits_data();
    void tickRepaintsOnlyChangedDigits();
    void tickPaintsOnTheGuiThreadAlone_data();
    void tickPaintsOnTheGuiThreadAlone();
    void looksLikeCentredLabels_data();
    void looksLikeCentredLabels();
    void glyphsFollowColourAndFont();
    void glyphsFollowWindowActivation();
    void accessibleNameIsTheDigits();
    void changedLooksLikeFreshlyShown_data();
    void changedLooksLikeFreshlyShown();
};

namespace
{
// Records what each paint event of the watched widgets asked for.
class PaintRecorder : public QObject
{
public:
    QList<QPair<QObject *, QRegion>> paints;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            paints.append({watched, static_cast<QPaintEvent *>(event)->region()});
        }
        if (event->type() == QEvent::LayoutRequest) {
            ++layoutRequests;
        }
        return false;
    }

    int layoutRequests = 0;
};

// A display in a plain parent, shown and painted once.
struct ShownDisplay {
    explicit ShownDisplay(DigitDisplay::DigitCount count, const QFont &font)
        : display(new DigitDisplay(&parent, count))
    {
        auto layout = new QHBoxLayout(&parent);
        layout->addWidget(display);
        display->setFont(font);
        parent.resize(300, 120);
    }

    // Shown and painted, with whatever that paint left queued done.
    bool showAndSettle()
    {
        PaintRecorder recorder;
        display->installEventFilter(&recorder);
        parent.show();
        if (!QTest::qWaitForWindowExposed(&parent)) {
            return false;
        }
        const bool painted = QTest::qWaitFor([&recorder] {
            return !recorder.paints.isEmpty();
        });
        QCoreApplication::processEvents();
        return painted;
    }

    QWidget parent;
    DigitDisplay *display;
};

// Context switches of every thread of this process but the calling one, by thread id; a
// thread that was never woken has none to show.
QHash<QString, qint64> otherThreadsSwitches()
{
    QHash<QString, qint64> switches;
    const QString self = QString::number(gettid());
    const QStringList tasks = QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile status(u"/proc/self/task/%1/status"_s.arg(task));
        if (task == self || !status.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QList<QByteArray> lines = status.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (line.contains("ctxt_switches:")) {
                switches[task] += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
        }
    }
    return switches;
}

QFont pixelFont(int pixelSize)
{
    QFont font;
    font.setPixelSize(pixelSize);
    return font;
}
}

void DigitDisplayTest::digitsInUse_data()
{
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QString>("shown");

    QTest::newRow("one") << DigitDisplay::OneDigit << u"1"_s;
    QTest::newRow("two") << DigitDisplay::TwoDigits << u"12"_s;
    QTest::newRow("three") << DigitDisplay::ThreeDigits << u"123"_s;
    QTest::newRow("none") << DigitDisplay::NoDigits << QString();
}

void DigitDisplayTest::digitsInUse()
{
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QString, shown);

    DigitDisplay fromConstructor(nullptr, count);
    DigitDisplay fromSetter(nullptr, DigitDisplay::ThreeDigits);
    fromSetter.showDigits(u"123"_s);
    fromSetter.setDigits(count);
    fromConstructor.showDigits(shown);

    for (const DigitDisplay *display : {&fromConstructor, &fromSetter}) {
        QCOMPARE(display->digits(), count);
        QCOMPARE(display->text(), shown);
    }

    // A value outside the enumeration shows nothing.
    fromSetter.setDigits(static_cast<DigitDisplay::DigitCount>(7));
    QCOMPARE(fromSetter.digits(), DigitDisplay::NoDigits);
    QCOMPARE(fromSetter.text(), QString());
}

void DigitDisplayTest::acceptsOnlyFittingTexts_data()
{
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two takes two") << DigitDisplay::TwoDigits << u"12"_s << u"45"_s << u"45"_s;
    QTest::newRow("two ignores one") << DigitDisplay::TwoDigits << u"12"_s << u"7"_s << u"12"_s;
    QTest::newRow("two ignores three") << DigitDisplay::TwoDigits << u"12"_s << u"123"_s << u"12"_s;
    QTest::newRow("two ignores empty") << DigitDisplay::TwoDigits << u"12"_s << QString() << u"12"_s;
    QTest::newRow("two ignores a divider") << DigitDisplay::TwoDigits << u"12"_s << u"45:"_s << u"12"_s;
    QTest::newRow("one takes one") << DigitDisplay::OneDigit << u"3"_s << u"9"_s << u"9"_s;
    QTest::newRow("one ignores two") << DigitDisplay::OneDigit << u"3"_s << u"99"_s << u"3"_s;
    QTest::newRow("three takes three") << DigitDisplay::ThreeDigits << u"100"_s << u"456"_s << u"456"_s;
    QTest::newRow("three ignores two") << DigitDisplay::ThreeDigits << u"100"_s << u"45"_s << u"100"_s;
    QTest::newRow("none takes one") << DigitDisplay::NoDigits << u"1"_s << u"1"_s << QString();
    QTest::newRow("none takes empty") << DigitDisplay::NoDigits << QString() << QString() << QString();
}

void DigitDisplayTest::acceptsOnlyFittingTexts()
{
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, expected);

    DigitDisplay display(nullptr, count);
    display.showDigits(first);
    display.showDigits(second);
    QCOMPARE(display.text(), expected);
}

void DigitDisplayTest::changingTheCountKeepsTexts()
{
    DigitDisplay display(nullptr, DigitDisplay::ThreeDigits);
    display.showDigits(u"123"_s);

    display.setDigits(DigitDisplay::OneDigit);
    QCOMPARE(display.text(), u"1"_s);

    display.showDigits(u"7"_s);
    display.setDigits(DigitDisplay::ThreeDigits);
    QCOMPARE(display.text(), u"723"_s);

    display.setDigits(DigitDisplay::NoDigits);
    QCOMPARE(display.text(), QString());
    display.setDigits(DigitDisplay::TwoDigits);
    QCOMPARE(display.text(), u"72"_s);
}

void DigitDisplayTest::fontIsTheDigitsOwn()
{
    DigitDisplay display(nullptr, DigitDisplay::TwoDigits);
    const QFont inherited = display.font();
    QFont big = pixelFont(inherited.pixelSize() > 0 ? inherited.pixelSize() * 3 : 48);
    big.setBold(true);

    display.setFont(big);
    QCOMPARE(display.font(), inherited);
    QCOMPARE(display.digitFont(), big);
}

void DigitDisplayTest::sizeHintsIgnoreTheDigits_data()
{
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("pixelSize");

    QTest::newRow("two digits") << DigitDisplay::TwoDigits << QStringList{u"48"_s, u"11"_s, u"00"_s} << 40;
    QTest::newRow("three digits") << DigitDisplay::ThreeDigits << QStringList{u"100"_s, u"888"_s} << 40;
    QTest::newRow("one digit small") << DigitDisplay::OneDigit << QStringList{u"1"_s, u"0"_s} << 12;
    // Above the size up to which the font engine caches glyphs itself.
    QTest::newRow("three digits large") << DigitDisplay::ThreeDigits << QStringList{u"888"_s, u"111"_s} << 90;
}

void DigitDisplayTest::sizeHintsIgnoreTheDigits()
{
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QStringList, texts);
    QFETCH(int, pixelSize);

    const QFont font = pixelFont(pixelSize);
    ShownDisplay shown(count, font);
    QVERIFY(shown.showAndSettle());
    DigitDisplay *display = shown.display;

    const QFontMetrics metrics(font);
    int widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        widest = std::max(widest, metrics.boundingRect(QChar::fromLatin1(digit)).width());
    }
    const int used = int(texts.constFirst().size());
    const QSize minimum(used * widest + used * widest / 10, display->minimumSizeHint().height());
    QVERIFY(minimum.height() >= metrics.height());
    const QSize hint = display->sizeHint();
    QVERIFY(hint.width() >= minimum.width());

    // A tick changes digits only: no hint moves and nothing asks the window to lay out again.
    PaintRecorder recorder;
    shown.parent.installEventFilter(&recorder);
    for (const QString &text : texts) {
        display->showDigits(text);
        QCOMPARE(display->text(), text);
        QCOMPARE(display->minimumSizeHint(), minimum);
        QCOMPARE(display->sizeHint(), hint);
        QCoreApplication::processEvents();
    }
    QCOMPARE(recorder.layoutRequests, 0);

    display->setDigits(DigitDisplay::NoDigits);
    QCOMPARE(display->minimumSizeHint().width(), 0);
}

void DigitDisplayTest::tickRepaintsOnlyChangedDigits_data()
{
    QTest::addColumn<QString>("change");

    // After any of these the first paint draws the display afresh; the ticks that follow
    // must be cheap again.
    QTest::newRow("none") << QString();
    QTest::newRow("digit count") << u"digits"_s;
    QTest::newRow("parent resized") << u"resize"_s;
    QTest::newRow("parent palette") << u"palette"_s;
}

void DigitDisplayTest::tickRepaintsOnlyChangedDigits()
{
    QFETCH(QString, change);

    ShownDisplay shown(DigitDisplay::ThreeDigits, pixelFont(72));
    shown.display->showDigits(u"120"_s);
    QVERIFY(shown.showAndSettle());
    QCoreApplication::processEvents();
    const qreal ratio = shown.display->devicePixelRatio();
    if (ratio != std::floor(ratio)) {
        QSKIP("At a fractional pixel ratio the display paints over its live parents");
    }

    if (!change.isEmpty()) {
        PaintRecorder changed;
        shown.display->installEventFilter(&changed);
        if (change == u"digits"_s) {
            shown.display->setDigits(DigitDisplay::TwoDigits);
            shown.display->setDigits(DigitDisplay::ThreeDigits);
            shown.display->showDigits(u"120"_s);
        } else if (change == u"resize"_s) {
            shown.parent.resize(340, 140);
        } else if (change == u"palette"_s) {
            QPalette palette = shown.parent.palette();
            palette.setColor(QPalette::Window, QColor(0x30, 0x60, 0x30));
            shown.parent.setPalette(palette);
        }
        QTRY_VERIFY(!changed.paints.isEmpty());
        QCoreApplication::processEvents();
    }

    PaintRecorder recorder;
    shown.parent.installEventFilter(&recorder);
    shown.display->installEventFilter(&recorder);
    const QRect whole = shown.display->rect();

    shown.display->showDigits(u"125"_s);
    QTRY_VERIFY(!recorder.paints.isEmpty());
    QCoreApplication::processEvents();

    // Only the display paints, not its parent, and only the right third of it.
    QVERIFY(shown.display->testAttribute(Qt::WA_OpaquePaintEvent));
    for (const auto &[widget, region] : std::as_const(recorder.paints)) {
        QCOMPARE(widget, shown.display);
        QVERIFY(region.boundingRect().left() >= whole.width() / 2);
        QVERIFY(region.boundingRect().width() < whole.width() / 2);
    }

    // The same digits again paint nothing.
    recorder.paints.clear();
    shown.display->showDigits(u"125"_s);
    QCoreApplication::processEvents();
    QVERIFY(recorder.paints.isEmpty());
}

void DigitDisplayTest::tickPaintsOnTheGuiThreadAlone_data()
{
    QTest::addColumn<int>("pixelSize");

    QTest::newRow("small") << 24;
    // Taller than the rows Qt's raster engine would rather share out among its threads.
    QTest::newRow("large") << 160;
    QTest::newRow("huge") << 400;
}

// A tick on a visible window wakes nothing but the GUI thread: a draw handed to a thread
// pool wakes its threads on every frame, for a copy that costs less than the wake-ups.
void DigitDisplayTest::tickPaintsOnTheGuiThreadAlone()
{
    QFETCH(int, pixelSize);
    if (!QFileInfo::exists(u"/proc/self/task"_s)) {
        QSKIP("needs the per-thread counters of /proc");
    }

    ShownDisplay shown(DigitDisplay::TwoDigits, pixelFont(pixelSize));
    shown.parent.resize(shown.parent.sizeHint().expandedTo(QSize(300, 120)));
    shown.display->showDigits(u"00"_s);
    QVERIFY(shown.showAndSettle());
    // The first paint of each digit draws its picture; the ticks after it copy them.
    for (int digit = 0; digit < 10; ++digit) {
        shown.display->showDigits(QString::number(digit).repeated(2));
        QCoreApplication::processEvents();
    }
    // Painted in full as well, as after the window was covered.
    shown.display->repaint();

    const QHash<QString, qint64> before = otherThreadsSwitches();
    for (int tick = 0; tick < 40; ++tick) {
        shown.display->showDigits(QString::number(tick % 10).repeated(2));
        QCoreApplication::processEvents();
    }
    QCOMPARE(otherThreadsSwitches(), before);
    shown.display->repaint();
    QCOMPARE(otherThreadsSwitches(), before);
}

void DigitDisplayTest::looksLikeCentredLabels_data()
{
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");

    QTest::newRow("two, default size") << DigitDisplay::TwoDigits << u"07"_s << 24;
    QTest::newRow("three, large") << DigitDisplay::ThreeDigits << u"409"_s << 72;
    QTest::newRow("one, small") << DigitDisplay::OneDigit << u"8"_s << 11;
}

// The display used to be made of centred labels in a box layout; users must not see a
// difference. The labels are rebuilt here as the reference picture.
void DigitDisplayTest::looksLikeCentredLabels()
{
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);

    const QFont font = pixelFont(pixelSize);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x20, 0x40, 0x60));
    palette.setColor(QPalette::WindowText, QColor(0xf0, 0xe0, 0x10));

    QWidget window;
    window.setPalette(palette);
    auto row = new QHBoxLayout(&window);
    auto display = new DigitDisplay(&window, count);
    display->setFont(font);
    display->showDigits(text);

    auto reference = new QWidget(&window);
    auto labels = new QHBoxLayout(reference);
    for (const QChar digit : text) {
        auto label = new QLabel(QString(digit), reference);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(font);
        labels->addWidget(label);
    }
    row->addWidget(display);
    row->addWidget(reference);
    window.resize(2 * display->sizeHint().width() + 80, display->sizeHint().height() + 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(display->size(), reference->size());

    // The display paints opaquely, so its picture comes without an alpha channel; the pixels
    // must still be those of the labels, which have none to spare.
    const QImage expected = reference->grab().toImage();
    const QImage painted = display->grab().toImage().convertToFormat(expected.format());
    QCOMPARE(painted, expected);

    // Also in the window, over what the parents paint, and after a tick changed a digit and
    // changed it back.
    QCOMPARE(window.grab(display->geometry()).toImage(), window.grab(reference->geometry()).toImage());
    QString other = text;
    other[0] = other.at(0) == u'1' ? u'2' : u'1';
    display->showDigits(other);
    QCoreApplication::processEvents();
    display->showDigits(text);
    QCoreApplication::processEvents();
    QCOMPARE(window.grab(display->geometry()).toImage(), window.grab(reference->geometry()).toImage());
}

void DigitDisplayTest::glyphsFollowColourAndFont()
{
    ShownDisplay shown(DigitDisplay::TwoDigits, pixelFont(40));
    shown.display->showDigits(u"88"_s);
    QVERIFY(shown.showAndSettle());

    const auto contains = [&shown](const QColor &color) {
        const QImage image = shown.parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == color) {
                    return true;
                }
            }
        }
        return false;
    };

    QPalette palette = shown.parent.palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    shown.parent.setPalette(palette);
    QTRY_VERIFY(contains(Qt::red));

    palette.setColor(QPalette::WindowText, Qt::blue);
    shown.parent.setPalette(palette);
    QTRY_VERIFY(contains(Qt::blue));
    QVERIFY(!contains(Qt::red));

    // A larger font gives larger glyphs, not the cached ones of the old size.
    const QImage small = shown.display->grab().toImage();
    shown.display->setFont(pixelFont(80));
    shown.parent.resize(shown.parent.sizeHint().expandedTo(QSize(300, 200)));
    QTRY_VERIFY(shown.display->grab().toImage() != small);
    int blueRows = 0;
    const QImage large = shown.display->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < large.height(); ++y) {
        for (int x = 0; x < large.width(); ++x) {
            if (large.pixelColor(x, y) == QColor(Qt::blue)) {
                ++blueRows;
                break;
            }
        }
    }
    QVERIFY(blueRows > 40);
}

// A palette may give the active window other colours than the inactive ones; the digits must
// switch with the window, as a label's text does.
void DigitDisplayTest::glyphsFollowWindowActivation()
{
    ShownDisplay shown(DigitDisplay::TwoDigits, pixelFont(40));
    QPalette palette = shown.parent.palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::red);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, Qt::blue);
    shown.parent.setPalette(palette);
    shown.display->showDigits(u"88"_s);
    QVERIFY(shown.showAndSettle());

    const auto shows = [&shown](const QColor &color) {
        const QImage image = shown.display->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == color) {
                    return true;
                }
            }
        }
        return false;
    };

    shown.parent.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&shown.parent));
    QTRY_VERIFY(shows(Qt::red) && !shows(Qt::blue));

    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(!shown.parent.isActiveWindow());
    QTRY_VERIFY(shows(Qt::blue) && !shows(Qt::red));
}

void DigitDisplayTest::accessibleNameIsTheDigits()
{
    DigitDisplay display(nullptr, DigitDisplay::TwoDigits);
    display.showDigits(u"45"_s);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&display);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), u"45"_s);
    QCOMPARE(accessible->role(), QAccessible::StaticText);

    display.showDigits(u"46"_s);
    QCOMPARE(accessible->text(QAccessible::Name), u"46"_s);
}

void DigitDisplayTest::changedLooksLikeFreshlyShown_data()
{
    QTest::addColumn<DigitDisplay::DigitCount>("countBefore");
    QTest::addColumn<QStringList>("textsBefore");
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("indent");
    QTest::addColumn<bool>("shaded");

    // Counted up to the change, so each cell has shown the digits it shows after it.
    const QStringList upTo99{u"10"_s, u"01"_s, u"99"_s};
    QTest::newRow("two digits to three") << DigitDisplay::TwoDigits << upTo99 << DigitDisplay::ThreeDigits << u"100"_s << 0 << false;
    QTest::newRow("three digits to two") << DigitDisplay::ThreeDigits << QStringList{u"100"_s, u"200"_s} << DigitDisplay::TwoDigits << u"00"_s << 0 << false;
    QTest::newRow("two digits to one") << DigitDisplay::TwoDigits << QStringList{u"45"_s, u"54"_s} << DigitDisplay::OneDigit << u"4"_s << 0 << false;
    QTest::newRow("two digits to three, shaded") << DigitDisplay::TwoDigits << upTo99 << DigitDisplay::ThreeDigits << u"100"_s << 0 << true;
    // The display keeps its size and its place in its parent; only the parent moves.
    QTest::newRow("parent moved, shaded") << DigitDisplay::TwoDigits << QStringList{u"45"_s} << DigitDisplay::TwoDigits << u"45"_s << 90 << true;
}

// Whatever changes around the digits, the window must look as if it had been shown that way.
void DigitDisplayTest::changedLooksLikeFreshlyShown()
{
    QFETCH(DigitDisplay::DigitCount, countBefore);
    QFETCH(QStringList, textsBefore);
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QString, text);
    QFETCH(int, indent);
    QFETCH(bool, shaded);

    // A frame between the window and the display, as the group boxes of the time display
    // are; shaded, the window's background differs from place to place, as a style's can.
    struct Framed {
        Framed(DigitDisplay::DigitCount count, bool shaded)
            : frame(new QWidget(&window))
            , display(new DigitDisplay(frame, count))
            , outer(new QHBoxLayout(&window))
        {
            if (shaded) {
                QLinearGradient gradient(0, 0, 400, 0);
                gradient.setColorAt(0, QColor(0x10, 0x30, 0x60));
                gradient.setColorAt(1, QColor(0xe0, 0xc0, 0x40));
                QPalette palette;
                palette.setBrush(QPalette::Window, gradient);
                window.setPalette(palette);
            }
            outer->addWidget(frame);
            outer->addStretch();
            auto inner = new QHBoxLayout(frame);
            inner->addWidget(display);
            display->setFont(pixelFont(48));
            frame->setFixedSize(220, 100);
            window.setFixedSize(400, 140);
        }

        QImage image()
        {
            return window.grab().toImage();
        }

        QWidget window;
        QWidget *frame;
        DigitDisplay *display;
        QHBoxLayout *outer;
    };

    Framed changed(countBefore, shaded);
    PaintRecorder recorder;
    changed.display->installEventFilter(&recorder);
    changed.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&changed.window));
    for (const QString &shown : textsBefore) {
        recorder.paints.clear();
        changed.display->showDigits(shown);
        QTRY_VERIFY(!recorder.paints.isEmpty());
        QCoreApplication::processEvents();
    }

    changed.display->setDigits(count);
    changed.display->showDigits(text);
    changed.outer->setContentsMargins(indent, 0, 0, 0);
    QCOMPARE(changed.display->text(), text);

    Framed fresh(count, shaded);
    fresh.display->showDigits(text);
    fresh.outer->setContentsMargins(indent, 0, 0, 0);
    fresh.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh.window));
    QTRY_COMPARE(changed.image(), fresh.image());
    // Same place in the frame, so only what lies behind tells the two apart.
    QCOMPARE(changed.display->geometry(), fresh.display->geometry());
}

QTEST_MAIN(DigitDisplayTest)

#include "digitdisplaytest.moc"
