// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessiondialog.h"

#include "sessionmodel.h"

#include <KLocalizedString>
#include <KMessageBox>
#include <KStandardGuiItem>

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPersistentModelIndex>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>

using namespace Qt::Literals::StringLiterals;

SessionDialog::SessionDialog(SessionModel *sessionModel, QWidget *parent)
    : QDialog(parent, Qt::Dialog)
    , m_sessionModel(sessionModel)
    , m_proxyModel(new QSortFilterProxyModel(this))
{
    setupUi(this);

    // The form turns sorting on, which leaves the header's default indicator on the first
    // column although the rows keep the store's order until a header is clicked.
    m_sessionView->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // The file system may not have reported yet what another process saved a moment ago.
    m_sessionModel->refresh();
    m_proxyModel->setSourceModel(m_sessionModel);
    m_sessionView->setModel(m_proxyModel);
    m_sessionView->resizeColumnsToContents();

    m_msgWidget->hide();
    m_buttonBox->button(QDialogButtonBox::Ok)->setText(i18nc("@action:button", "Open session"));
    m_newRunButton = m_buttonBox->addButton(i18nc("@action:button", "New Run"), QDialogButtonBox::ActionRole);
    m_newRunButton->setObjectName(u"newRunButton"_s);
    m_newRunButton->setIcon(QIcon::fromTheme(u"media-playlist-repeat"_s));
    m_newRunButton->setToolTip(i18nc("@info:tooltip", "Time the selected session's activity again in a new window, compared with its best run"));
    connect(m_newRunButton, &QPushButton::clicked, this, [this] {
        m_newRunRequested = true;
        accept();
    });

    connect(m_sessionView, &QAbstractItemView::doubleClicked, this, &SessionDialog::slotDoubleClicked);
    connect(m_sessionView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &SessionDialog::slotSelectionChanged);
    connect(m_sessionModel, &QAbstractItemModel::rowsInserted, this, &SessionDialog::slotSessionAdded);
    connect(m_sessionModel, &QAbstractItemModel::rowsRemoved, this, &SessionDialog::slotEmptyModel);
    connect(m_sessionModel, &SessionModel::writeFailed, this, &SessionDialog::slotWriteFailed);

    slotEmptyModel();
    slotSelectionChanged();

    const QList<QScreen *> screens = QGuiApplication::screens();
    if (!screens.isEmpty()) {
        resize(screens.first()->size() / 2.5);
    }
}

void SessionDialog::setAcceptText(const QString &text)
{
    m_buttonBox->button(QDialogButtonBox::Ok)->setText(text);
}

Session SessionDialog::selectedSession() const
{
    return m_selectedSession;
}

void SessionDialog::accept()
{
    // The selected row, which the buttons follow; the current one can lie elsewhere after
    // Ctrl and the arrow keys.
    const QModelIndexList selected = m_sessionView->selectionModel()->selectedRows();
    const QModelIndex index = m_proxyModel->mapToSource(selected.isEmpty() ? m_sessionView->selectionModel()->currentIndex() : selected.constFirst());
    // Without a current row the data is invalid and gives a session with the defaults.
    m_selectedSession = m_sessionModel->data(index, SessionModel::SessionRole).value<Session>();
    QDialog::accept();
}

void SessionDialog::slotDoubleClicked(const QModelIndex &index)
{
    // Name and note cells are edited by the view itself on a double click.
    if (m_sessionModel->isEditable(index)) {
        return;
    }
    accept();
}

void SessionDialog::slotSelectionChanged()
{
    const bool selected = m_sessionView->selectionModel()->hasSelection();
    m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(selected);
    // A new run takes the name of a session that is there, so it never follows a lone current row.
    m_newRunButton->setEnabled(selected);
}

void SessionDialog::setNewRunOffered(bool offered)
{
    m_newRunButton->setVisible(offered);
}

bool SessionDialog::isNewRunRequested() const
{
    return m_newRunRequested;
}

void SessionDialog::slotSessionAdded()
{
    QPushButton *openButton = m_buttonBox->button(QDialogButtonBox::Ok);
    if (!openButton->isEnabled()) {
        openButton->setEnabled(true);
        openButton->setToolTip(QString());
    }
}

void SessionDialog::slotEmptyModel()
{
    if (!m_sessionModel->isEmpty()) {
        return;
    }

    const QString text = i18nc("@info", "You don't have any saved session yet.");
    QPushButton *openButton = m_buttonBox->button(QDialogButtonBox::Ok);
    openButton->setEnabled(false);
    openButton->setToolTip(text);
    m_msgWidget->setMessageType(KMessageWidget::Information);
    m_msgWidget->setText(text);
    m_msgWidget->animatedShow();
}

void SessionDialog::slotWriteFailed(const QString &fileName, const QString &reason)
{
    m_msgWidget->setMessageType(KMessageWidget::Error);
    m_msgWidget->setText(xi18nc("@info", "The change could not be saved to <filename>%1</filename>: %2", fileName, reason));
    m_msgWidget->animatedShow();
}

void SessionDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && !m_sessionModel->isEmpty()) {
        removeSession();
    }
    QDialog::keyPressEvent(event);
}

void SessionDialog::removeSession()
{
    // The view keeps a current row even when nothing is selected (it takes the first row
    // when it gets the focus); only a row the user can see selected may be removed.
    const QModelIndexList selectedRows = m_sessionView->selectionModel()->selectedRows();
    if (selectedRows.isEmpty()) {
        return;
    }
    // Follows the row should the store change while the question is open.
    const QPersistentModelIndex row(m_proxyModel->mapToSource(selectedRows.first()));

    const KMessageBox::ButtonCode answer = KMessageBox::warningTwoActions(this,
                                                                          i18nc("@info", "Do you want to remove the selected session?"),
                                                                          i18nc("@title:window", "Confirm deletion"),
                                                                          KStandardGuiItem::remove(),
                                                                          KStandardGuiItem::cancel(),
                                                                          u"delete-session"_s,
                                                                          KMessageBox::Notify | KMessageBox::Dangerous);
    if (answer != KMessageBox::PrimaryAction || !row.isValid()) {
        return;
    }
    m_sessionModel->removeRows(row.row(), 1, QModelIndex());
}

#include "moc_sessiondialog.cpp"
