#include "ui/signin/CompanyListModel.h"

#include "api/auth/SignInPreferences.h"

#include <QVariantMap>

#include <optional>

CompanyListModel::CompanyListModel(QObject *parent)
    : QAbstractListModel(parent)
{}

QList<LoginCompany> CompanyListModel::companiesFromVariant(const QVariantList &companies)
{
    QList<LoginCompany> result;
    result.reserve(companies.size());
    for (const QVariant &entry : companies) {
        const QVariantMap fields = entry.toMap();
        result.append({fields.value(QStringLiteral("name")).toString(),
                       fields.value(QStringLiteral("endpoint")).toString()});
    }
    return result;
}

void CompanyListModel::setCompanies(const QVariantList &companies)
{
    if (m_source == companies)
        return;
    m_source = companies;
    rebuild();
    Q_EMIT companiesChanged();
}

void CompanyListModel::setLastEndpoint(const QString &endpoint)
{
    if (m_lastEndpoint == endpoint)
        return;
    m_lastEndpoint = endpoint;
    rebuild();
    Q_EMIT lastEndpointChanged();
}

void CompanyListModel::setUserName(const QString &userName)
{
    if (m_userName == userName)
        return;
    m_userName = userName;
    Q_EMIT userNameChanged();
}

QString CompanyListModel::greeting() const
{
    return QStringLiteral("Hi ") + m_userName +
           QStringLiteral(", you have access to multiple companies. Select one to continue.");
}

int CompanyListModel::sourceIndex(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return -1;
    return m_rows.at(row).sourceIndex;
}

int CompanyListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant CompanyListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case NameRole:
    case Qt::DisplayRole:
        return row.company.name;
    case EndpointRole:
        return row.company.endpoint;
    case IsRecentRole:
        return row.isRecent;
    case SourceIndexRole:
        return row.sourceIndex;
    default:
        return {};
    }
}

QHash<int, QByteArray> CompanyListModel::roleNames() const
{
    return {{NameRole, "name"},
            {EndpointRole, "endpoint"},
            {IsRecentRole, "isRecent"},
            {SourceIndexRole, "sourceIndex"}};
}

void CompanyListModel::rebuild()
{
    const QList<LoginCompany> companies = companiesFromVariant(m_source);
    const std::optional<QString> last =
        m_lastEndpoint.isEmpty() ? std::nullopt : std::optional<QString>(m_lastEndpoint);
    const CompanyListOrder::Ordered ordered = CompanyListOrder::ordered(companies, last);

    // The order keeps equal companies in the answer's order, so the n-th occurrence of a company
    // in the ordered list is its n-th occurrence in the answer.
    QList<bool> used(companies.size(), false);
    QList<Row> rows;
    rows.reserve(ordered.companies.size());
    for (const LoginCompany &company : ordered.companies) {
        qsizetype source = 0;
        while (source < companies.size() && (used.at(source) || !(companies.at(source) == company)))
            ++source;
        if (source == companies.size())
            continue;
        used[source] = true;
        const bool isRecent = ordered.recentEndpoint && *ordered.recentEndpoint == company.endpoint;
        rows.append({company, static_cast<int>(source), isRecent});
    }

    const int oldCount = count();
    beginResetModel();
    m_rows = rows;
    endResetModel();
    if (count() != oldCount)
        Q_EMIT countChanged();
}
