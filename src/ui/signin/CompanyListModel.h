#pragma once

#include "api/auth/SingleLoginResponse.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QtQmlIntegration>

// The company selection screen's rows: the companies of the sign-in answer by name, the one
// picked last time on this machine first with its "Recent" badge. Each row remembers where its
// company stood in the answer, because the sign-in flow takes the pick by that position.
class CompanyListModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    // A list of {name, endpoint} objects in the answer's order.
    Q_PROPERTY(QVariantList companies READ companies WRITE setCompanies NOTIFY companiesChanged)
    // Empty when nothing was picked before.
    Q_PROPERTY(
        QString lastEndpoint READ lastEndpoint WRITE setLastEndpoint NOTIFY lastEndpointChanged)
    Q_PROPERTY(QString userName READ userName WRITE setUserName NOTIFY userNameChanged)
    Q_PROPERTY(QString greeting READ greeting NOTIFY userNameChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role
    {
        NameRole = Qt::UserRole + 1,
        EndpointRole,
        IsRecentRole,
        SourceIndexRole,
    };
    Q_ENUM(Role)

    explicit CompanyListModel(QObject *parent = nullptr);

    // The companies as the sign-in answer listed them; an entry that is not an object becomes a
    // company without name or endpoint, so that every position still matches the answer's.
    static QList<LoginCompany> companiesFromVariant(const QVariantList &companies);

    QVariantList companies() const { return m_source; }
    void setCompanies(const QVariantList &companies);
    QString lastEndpoint() const { return m_lastEndpoint; }
    void setLastEndpoint(const QString &endpoint);
    QString userName() const { return m_userName; }
    void setUserName(const QString &userName);
    QString greeting() const;
    int count() const { return static_cast<int>(m_rows.size()); }

    // The position in the answer of the company shown in row; -1 outside the list.
    Q_INVOKABLE int sourceIndex(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void companiesChanged();
    void lastEndpointChanged();
    void userNameChanged();
    void countChanged();

private:
    struct Row
    {
        LoginCompany company;
        int sourceIndex = -1;
        bool isRecent = false;
    };

    void rebuild();

    QVariantList m_source;
    QString m_lastEndpoint;
    QString m_userName;
    QList<Row> m_rows;
};
