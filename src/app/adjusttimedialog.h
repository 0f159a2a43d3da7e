// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class KMessageWidget;
class QDialogButtonBox;
namespace Ui
{
class AdjustTimeDialog;
}

/**
 * Asks for an amount to add to or subtract from the run. OK hands the signed amount to the
 * caller, which makes the adjustment or tells why not; a refusal stays in the dialog, so
 * the user can choose another amount.
 */
class AdjustTimeDialog : public QDialog
{
    Q_OBJECT

public:
    using Adjust = std::function<bool(int milliseconds, QString *refusal)>;

    AdjustTimeDialog(Adjust adjust, QWidget *parent);
    ~AdjustTimeDialog() override;

    /** The signed amount in milliseconds as entered. */
    [[nodiscard]] int amount() const;
    void setAmount(int milliseconds);
    /** The refusal shown, empty while none is. */
    [[nodiscard]] QString refusal() const;

    void accept() override;

private:
    std::unique_ptr<Ui::AdjustTimeDialog> m_ui;
    KMessageWidget *m_message;
    QDialogButtonBox *m_buttons;
    Adjust m_adjust;
};
