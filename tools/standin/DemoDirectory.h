#pragma once

#include <nlohmann/json.hpp>

#include <QDate>

#include <optional>
#include <string>
#include <vector>

// The demo companies and employees of the stand-in, and the data it answers for them.
class DemoDirectory
{
public:
    struct Company
    {
        std::string name;
        std::string endpoint;   // as the sign-in answer names it
        std::string host;       // the Host header that reaches it, e.g. "localhost:8443"
        std::string pathPrefix; // what stands before "/api/v1/", e.g. "/north"
        nlohmann::json projects;
    };

    struct Account
    {
        std::string email;
        std::string password;
        std::string name;
        bool oneTimeCodeRequired = false;
        bool choosesCompany = false; // the sign-in lists companies and names none
        std::vector<size_t> companies;
    };

    explicit DemoDirectory(int port);

    const std::vector<Company> &companies() const { return m_companies; }
    const Account *account(const std::string &email) const;
    // The company a request addressed (by host and path prefix), if it is one of the account's.
    const Company &companyFor(const Account &account, const std::string &host,
                              const std::string &pathPrefix) const;

    nlohmann::json loginUser(const Account &account) const;
    nlohmann::json companyList(const Account &account) const;
    nlohmann::json configuration(const Account &account, const Company &company) const;
    // A synthetic day of tracked work: a few hours of segments with screenshots whose images the
    // stand-in serves under /media/ of the host the report was asked from.
    static nlohmann::json screenshotReport(const QDate &day, const QDate &today,
                                           const std::string &host);

private:
    std::vector<Company> m_companies;
    std::vector<Account> m_accounts;
};
