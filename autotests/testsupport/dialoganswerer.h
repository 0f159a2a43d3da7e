// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <KGuiItem>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

/** The text a dialog button built from item shows, without accelerator marks. */
inline QString buttonText(const KGuiItem &item)
{
    return item.text().remove(u'&');
}

/**
 * Answers the next modal dialog by clicking the button with the given text (without its
 * accelerator marks), and remembers what the dialog said. It keeps looking until such a
 * dialog shows up, so it can be armed before the call that opens the dialog.
 */
class DialogAnswerer : public QObject
{
public:
    /** With input, the dialog's line edit gets that text before the button is clicked. */
    explicit DialogAnswerer(const QString &buttonText, const QString &input = QString())
        : m_buttonText(buttonText)
        , m_input(input)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::look);
        m_timer.start();
    }

    [[nodiscard]] bool answered() const
    {
        return m_answered;
    }
    /** Every label text of the dialog that was answered. */
    [[nodiscard]] QStringList texts() const
    {
        return m_texts;
    }

private:
    void look()
    {
        auto dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        const auto buttons = dialog->findChildren<QAbstractButton *>();
        for (QAbstractButton *button : buttons) {
            if (button->isVisible() && QString(button->text()).remove(u'&') == m_buttonText) {
                m_timer.stop();
                const auto labels = dialog->findChildren<QLabel *>();
                for (QLabel *label : labels) {
                    if (!label->text().isEmpty()) {
                        m_texts << label->text();
                    }
                }
                if (auto edit = dialog->findChild<QLineEdit *>(); edit && !m_input.isNull()) {
                    edit->setText(m_input);
                }
                m_answered = true;
                button->click();
                return;
            }
        }
    }

    QString m_buttonText;
    QString m_input;
    QTimer m_timer;
    bool m_answered = false;
    QStringList m_texts;
};
