// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timelimitmessage.h"

#include "stopwatch.h"
#include "timeformat.h"

#include <KLocalizedString>

using namespace Qt::Literals::StringLiterals;

TimeLimitMessage::TimeLimitMessage(Stopwatch *stopwatch, QWidget *parent)
    : KMessageWidget(parent)
{
    setObjectName(u"limitMessage"_s);
    setMessageType(KMessageWidget::Warning);
    setWordWrap(true);
    hide();
    connect(stopwatch, &Stopwatch::limitReached, this, [this] {
        setText(i18nc("@info %1 is a time in hours, minutes and seconds",
                      "The stopwatch stopped at %1, the longest time it can hold. Its times and laps are kept.",
                      TimeFormat(true, true, TimeFormat::UpToMilliseconds).format(Stopwatch::MaximumTime)));
        animatedShow();
    });
    // Running again, or a new run, leaves the limit behind.
    for (const auto change : {&Stopwatch::running, &Stopwatch::inactive}) {
        connect(stopwatch, change, this, [this] {
            if (!isHidden()) {
                animatedHide();
            }
        });
    }
}

#include "moc_timelimitmessage.cpp"
