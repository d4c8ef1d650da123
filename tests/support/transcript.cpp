#include "support/transcript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/fixture.h"

namespace nb::test {
namespace {

namespace fs = std::filesystem;

// "^B" -> "\x02": caret notation for control characters.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] >= '@' && text[i + 1] <= '_') {
            out += static_cast<char>(text[++i] - '@');
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 32) {
            out += '^';
            out += static_cast<char>(c + '@');
        } else {
            out += c;
        }
    }
    return out;
}

std::pair<std::string, std::string> Split(const std::string& text) {
    auto blank = text.find(' ');
    if (blank == std::string::npos) return {text, ""};
    return {text.substr(0, blank), text.substr(blank + 1)};
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

class Run : public ServicesFixture {
public:
    explicit Run(const TranscriptSection& section) : section_(section), record_(std::getenv("NB_RECORD") != nullptr) {
        StartLinked();
    }

    void All() {
        for (index_ = 0; index_ < section_.lines.size(); ++index_) {
            const std::string& text = section_.lines[index_];
            SCOPED_TRACE(section_.file + ":" + std::to_string(section_.firstLine + 1 + static_cast<int>(index_)));
            if (text.starts_with("<") || text.starts_with("|")) {
                if (!record_) ADD_FAILURE() << "a check with nothing before it: " << text;
                continue;
            }
            Keep(text);
            Step(text);
        }
        if (record_) Append();
    }

private:
    void Step(const std::string& text) {
        auto [word, rest] = Split(text);
        const std::string data = (dir.Path() / "data").string() + "/";
        if (word.empty() || word == "#") return;
        if (word == ">") return CheckSent(Received(rest));
        if (word == "~") return (void)Received(rest);
        if (word == "+") return ConnectWords(Words(rest));
        if (word == "+id") return (void)(ConnectWords(Words(rest)), RegisterAndIdentify(Words(rest).at(0), "secret1"),
                                         link.Take());
        if (word == "file") return CheckFile(rest);
        if (word == "has") return CheckFileHas(rest);
        if (word == "console") return CheckConsole(rest);
        if (word == "wait") return CheckSent(Wait(std::stoi(rest)));
        if (word == "oper") return (void)(User(Words(rest).at(0)).operLevel = std::stoi(Words(rest).at(1)));
        if (word == "override") return (void)(User(rest).override = true);
        if (word == "setting") return Setting(rest);
        if (word == "ignore") return services.ignoreList.Masks().Edit().push_back(rest);
        if (word == "restrict-nick") return services.nickServ.RestrictedNicks().push_back(rest);
        if (word == "restrict-channel") return (void)services.chanServ.Database().Restricted().AddRestrictedChannel(rest);
        if (word == "block") return (void)fs::create_directory(data + rest + ".tmp");
        if (word == "unblock") return (void)fs::remove(data + rest + ".tmp");
        if (word == "helpfile") return HelpFile(rest);
        if (word == "relink") return (void)(services.OnLinkUp(), link.Take());
        if (word == "operator") return AddOperator(Words(rest));
        if (word == "disconnected") return CheckDisconnected(rest);
        ADD_FAILURE() << "unknown step: " << text;
    }

    void CheckDisconnected(const std::string& reason) { EXPECT_EQ(link.disconnected, reason); }

    // NICK PASSWORD LEVEL [HOST]: an OperServ operator (host "*" unless given).
    void AddOperator(const std::vector<std::string>& words) {
        OperatorEntry entry{words.at(0), words.at(1), {words.size() > 3 ? words[3] : "*", "", ""}, std::stoi(words.at(2))};
        services.operServ.Database().EditOperators().push_back(entry);
        services.operServ.Database().OperatorsChanged();
        services.operServ.OperatorsReloaded();
    }

    std::vector<std::string> Received(const std::string& line) {
        Receive(Unescape(line));
        return link.Take();
    }

    void ConnectWords(const std::vector<std::string>& words) {
        Connect(words.at(0), words.size() > 1 ? words[1] : "user", words.size() > 2 ? words[2] : "host.example.org");
    }

    // The "<" lines that follow must be exactly the lines sent.
    void CheckSent(const std::vector<std::string>& sent) {
        std::size_t at = 0;
        for (; index_ + 1 < section_.lines.size() && section_.lines[index_ + 1].starts_with("<"); ++index_) {
            const std::string& expected = section_.lines[index_ + 1];
            if (record_) continue;
            SCOPED_TRACE(section_.file + ":" + std::to_string(section_.firstLine + 2 + static_cast<int>(index_)));
            if (at >= sent.size()) {
                ADD_FAILURE() << "not sent: " << expected;
            } else {
                EXPECT_EQ(Escape(sent[at]), expected.substr(2));
            }
            ++at;
        }
        if (record_) {
            for (const auto& line : sent) recorded_.push_back("< " + Escape(line));
            return;
        }
        for (; at < sent.size(); ++at) ADD_FAILURE() << "also sent: " << Escape(sent[at]);
    }

    void CheckFile(const std::string& path) {
        std::string expected;
        for (; index_ + 1 < section_.lines.size() && section_.lines[index_ + 1].starts_with("|"); ++index_)
            expected += Unescape(section_.lines[index_ + 1].substr(std::min<std::size_t>(2, section_.lines[index_ + 1].size()))) + "\r\n";
        std::string actual = ReadFile(path);
        if (!record_) {
            EXPECT_EQ(actual, expected) << path;
            return;
        }
        std::istringstream in(actual);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            recorded_.push_back("| " + Escape(line));
        }
    }

    void CheckFileHas(const std::string& text) {
        auto [path, part] = Split(text);
        EXPECT_NE(ReadFile(path).find(Unescape(part)), std::string::npos) << path << " lacks " << part;
    }

    void CheckConsole(const std::string& text) {
        ASSERT_FALSE(console.messages.empty());
        EXPECT_TRUE(console.messages.back().starts_with(text)) << console.messages.back();
    }

    std::vector<std::string> Wait(int ms) {
        waited_ += ms;
        clock.Advance(std::chrono::seconds(waited_ / 1000 - (waited_ - ms) / 1000));
        timers.Advance(std::chrono::milliseconds(ms));
        return link.Take();
    }

    void Setting(const std::string& text) {
        auto [key, value] = Split(text);
        std::replace(key.begin(), key.end(), '_', ' ');
        auto slash = key.find('/');
        services.settings.Set(key.substr(0, slash), key.substr(slash + 1), value);
    }

    void HelpFile(const std::string& text) {
        auto [path, line] = Split(text);
        fs::path file = dir.Path() / "data/help" / path;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::app | std::ios::binary) << Unescape(line) << "\r\n";
    }

    void Keep(const std::string& text) {
        if (record_) recorded_.push_back(text);
    }

    void Append() {
        std::ofstream out(std::getenv("NB_RECORD"), std::ios::app | std::ios::binary);
        out << "=== " << section_.name << "\n";
        for (const auto& line : recorded_) out << line << "\n";
    }

    const TranscriptSection& section_;
    bool record_;
    std::size_t index_ = 0;
    int waited_ = 0;
    std::vector<std::string> recorded_;
};

}  // namespace

std::vector<TranscriptSection> LoadTranscripts() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(NB_SOURCE_DIR) / "tests"))
        if (entry.path().extension() == ".transcript") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<TranscriptSection> sections;
    for (const auto& path : files) {
        std::ifstream in(path);
        int number = 0;
        for (std::string line; std::getline(in, line); ++number) {
            if (line.starts_with("=== ")) {
                sections.push_back({fs::relative(path, fs::path(NB_SOURCE_DIR) / "tests").string(), line.substr(4), number, {}});
            } else if (!sections.empty() && sections.back().file == fs::relative(path, fs::path(NB_SOURCE_DIR) / "tests")) {
                sections.back().lines.push_back(line);
            }
        }
    }
    return sections;
}

void RunTranscript(const TranscriptSection& section) { Run(section).All(); }

}  // namespace nb::test
