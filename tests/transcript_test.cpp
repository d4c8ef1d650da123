// Runs every *.transcript file under tests/: lines received from the uplink and, after each,
// exactly the lines the services send, byte for byte, plus the files they write. One file holds
// the tests of one service or module, one "===" section per test, each on fresh linked services;
// the steps above a file's first section run first in each of its sections.
//
//   === name                   a new test
//   + nick...                  introduces each user (a nick, or nick!ident@host); its lines are not checked
//   +reg nick...               the same, then each registers its nick ("secret1")
//   +id nick... | +gone nick...  the same, and each identifies | identifies and quits
//   > line                     a received line; the "<" lines that follow are all it sends
//   >> line                    a received line, in one block with the lines up to the next ">"
//   < line                     a sent line ("^B" is the control character 2, "^A" 1 and so on)
//   ~ line                     a received line whose output is not checked
//   file PATH                  the data file holds exactly the "|" lines that follow (CRLF ends each)
//   | text
//   page NAME                  the statistics page NAME is made; it holds exactly the "|" lines
//                              that follow (if any), each ended by LF, and CRLF at the end
//   has PATH TEXT / lacks PATH TEXT   the data file holds the text / does not
//   console TEXT               the last message box starts with TEXT
//   wait MS                    the clock and the timers move on; "<" lines: what the timers sent
//   link | relink              a new link; "<" lines: what it sends | what it sends is not checked
//   hide TEXT                  sent lines that hold TEXT are not checked from here on
//   oper NICK LEVEL | override NICK | ignore MASK | restrict-nick MASK | restrict-channel MASK
//   setting SECTION/KEY VALUE  "_" in the key stands for a blank
//   block PATH | unblock PATH  the data file PATH (or Changes.journal) cannot / can again be written
//   helpfile PATH TEXT         writes a help file line under help/
//   operator NICK PW LEVEL [HOST]  an OperServ operator, its host mask "*" unless given
//   disconnected REASON        the services asked the link to end, for this reason
//   # comment
#include <algorithm>
#include <cctype>

#include "support/fixture.h"

namespace nb::test {
namespace {

namespace fs = std::filesystem;

struct Section {
    std::string file;  // relative to tests/
    std::string name;
    std::vector<std::pair<int, std::string>> lines;  // with their line numbers
};

void PrintTo(const Section& section, std::ostream* out) { *out << section.file << ": " << section.name; }

// "^B" <-> "\x02": caret notation for control characters.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        out += text[i] == '^' && i + 1 < text.size() && text[i + 1] >= '@' && text[i + 1] <= '_' ? text[++i] - '@' : text[i];
    return out;
}

// The text after the first blank.
std::string After(const std::string& text) { return text.find(' ') == std::string::npos ? "" : text.substr(text.find(' ') + 1); }

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) out += static_cast<unsigned char>(c) < 32 ? std::string{'^', static_cast<char>(c + '@')} : std::string{c};
    return out;
}

class Runner : public ServicesFixture {
public:
    explicit Runner(const Section& section) : section_(section) { StartLinked(); }

    void All() {
        for (at_ = 0; at_ < section_.lines.size(); ++at_) {
            const auto& [number, text] = section_.lines[at_];
            SCOPED_TRACE(section_.file + ":" + std::to_string(number));
            if (text.starts_with("<") || text.starts_with("|")) ADD_FAILURE() << "a check with nothing before it: " << text;
            Step(text.substr(0, text.find(' ')), After(text));
        }
    }

private:
    void Step(const std::string& word, const std::string& rest) {
        Lines w;
        std::istringstream words(rest);
        for (std::string each; words >> each;) w.push_back(each);
        const fs::path data = dir.Path() / "data";
        const std::string tail = After(rest);
        if (word.empty() || word == "#" || word == "<" || word == "|") return;
        if (word == ">") return CheckSent((Receive(Unescape(rest)), link.Take()));
        if (word == ">>") return Receive(Unescape(rest), false);
        if (word == "~") return (void)(Receive(Unescape(rest)), link.Take());
        if (word == "+" || word == "+reg" || word == "+id" || word == "+gone") {
            for (const auto& each : w) {  // nick or nick!ident@host
                std::size_t bang = each.find('!'), at = each.find('@');
                const std::string nick = each.substr(0, bang);
                Connect(nick, bang == std::string::npos ? "user" : each.substr(bang + 1, at - bang - 1),
                        at == std::string::npos ? "host.example.org" : each.substr(at + 1));
                if (word != "+") Receive(":" + nick + " PRIVMSG NickServ :register secret1");
                if (word == "+id" || word == "+gone") Receive(":" + nick + " PRIVMSG NickServ :identify secret1");
                if (word == "+gone") Receive(":" + nick + " QUIT :later");
            }
            return (void)link.Take();
        }
        if (word == "file") {
            std::string expected;
            for (const std::string& line : Following('|')) expected += Unescape(line) + "\r\n";
            EXPECT_EQ(ReadFile(rest), expected) << rest;
            return;
        }
        if (word == "page") {
            const Lines names{"index.html", "users.html", "chanserv.html", "nickserv.html"};
            program.Pages().Make(static_cast<StatisticsPage>(std::find(names.begin(), names.end(), rest) - names.begin()));
            std::string expected;
            for (const std::string& line : Following('|')) expected += Unescape(line) + "\n";
            if (!expected.empty()) {
                EXPECT_EQ(ReadFile("Webserver/" + rest), expected + "\r\n") << rest;
            }
            return;
        }
        if (word == "has" || word == "lacks") {
            EXPECT_EQ(ReadFile(w.at(0)).find(Unescape(tail)) != std::string::npos, word == "has") << rest;
            return;
        }
        if (word == "console") {
            ASSERT_FALSE(console.messages.empty());
            EXPECT_TRUE(console.messages.back().starts_with(rest)) << console.messages.back();
            return;
        }
        if (word == "wait") {
            waited_ += std::stoi(rest);
            clock.Set(TestStartTime() + std::chrono::seconds(waited_ / 1000));
            timers.Advance(std::chrono::milliseconds(std::stoi(rest)));
            return CheckSent(link.Take());
        }
        if (word == "link" || word == "relink") {
            services.OnConnecting();
            services.OnLinkUp();
            return word == "link" ? CheckSent(link.Take()) : (void)link.Take();
        }
        if (word == "hide") return hidden_.push_back(Unescape(rest));
        if (word == "oper") return (void)(User(w.at(0)).operLevel = std::stoi(w.at(1)));
        if (word == "override") return (void)(User(rest).override = true);
        if (word == "ignore") return services.ignoreList.Masks().Edit().push_back(rest);
        if (word == "restrict-nick") return services.nickServ.RestrictedNicks().push_back(rest);
        if (word == "restrict-channel") return (void)services.chanServ.Database().Restricted().AddRestrictedChannel(rest);
        if (word == "setting") {
            std::string key = w.at(0);
            std::replace(key.begin(), key.end(), '_', ' ');
            return services.settings.Set(key.substr(0, key.find('/')), key.substr(key.find('/') + 1), tail);
        }
        if (word == "block" || word == "unblock") return Block(rest, word == "block");
        if (word == "helpfile") {
            fs::create_directories((data / "help" / w.at(0)).parent_path());
            return (void)(std::ofstream(data / "help" / w.at(0), std::ios::app | std::ios::binary) << Unescape(tail) << "\r\n");
        }
        if (word == "operator") return AddOperator(w);
        if (word == "disconnected") {
            EXPECT_EQ(link.disconnected, rest);
            return;
        }
        ADD_FAILURE() << "unknown step: " << word;
    }

