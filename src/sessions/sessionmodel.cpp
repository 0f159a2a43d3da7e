// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionmodel.h"

#include <KLocalizedString>

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
QString sessionsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + u"/sessions.json"_s;
}

// What is found at the path of the sessions file.
struct SessionsFile {
    bool exists = false;
    // Whether the content could be taken whole as the file's envelope; content that cannot
    // must not be overwritten, or whatever the reader skipped would be gone for good.
    bool usable = false;
    QJsonObject envelope;
};

bool isEnvelope(const QJsonDocument &document)
{
    if (!document.isObject()) {
        return false;
    }
    const QJsonValue sessions = document.object().value(u"sessions"_s);
    if (!sessions.isArray()) {
        return false;
    }
    const QJsonArray array = sessions.toArray();
    return std::all_of(array.begin(), array.end(), [](const QJsonValue &session) {
        return session.isObject();
    });
}

SessionsFile inspect(const QString &fileName)
{
    SessionsFile result;
    QFile file(fileName);
    if (!QFileInfo::exists(fileName) && !QFileInfo(fileName).isSymLink()) {
        return result;
    }
    result.exists = true;

    if (!file.open(QIODevice::ReadOnly)) {
        qDebug().nospace() << "cannot open " << file.fileName() << ": " << file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    result.envelope = document.object();
    result.usable = !readFailed && error.error == QJsonParseError::NoError && isEnvelope(document);
    return result;
}

// Moves an unusable sessions file out of the way under a name that tells what it is and
// since when, so that the user can still recover it.
bool keepAside(const QString &fileName)
{
    const QString stem = fileName + u".broken-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-hhmmss"_s);
    QString keptName = stem;
    for (int n = 2; QFileInfo::exists(keptName) || QFileInfo(keptName).isSymLink(); ++n) {
        keptName = stem + u'-' + QString::number(n);
    }

    QFile file(fileName);
    if (!file.rename(keptName)) {
        qWarning().nospace() << "cannot keep the unreadable sessions file " << fileName << " as " << keptName << ": " << file.errorString()
                             << "; the sessions are not saved";
        return false;
    }
    qWarning().nospace() << "the sessions file " << fileName << " could not be read; it is kept as " << keptName << " and a new sessions file is written";
    return true;
}
}

SessionModel::SessionModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_roles{SessionNumberRole, NameRole, DateRole, NoteRole}
{
    const SessionsFile file = inspect(sessionsFilePath());
    if (file.exists) {
        read(file.envelope);
    }
    m_keepFileAside = file.exists && !file.usable;

    // Connected only now, so that loading never writes.
    connect(this, &QAbstractItemModel::dataChanged, this, &SessionModel::slotWriteData);
    connect(this, &QAbstractItemModel::rowsInserted, this, &SessionModel::slotWriteData);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &SessionModel::slotWriteData);
}

int SessionModel::rowCount(const QModelIndex &parent) const
{
    // A table: items have no children.
    return parent.isValid() ? 0 : int(m_sessions.size());
}

int SessionModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_roles.size());
}

QVariant SessionModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_sessions.size()) {
        return {};
    }

    if (role == Qt::DisplayRole) {
        return data(index, Qt::UserRole + index.column());
    }
    if (role == Qt::EditRole) {
        if (index.column() == columnForRole(NameRole)) {
            return data(index, NameRole);
        }
        if (index.column() == columnForRole(NoteRole)) {
            return data(index, NoteRole);
        }
        return {};
    }

    const Session &session = m_sessions.at(index.row());
    switch (role) {
    case SessionNumberRole:
        return QString::number(index.row() + 1);
    case NameRole:
        return session.name();
    case DateRole:
        return session.date();
    case NoteRole:
        return session.note();
    case SessionRole:
        return QVariant::fromValue(session);
    default:
        return {};
    }
}

