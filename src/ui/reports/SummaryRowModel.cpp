#include "ui/reports/SummaryRowModel.h"

SummaryRowModel::SummaryRowModel(QObject *parent)
    : QAbstractListModel(parent)
{}

int SummaryRowModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_finished.size()) + (m_ongoing ? 1 : 0);
}

QVariant SummaryRowModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const bool ongoing = index.row() >= m_finished.size();
    const Row &row = ongoing ? *m_ongoing : m_finished.at(index.row());
    switch (role) {
    case StartTextRole:
        return row.startText;
    case TaskNameRole:
        return row.taskName;
    case DurationTextRole:
        return row.durationText;
    case OngoingRole:
        return ongoing;
    case StripedRole:
        return index.row() % 2 == 1;
    default:
        return {};
    }
}

QHash<int, QByteArray> SummaryRowModel::roleNames() const
{
    return {{StartTextRole, "startText"},
            {TaskNameRole, "taskName"},
            {DurationTextRole, "durationText"},
            {OngoingRole, "ongoing"},
            {StripedRole, "striped"}};
}

void SummaryRowModel::setFinishedRows(const QList<Row> &rows)
{
    if (rows == m_finished)
        return;
    beginResetModel();
    m_finished = rows;
    endResetModel();
    Q_EMIT countChanged();
}

void SummaryRowModel::setOngoingRow(const std::optional<Row> &row)
{
    if (row == m_ongoing)
        return;
    const int position = static_cast<int>(m_finished.size());
    if (m_ongoing && row) {
        m_ongoing = row;
        Q_EMIT dataChanged(index(position), index(position));
        return;
    }
    if (row) {
        beginInsertRows(QModelIndex(), position, position);
        m_ongoing = row;
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), position, position);
        m_ongoing.reset();
        endRemoveRows();
    }
    Q_EMIT countChanged();
}