    // NICK PASSWORD LEVEL [HOST]: an OperServ operator.
    void AddOperator(const Lines& w) {
        OperatorEntry entry{w.at(0), w.at(1), {w.size() > 3 ? w[3] : "*", "", ""}, std::stoi(w.at(2))};
        services.operServ.Database().EditOperators().push_back(entry);
        services.operServ.Database().OperatorsChanged();
        services.operServ.OperatorsReloaded();
    }

    // A folder where a file's temporary copy goes refuses its writes. The journal is refused by
    // a link in its place (never written through), which still lets it be read.
    void Block(const std::string& file, bool block) {
        if (file != "Changes.journal") {
            return (void)(block ? fs::create_directory(dataDir / (file + ".tmp")) : fs::remove(dataDir / (file + ".tmp")));
        }
        test::BlockJournal(dataDir, block);
    }

    // The lines of the given kind that follow the step, without their mark.
    Lines Following(char mark) {
        Lines found;
        for (; at_ + 1 < section_.lines.size() && section_.lines[at_ + 1].second.starts_with(mark); ++at_)
            found.push_back(section_.lines[at_ + 1].second.substr(std::min<std::size_t>(2, section_.lines[at_ + 1].second.size())));
        return found;
    }

    // The "<" lines that follow must be exactly the lines sent, but for hidden ones.
    void CheckSent(Lines sent) {
        std::erase_if(sent, [&](const std::string& line) {
            return std::any_of(hidden_.begin(), hidden_.end(), [&](auto& part) { return line.find(part) != std::string::npos; });
        });
        const int first = section_.lines[at_].first + 1;
        Lines expected = Following('<');
        for (std::size_t i = 0; i < std::max(sent.size(), expected.size()); ++i) {
            SCOPED_TRACE(section_.file + ":" + std::to_string(first + static_cast<int>(std::min(i, expected.size()))));
            if (i >= sent.size()) ADD_FAILURE() << "not sent: " << expected[i];
            else if (i >= expected.size()) ADD_FAILURE() << "also sent: " << Escape(sent[i]);
            else EXPECT_EQ(Escape(sent[i]), expected[i]);
        }
    }

    const Section& section_;
    std::size_t at_ = 0;
    int waited_ = 0;
    Lines hidden_;
};

std::vector<Section> Load() {
    const fs::path root = fs::path(NB_SOURCE_DIR) / "tests";
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().extension() == ".transcript") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Section> sections;
    for (const auto& path : files) {
        std::ifstream in(path);
        Section preamble{fs::relative(path, root).string(), "", {}};
        auto* into = &preamble.lines;
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            if (line.starts_with("=== ")) into = &sections.emplace_back(Section{preamble.file, line.substr(4), preamble.lines}).lines;
            else into->emplace_back(number, line);
        }
    }
    return sections;
}

// One test per section, so that a hang in one is not a hang of all.
struct Transcript : ::testing::TestWithParam<Section> {};

TEST_P(Transcript, SendsAndWritesWhatItSays) { Runner(GetParam()).All(); }

// "nickserv/nickserv.transcript", "register refusals" -> "nickserv_RegisterRefusals"
std::string TestName(const ::testing::TestParamInfo<Section>& info) {
    std::string name = info.param.file.substr(0, info.param.file.find('/')) + "_";
    for (std::size_t i = 0; i < info.param.name.size(); ++i) {
        if (!std::isalnum(static_cast<unsigned char>(info.param.name[i]))) continue;
        bool first = i == 0 || !std::isalnum(static_cast<unsigned char>(info.param.name[i - 1]));
        name += first ? static_cast<char>(std::toupper(info.param.name[i])) : info.param.name[i];
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Sections, Transcript, ::testing::ValuesIn(Load()), TestName);

}  // namespace
}  // namespace nb::test