QVariant SessionModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_roles.size()) {
        return {};
    }

    switch (m_roles.at(section)) {
    case SessionNumberRole:
        return i18nc("session number", "Session #");
    case NameRole:
        return i18n("Name");
    case DateRole:
        return i18n("Date");
    case NoteRole:
        return i18n("Note");
    default:
        return {};
    }
}

Qt::ItemFlags SessionModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::ItemIsEnabled;
    }
    if (isEditable(index)) {
        return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    }
    return QAbstractTableModel::flags(index);
}

bool SessionModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= m_sessions.size()) {
        return false;
    }

    Session &session = m_sessions[index.row()];
    if (index.column() == columnForRole(NameRole)) {
        const QString name = value.toString();
        // A session without a name could no longer be told apart in the list.
        if (name.isEmpty()) {
            return false;
        }
        session.setName(name);
    } else if (index.column() == columnForRole(NoteRole)) {
        session.setNote(value.toString());
    } else {
        return false;
    }

    Q_EMIT dataChanged(index, index);
    return true;
}

bool SessionModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_sessions.size()) {
        return false;
    }

    beginRemoveRows(parent, row, row + count - 1);
    m_sessions.remove(row, count);
    endRemoveRows();
    return true;
}

void SessionModel::append(const Session &session)
{
    const int row = int(m_sessions.size());
    beginInsertRows(QModelIndex(), row, row);
    m_sessions.append(session);
    endInsertRows();
}

bool SessionModel::update(Session &session)
{
    const qsizetype row = m_sessions.indexOf(session);
    if (row < 0) {
        return false;
    }

    session.setDate(QDateTime::currentDateTime());
    m_sessions[row] = session;
    Q_EMIT dataChanged(QModelIndex(), QModelIndex());
    return true;
}

bool SessionModel::isEmpty() const
{
    return m_sessions.isEmpty();
}

bool SessionModel::isEditable(const QModelIndex &index) const
{
    const int column = index.column();
    return column == columnForRole(NameRole) || column == columnForRole(NoteRole);
}

int SessionModel::columnForRole(int role) const
{
    return int(m_roles.indexOf(role));
}

void SessionModel::slotWriteData()
{
    const QString fileName = sessionsFilePath();

    if (m_keepFileAside) {
        if (!keepAside(fileName)) {
            return;
        }
        m_keepFileAside = false;
    }

    QJsonArray sessions;
    for (const Session &session : std::as_const(m_sessions)) {
        QJsonObject object;
        session.toJson(object);
        sessions.append(object);
    }
    const QJsonObject envelope{{u"sessions"_s, sessions}};

    // The new text goes to a temporary file that only replaces the old one once it is
    // complete, so a full disk or a crash leaves the previous sessions in place.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug().nospace() << "cannot open " << file.fileName() << ": " << file.errorString();
        qWarning().nospace() << "cannot save the sessions to " << fileName << ": " << file.errorString();
        return;
    }
    // A write that stops short (a full disk, a file size limit) reports no error by itself;
    // writing the rest meets the cause, and the shortened text must never be committed.
    const QByteArray text = QJsonDocument(envelope).toJson(QJsonDocument::Indented);
    qint64 written = 0;
    while (written < text.size()) {
        const qint64 chunk = file.write(text.constData() + written, text.size() - written);
        if (chunk <= 0) {
            break;
        }
        written += chunk;
    }
    if (written < text.size() && file.error() == QFileDevice::NoError) {
        file.cancelWriting();
    }
    if (!file.commit()) {
        qWarning().nospace() << "cannot save the sessions to " << fileName << ": " << file.errorString() << "; the file keeps its previous content";
    }
}

void SessionModel::read(const QJsonObject &json)
{
    const QJsonArray sessions = json.value(u"sessions"_s).toArray();
    for (const QJsonValue &session : sessions) {
        append(Session::fromJson(session.toObject()));
    }
}

#include "moc_sessionmodel.cpp"
