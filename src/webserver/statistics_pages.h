// The four statistics pages (index.html, users.html, chanserv.html and nickserv.html) written
// into the Webserver folder, from the statistics view.
#pragma once

#include <filesystem>
#include <string>

#include "core/clock.h"
#include "core/console.h"
#include "network/statistics_view.h"

namespace nb {

// The text of each page, its lines ended by LF, every value HTML-escaped.
std::string IndexPage(const StatisticsView& view, const std::string& generatedOn);
std::string UsersPage(const StatisticsView& view, const std::string& generatedOn);
std::string ChanServPage(const StatisticsView& view, const std::string& generatedOn);
std::string NickServPage(const StatisticsView& view, const std::string& generatedOn);

// A value any IRC user controls, made harmless inside a page.
std::string HtmlEscape(const std::string& text);

enum class StatisticsPage { Index, Users, ChanServ, NickServ };

class StatisticsPages {
public:
    StatisticsPages(const StatisticsView& view, const std::filesystem::path& folder, const Clock& clock, Console& console);

    // Writes the page (its text ended by CR LF) and logs "[<date and time>] Created <file>" in
    // the web server's log; a page that cannot be written is said there instead.
    bool Make(StatisticsPage page);
    void MakeAll();

private:
    const StatisticsView& view_;
    std::filesystem::path folder_;
    const Clock& clock_;
    Console& console_;
};

}  // namespace nb
