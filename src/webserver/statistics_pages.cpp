#include "webserver/statistics_pages.h"

#include "core/datetime.h"
#include "core/files.h"
#include "core/version.h"

namespace nb {
namespace {

const std::string kRule = R"(<B><FONT FACE="Verdana"><HR width="50%" noshade color="#808080"><p>)";

// Appends each item with the LF that ends it.
class Page {
public:
    Page& operator<<(const std::string& item) {
        text_ += item;
        text_ += '\n';
        return *this;
    }
    std::string Text() && { return std::move(text_); }

private:
    std::string text_;
};

// Items 1 to 7; item 7 ends as the page says.
Page Head(const std::string& generatedOn, const std::string& end) {
    Page page;
    page << "<HTML>"
         << "<HEAD>"
         << std::string("  <META NAME=\"GENERATOR\" CONTENT=\"Nimbral ") + kVersion + "\">"
         << "  <TITLE>NBII - Webstats</TITLE>"
         << "</HEAD>"
         << R"(<BODY BGCOLOR="#ffffff">)"
         << R"(<P align="center"><b><font face="Verdana" size="1"><font color="#000000">[</font><font color="#FF0000">Nimbral II Webstats</font>]<br>[Generated on: )" +
                HtmlEscape(generatedOn) + end;
    return page;
}

std::string Tail(Page page) {
    page << R"(<P align="center"><font face="Verdana" size="1">Nimbral II statistics, made by the services themselves.</font></P>)"
         << "</FONT>"
         << "</BODY>"
         << "</HTML>";
    return std::move(page).Text();
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&#39;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string IndexPage(const StatisticsView& view, const std::string& generatedOn) {
    ServicesIdentity us = view.Identity();
    Page page = Head(generatedOn, "]</font></b></P>");
    page << R"(<P align="center"><b><font face="Verdana" size="1"><font color="#000000">[</font><font color="#000000"><a href="users.html">Userlist</a>] [<a href="chanserv.html">ChanServ Page</a>] [<a href="nickserv.html">NickServ Page</a></font>]<br></P>)"
         << R"(<B><FONT FACE="Verdana"><HR width="50%" noshade color="#808080">)"
         << R"(<p><font face="Verdana" size="1"><center>[</font></FONT><font face="Verdana" size="1"><u>Services )"
         << R"(Information</u></font><FONT FACE="Verdana Ref"><font face="Verdana" size="1">]</font></p></FONT></B>)"
         << R"(<p><font face="Verdana" size="1">Services name: )" + HtmlEscape(us.serverName) +
                R"(</font><font face="Verdana" size="1"><FONT FACE="Verdana"><br>)"
         << "</FONT>Oper channel: " + HtmlEscape(us.operChannel) + "<br>"
         << "Net channel (IRCops only): " + HtmlEscape(us.netChannel) + "<br>"
         << "Bot channel (IRCops only): " + HtmlEscape(us.botChannel) + "<br>"
         << "Admin's email: " + HtmlEscape(us.adminEmail) + "</font></p>"
         << R"(<FONT FACE="Verdana"><B><HR width="50%" noshade color="#808080">)"
         << R"(<p><font face="Verdana" size="1">[<u>Network Statistics</u>]</font></p></B>)"
         << R"(<p><font face="Verdana" size="1">Number of users online: )" + std::to_string(view.UsersOnline()) + "<br>"
         << "Number of current active channels: " + std::to_string(view.ChannelsNow()) + "<br>"
         << "<B>&nbsp;&nbsp;&nbsp;</B>"
         << R"(</font></FONT><B><font face="Verdana" size="1">&nbsp;&nbsp;&nbsp;</font></p>)"
         << R"(<FONT FACE="Verdana"><HR width="50%" noshade color="#808080"></FONT></B>)"
         << R"(<p><font face="Verdana" size="1"><b>[<u>ChanServ Statistics</u>]<br>)"
         << "<br>"
         << "</b>Registered channels: " + std::to_string(view.RegisteredChannelCount()) + "</font></p>"
         << R"(<FONT FACE="Verdana"><B><HR width="50%" noshade color="#808080">)"
         << "<p><br>"
         << R"(<font size="1">[<u>NickServ Statistics</u>]</font></p></B>)"
         << R"(<p><font size="1">Registered nicks: )" + std::to_string(view.RegisteredNickCount()) +
                R"(</font></p><B><HR width="50%" noshade color="#808080"></B></center>)";
    return Tail(std::move(page));
}

std::string UsersPage(const StatisticsView& view, const std::string& generatedOn) {
    Page page = Head(generatedOn, "]<br>");
    page << R"(<P align="center">[Userlist]</font></b></P>)"
         << R"(<B><FONT FACE="Verdana"><HR width="50%" noshade color="#808080"><p></b>)";
    for (const UserRow& user : view.Users()) {
        page << "<center>"
             << R"(<font face="Verdana" size="1">)"
             << "<b>Nickname:</b> " + HtmlEscape(user.nick) + "<br>"
             << "<b>Full Host</b>: " + HtmlEscape(user.ident + "@" + user.host) + "<br>"
             << "<b>User Number</b>: " + std::to_string(user.number) + "<br>"
             << "<b>Connected to</b>: " + HtmlEscape(user.server) + "<br>"
             << "<b>Connected on</b>: " + HtmlEscape(user.connectedOn) + "<br>"
             << "</center>" << kRule;
    }
    return Tail(std::move(page));
}

std::string ChanServPage(const StatisticsView& view, const std::string& generatedOn) {
    Page page = Head(generatedOn, "]<br>");
    page << R"(<P align="center">[ChanServ Page]</font></b></P>)"
         << R"(<b><FONT FACE="Verdana"><HR width="50%" noshade color="#808080"><p></b>)";
    for (const ChannelRow& channel : view.RegisteredChannels()) {
        page << "<center>"
             << R"(<font face="Verdana" size="1">)"
             << "<b>Channel name:</b> " + HtmlEscape(channel.name) + "<br>"
             << "<b>Owner</b>: " + HtmlEscape(channel.founder) + " (" + HtmlEscape(channel.email) + ")<br> "
             << "<b>Description</b>: " + HtmlEscape(channel.description) + "<br>"
             << "<b>Greeting</b>: " + HtmlEscape(channel.greet) + "<br>"
             << "<b>Registered on</b>: " + HtmlEscape(channel.registeredOn) + "<br>"
             << "</center>" << kRule;
    }
    return Tail(std::move(page));
}

std::string NickServPage(const StatisticsView& view, const std::string& generatedOn) {
    Page page = Head(generatedOn, "]</b><br>");
    std::vector<NickRow> nicks = view.RegisteredNicks();
    page << R"(<br><font face="Verdana" size="1"><font color="#000000">[<b>NickServ Page</b>]<br>)"
         << "[<b>Total Registered Nicks: " + std::to_string(nicks.size()) + "</b>]</font></b></P>"
         << R"(<b><FONT FACE="Verdana"><HR width="50%" noshade color="#808080"><p></b>)";
    for (const NickRow& nick : nicks) {
        page << "<center>"
             << R"(<font face="Verdana" size="1">)"
             << "<b>Nickname:</b> " + HtmlEscape(nick.nick) + "<br>"
             << "<b>Email</b>: " + HtmlEscape(nick.email) + "<br>"
             << "<b>Real name</b>: " + HtmlEscape(nick.realName) + "<br>"
             << "<b>Age</b>: " + HtmlEscape(nick.age) + "<br>"
             << "<b>Last seen</b>: " + HtmlEscape(nick.lastSeen) + "<br>"
             << "<b>Last quit message</b>: " + HtmlEscape(nick.lastQuit) + "<br>"
             << "<b>Registered on</b>: " + HtmlEscape(nick.registeredOn) + "<br>"
             << "</center>" << kRule;
    }
    return Tail(std::move(page));
}

StatisticsPages::StatisticsPages(const StatisticsView& view, const std::filesystem::path& folder, const Clock& clock,
                                 Console& console)
    : view_(view), folder_(folder), clock_(clock), console_(console) {}

bool StatisticsPages::Make(StatisticsPage page) {
    static const char* const kFiles[] = {"index.html", "users.html", "chanserv.html", "nickserv.html"};
    using Maker = std::string (*)(const StatisticsView&, const std::string&);
    static const Maker kMakers[] = {IndexPage, UsersPage, ChanServPage, NickServPage};
    auto which = static_cast<std::size_t>(page);
    std::string now = FormatGeneralDate(clock_.Now());
    // Made again at will: not worth a flush to disk.
    bool written = WriteFileAtomic(folder_ / kFiles[which], kMakers[which](view_, now) + "\r\n", false);
    console_.AppendLogText(LogBox::WebServer, "[" + now + "] " + (written ? "Created " : "Cannot write ") + kFiles[which]);
    return written;
}

void StatisticsPages::MakeAll() {
    for (StatisticsPage page : {StatisticsPage::Index, StatisticsPage::Users, StatisticsPage::ChanServ, StatisticsPage::NickServ})
        Make(page);
}

}  // namespace nb
