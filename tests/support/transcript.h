// Runs a transcript: lines received from the uplink and, after each, exactly the lines the
// services send, byte for byte, plus the files they write. One file holds the tests of one
// service or module, one "===" section per test, each on fresh linked services.
//
//   === name                   a new test
//   + nick [ident [host]]      introduces a user; what that sends is not checked
//   +id nick [ident [host]]    the same, then registers the nick ("secret1") and identifies
//   > line                     a received line; the "<" lines that follow are all it sends
//   < line                     a sent line ("^B" is the control character 2, "^A" 1 and so on)
//   ~ line                     a received line whose output is not checked
//   file PATH                  the data file holds exactly the "|" lines that follow (CRLF ends each)
//   | text
//   has PATH TEXT              the data file holds the text
//   console TEXT               the last message box starts with TEXT
//   wait MS                    the clock and the timers move on; "<" lines: what the timers sent
//   oper NICK LEVEL | override NICK | ignore MASK | restrict-nick MASK | restrict-channel MASK
//   setting SECTION/KEY VALUE  "_" in the key stands for a blank
//   block PATH | unblock PATH  the data file PATH can / can again be written
//   helpfile PATH TEXT         writes a help file line under help/
//   relink                     a new link; what it sends is not checked
//   operator NICK PW LEVEL [HOST]  an OperServ operator, its host mask "*" unless given
//   disconnected REASON        the services asked the link to end, for this reason
//   # comment
//
// With NB_RECORD=FILE in the environment the tests pass and the transcripts, with the lines and
// files as they are now, are appended to FILE instead: for writing a new transcript.
#pragma once

#include <string>
#include <vector>

namespace nb::test {

struct TranscriptSection {
    std::string file;  // relative to tests/
    std::string name;
    int firstLine = 0;
    std::vector<std::string> lines;
};

// Every section of every *.transcript file under tests/, in file and section order.
std::vector<TranscriptSection> LoadTranscripts();

void RunTranscript(const TranscriptSection& section);

}  // namespace nb::test
