#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QtQmlIntegration>

#include <optional>

// The summary table: the finished sessions in the order shown, then the running session's
// "Ongoing" row. Rows alternate their stripe by position, the Ongoing row continuing the pattern.
class SummaryRowModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The summary view model provides its rows")
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    enum Role
    {
        StartTextRole = Qt::UserRole + 1,
        TaskNameRole,
        DurationTextRole,
        OngoingRole,
        StripedRole,
    };
    Q_ENUM(Role)

    struct Row
    {
        QString startText;
        QString taskName;
        QString durationText;

        friend bool operator==(const Row &, const Row &) = default;
    };

    explicit SummaryRowModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    void setFinishedRows(const QList<Row> &rows);
    // Changes the last row in place while it stays, so the once-a-second update redraws one row.
    void setOngoingRow(const std::optional<Row> &row);

    const QList<Row> &finishedRows() const { return m_finished; }
    const std::optional<Row> &ongoingRow() const { return m_ongoing; }

Q_SIGNALS:
    void countChanged();

private:
    QList<Row> m_finished;
    std::optional<Row> m_ongoing;
};
