#pragma once

#include "api/AuthTokens.h"
#include "api/auth/SingleLoginResponse.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

// What a sign-in came to, for the sign-in screens to act on.
struct SingleLoginResult
{
    // The service wants a one-time code; nothing was stored.
    struct OtpRequired
    {
        QString email;     // as sent in the request
        QString userEmail; // as the answer names the user, or empty
        friend bool operator==(const OtpRequired &, const OtpRequired &) = default;
    };

    // The account has several companies and the service named none; the tokens are stored.
    struct CompanySelection
    {
        QList<LoginCompany> companies; // in the answer's order
        QString userName;
        AuthTokens tokens;
        friend bool operator==(const CompanySelection &, const CompanySelection &) = default;
    };

    // Signed in; the company address is set when the answer named one.
    struct DirectConfig
    {
        AuthTokens tokens;
        std::optional<LoginUser> user;
        friend bool operator==(const DirectConfig &, const DirectConfig &) = default;
    };

    std::variant<OtpRequired, CompanySelection, DirectConfig> outcome;

    const OtpRequired *otpRequired() const { return std::get_if<OtpRequired>(&outcome); }
    const CompanySelection *companySelection() const
    {
        return std::get_if<CompanySelection>(&outcome);
    }
    const DirectConfig *directConfig() const { return std::get_if<DirectConfig>(&outcome); }

    friend bool operator==(const SingleLoginResult &, const SingleLoginResult &) = default;
};
