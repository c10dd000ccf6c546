#include "DemoDirectory.h"

#include "ScreenshotReportBuilder.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace {

nlohmann::json project(const char *id, const char *name)
{
    return {{"project_id", id}, {"project_name", name}};
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Same day, same figures: a stable pseudo-random number from the day and a slot.
unsigned figure(const QDate &day, int slot, unsigned modulo)
{
    unsigned value = static_cast<unsigned>(day.toJulianDay()) * 2654435761u ^
                     static_cast<unsigned>(slot) * 40503u;
    value ^= value >> 13;
    value *= 0x5bd1e995u;
    value ^= value >> 15;
    return value % modulo;
}

} // namespace

DemoDirectory::DemoDirectory(int port)
{
    const std::string portText = std::to_string(port);
    m_companies = {
        {"Demo Works",
         "127.0.0.1:" + portText,
         "127.0.0.1:" + portText,
         "",
         {project("task-101", "Customer onboarding"), project("task-102", "Quarterly report"),
          project("task-103", "Internal tooling")}},
        {"Harbor Clinic",
         "localhost:" + portText,
         "localhost:" + portText,
         "",
         {project("hc-7", "Patient records"), project("hc-8", "Scheduling")}},
        {"Harbor Clinic North",
         "https://localhost:" + portText + "/north",
         "localhost:" + portText,
         "/north",
         {project("hcn-1", "Front desk"), project("hcn-2", "Inventory"),
          project("hcn-3", "Training")}},
    };
    m_accounts = {
        {"demo@zuvevivezid.test", "demo-password", "Dana Demo", false, false, {0}},
        // A colleague of Dana's at the same company: two people taking turns on one computer.
        {"colleague@zuvevivezid.test", "demo-password", "Cole League", false, false, {0}},
        {"otp@zuvevivezid.test", "demo-password", "Oskar Code", true, false, {1}},
        {"multi@zuvevivezid.test", "demo-password", "Mia Many", false, true, {0, 1, 2}},
        {"team@zuvevivezid.test", "demo-password", "Tomas Team", true, true, {1, 2}},
    };
}

const DemoDirectory::Account *DemoDirectory::account(const std::string &email) const
{
    const std::string wanted = lowerCase(email);
    for (const auto &candidate : m_accounts) {
        if (candidate.email == wanted)
            return &candidate;
    }
    return nullptr;
}

const DemoDirectory::Company &DemoDirectory::companyFor(const Account &account,
                                                        const std::string &host,
                                                        const std::string &pathPrefix) const
{
    const std::string wantedHost = lowerCase(host);
    for (const size_t index : account.companies) {
        const Company &company = m_companies[index];
        if (company.host == wantedHost && company.pathPrefix == pathPrefix)
            return company;
    }
    return m_companies[account.companies.front()];
}

nlohmann::json DemoDirectory::loginUser(const Account &account) const
{
    return {{"email", account.email}, {"name", account.name}};
}

nlohmann::json DemoDirectory::companyList(const Account &account) const
{
    nlohmann::json list = nlohmann::json::array();
    for (const size_t index : account.companies)
        list.push_back(
            {{"name", m_companies[index].name}, {"endpoint", m_companies[index].endpoint}});
    return list;
}

nlohmann::json DemoDirectory::configuration(const Account &account, const Company &company) const
{
    return {{"device_id",
             "standin-device-" +
                 std::to_string(std::hash<std::string>{}(account.email + company.name) % 1000000)},
            {"projects", company.projects},
            {"screenshot_interval_minutes", 10},
            {"idle_minutes_threshold", 5},
            {"discard_idle_time", true},
            {"upload_batch_size", 50},
            {"idle_action", "ask"},
            {"name", account.name},
            {"company_name", company.name},
            {"latest_client_version", "1.0.0"},
            {"client_download_url", "https://" + company.host + "/downloads/latest"},
            {"app_timezone", "Europe/Berlin"}};
}

nlohmann::json DemoDirectory::screenshotReport(const QDate &day, const QDate &today,
                                               const std::string &host)
{
    static constexpr int workedHours[] = {9, 10, 11, 13, 14};
    static constexpr int segmentsPerHour = 6;
    ScreenshotReportBuilder report;
    if (day.isValid() && day <= today) {
        const std::string media =
            "https://" + host + "/media/" + day.toString(Qt::ISODate).toStdString();
        for (const int hour : workedHours) {
            for (int slot = 0; slot < segmentsPerHour; ++slot) {
                const int number = hour * segmentsPerHour + slot;
                ReportTotals segment;
                segment.seconds = 300 + figure(day, number, 301);
                segment.mouse = figure(day, number + 1000, 900);
                segment.keys = figure(day, number + 2000, 1500);
                segment.rateSum = 20.0 + figure(day, number + 3000, 800) / 10.0;
                segment.count = 1;

                nlohmann::json screenshots = nlohmann::json::array();
                const int shots = slot == 4 ? 0 : 1 + static_cast<int>(figure(day, number, 2));
                for (int shot = 0; shot < shots; ++shot) {
                    const std::string stem =
                        media + "/segment-" + std::to_string(number) + "-" + std::to_string(shot);
                    screenshots.push_back(
                        {{"url", stem + ".png"},
                         {"url_available", !(hour == 11 && slot == 2)},
                         {"thumbnail_url", stem + "-thumb.png"},
                         {"thumbnail_url_available", true},
                         {"captured_at", ScreenshotReportBuilder::clockText(hour * 60 + slot * 10 +
                                                                            3 + shot * 4)}});
                }
                report.addSegment(number, segment, std::move(screenshots));
            }
        }
    }
    return report.result();
}
