#include "console/terminal_front_end.h"

#include <unistd.h>

#include <boost/asio/read_until.hpp>
#include <sstream>

#include "core/text.h"

namespace nb {
namespace {

// The words after the first `count`, joined as typed.
std::string Rest(const std::vector<std::string>& words, std::size_t count) {
    std::string rest;
    for (std::size_t i = count; i < words.size(); ++i) rest += (rest.empty() ? "" : " ") + words[i];
    return rest;
}

}  // namespace

struct TerminalFrontEnd::Command {
    const char* words;  // the command's words
    void (*run)(TerminalFrontEnd& self, const std::vector<std::string>& words);
};

TerminalFrontEnd::TerminalFrontEnd(boost::asio::io_context& io, AdminOperations& operations, TerminalConsole& console,
                                   std::ostream& out)
    : operations_(operations), console_(console), out_(out), input_(io) {}

void TerminalFrontEnd::Start() {
    boost::system::error_code error;
    input_.assign(::dup(STDIN_FILENO), error);
    if (error) return;
    out_ << "Type help for the console's commands." << std::endl;
    ReadLine();
}

void TerminalFrontEnd::ReadLine() {
    boost::asio::async_read_until(input_, buffer_, '\n', [this](boost::system::error_code error, std::size_t) {
        if (error) return;  // the terminal is gone: the services go on without it
        std::istream in(&buffer_);
        std::string line;
        std::getline(in, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Typed(line);
        ReadLine();
    });
}

void TerminalFrontEnd::Typed(const std::string& line) {
    operations_.RunOperation([&] {
        if (console_.Answer(Trim(line))) return;
        std::vector<std::string> words;
        std::istringstream split(line);
        for (std::string word; split >> word;) words.push_back(word);
        if (!words.empty()) Execute(words);
    });
}

namespace {

using Self = TerminalFrontEnd;
using WordList = std::vector<std::string>;

}  // namespace

void TerminalFrontEnd::Execute(const std::vector<std::string>& words) {
    static const Command kCommands[] = {
        {"help", [](Self& self, const WordList&) { self.Help(); }},
        {"status", [](Self& self, const WordList&) {
             const StatisticsView& view = self.operations_.Statistics();
             self.out_ << "Link: " << (view.Linked() ? "up for " + std::to_string(view.Uptime().count()) + " s" : std::string("down"))
                       << "; users: " << view.UsersOnline() << "; channels: " << view.ChannelsNow()
                       << "; max users: " << view.MaxUsers() << " (" << view.MaxUsersDate() << "); registered nicks: "
                       << view.RegisteredNickCount() << ", channels: " << view.RegisteredChannelCount() << std::endl
                       << self.operations_.LastBackupCaption() << std::endl;
         }},
        {"backup", [](Self& self, const WordList&) { self.operations_.Backup(); }},
        {"restore", [](Self& self, const WordList&) { self.operations_.Restore(); }},
        {"linkconf", [](Self& self, const WordList& w) {
             self.out_ << self.operations_.LinkConfiguration(w.size() > 1 && ToLower(w[1]) == "ngircd") << std::flush;
         }},
        {"update", [](Self& self, const WordList&) { self.operations_.CheckForUpdate(); }},
        {"connect", [](Self& self, const WordList&) { self.operations_.Connect(); }},
        {"oper add", [](Self& self, const WordList&) { self.operations_.Operators().AddOperator(); }},
        {"oper del", [](Self& self, const WordList& w) {
             self.operations_.Operators().DeleteOperator(ListIndex(w.size() > 2 ? w[2] : ""));
         }},
        {"oper list", [](Self& self, const WordList&) { self.ShowList("operators"); }},
        {"osinfo", [](Self& self, const WordList& w) { self.operations_.Operators().SetOsInfo(Rest(w, 1)); }},
        {"jupe add", [](Self& self, const WordList& w) { self.operations_.Operators().AddJupe(Rest(w, 2)); }},
        {"jupe del", [](Self& self, const WordList& w) {
             self.operations_.Operators().RemoveJupe(ListIndex(w.size() > 2 ? w[2] : ""));
         }},
        {"jupe list", [](Self& self, const WordList&) { self.ShowList("jupes"); }},
        {"ignore add", [](Self& self, const WordList& w) { self.operations_.Operators().AddIgnore(Rest(w, 2)); }},
        {"ignore del", [](Self& self, const WordList& w) {
             self.operations_.Operators().RemoveIgnore(ListIndex(w.size() > 2 ? w[2] : ""));
         }},
        {"ignore list", [](Self& self, const WordList&) { self.ShowList("ignores"); }},
        {"bot load", [](Self& self, const WordList& w) { self.operations_.LoadBot(Rest(w, 2)); }},
        {"restrict nick add", [](Self& self, const WordList& w) { self.operations_.RestrictNick(Rest(w, 3)); }},
        {"restrict nick del", [](Self& self, const WordList& w) { self.operations_.UnrestrictNick(ListIndex(w.size() > 3 ? w[3] : "")); }},
        {"restrict nick list", [](Self& self, const WordList&) { self.ShowList("restricted nicks"); }},
        {"restrict channel add", [](Self& self, const WordList& w) { self.operations_.RestrictChannel(Rest(w, 3)); }},
        {"restrict channel del", [](Self& self, const WordList& w) {
             self.operations_.UnrestrictChannel(ListIndex(w.size() > 3 ? w[3] : ""));
         }},
        {"restrict channel list", [](Self& self, const WordList&) { self.ShowList("restricted channels"); }},
        {"memo all", [](Self& self, const WordList& w) { self.operations_.MemoToAll(false, Rest(w, 2)); }},
        {"memo operators", [](Self& self, const WordList& w) { self.operations_.MemoToAll(true, Rest(w, 2)); }},
        {"drop nick", [](Self& self, const WordList& w) { self.operations_.DropNick(Rest(w, 2)); }},
        {"drop channel", [](Self& self, const WordList& w) { self.operations_.DropChannel(Rest(w, 2)); }},
        {"edit nick", [](Self& self, const WordList& w) {
             self.operations_.EditNick(w.size() > 2 ? w[2] : "", w.size() > 3 ? w[3] : "", Rest(w, 4));
         }},
        {"edit channel", [](Self& self, const WordList& w) {
             self.operations_.EditChannel(w.size() > 2 ? w[2] : "", w.size() > 3 ? w[3] : "", Rest(w, 4));
         }},
        {"levels", [](Self& self, const WordList&) { self.ShowList("levels"); }},
        {"level", [](Self& self, const WordList& w) {
             self.operations_.Operators().ChangeCommandLevel(ListIndex(w.size() > 1 ? w[1] : ""), Rest(w, 2));
         }},
        {"webserver start", [](Self& self, const WordList&) { self.operations_.StartWebServer(); }},
        {"webserver stop", [](Self& self, const WordList&) { self.operations_.StopWebServer(); }},
        {"pages", [](Self& self, const WordList& w) {
             const WordList names{"index", "users", "chanserv", "nickserv"};
             for (std::size_t page = 0; page < names.size(); ++page)
                 if (w.size() < 2 || ToLower(w[1]) == names[page]) self.operations_.MakePage(static_cast<StatisticsPage>(page));
         }},
    };
    // The longest command whose words begin the line.
    const Command* found = nullptr;
    std::size_t foundWords = 0;
    for (const Command& command : kCommands) {
        std::istringstream split(command.words);
        std::size_t count = 0;
        bool matches = true;
        for (std::string word; split >> word; ++count)
            matches = matches && count < words.size() && ToLower(words[count]) == word;
        if (matches && count > foundWords) found = &command, foundWords = count;
    }
    if (found == nullptr) {
        out_ << "Unknown command: " << words[0] << ". Type help for the console's commands." << std::endl;
        return;
    }
    found->run(*this, words);
}

void TerminalFrontEnd::Help() {
    out_ << "Commands: help, status, connect, backup, restore, linkconf [ngircd], update, oper add|del <n>|list, osinfo <level>, "
            "levels, level <n> <level>, jupe add <server>|del <n>|list, ignore add <mask>|del <n>|list, "
            "restrict nick|channel add <pattern>|del <n>|list, memo all|operators <text>, drop nick <nick>, "
            "drop channel <#channel>, edit nick <nick> email|url|realname|age <value>, "
            "edit channel <#channel> description|email|greet <value>, bot load <file>, webserver start|stop, pages [index|users|chanserv|nickserv]. "
            "A question waits for the next line you type."
         << std::endl;
}

void TerminalFrontEnd::ShowList(const std::string& which) {
    std::vector<std::string> entries = operations_.List(which);
    if (entries.empty()) out_ << "(no " << which << ")" << std::endl;
    for (std::size_t i = 0; i < entries.size(); ++i) out_ << i + 1 << ". " << entries[i] << std::endl;
}

}  // namespace nb
