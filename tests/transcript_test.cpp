// Every *.transcript file under tests/, one test per section.
#include <gtest/gtest.h>

#include <cctype>

#include "support/transcript.h"

namespace nb::test {

void PrintTo(const TranscriptSection& section, std::ostream* out) { *out << section.file << ": " << section.name; }

namespace {

struct Transcript : ::testing::TestWithParam<TranscriptSection> {};

TEST_P(Transcript, SendsAndWritesWhatItSays) { RunTranscript(GetParam()); }

// "nickserv/nickserv.transcript", "register refusals" -> "nickserv_RegisterRefusals"
std::string TestName(const ::testing::TestParamInfo<TranscriptSection>& info) {
    std::string name = info.param.file.substr(0, info.param.file.find('/')) + "_";
    bool upper = true;
    for (char c : info.param.name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            upper = true;
        } else {
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            upper = false;
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Sections, Transcript, ::testing::ValuesIn(LoadTranscripts()), TestName);

}  // namespace
}  // namespace nb::test
