// The console's operations as commands typed on the program's terminal, for an administrator
// who works over SSH. Off without a terminal.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/streambuf.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "console/admin_operations.h"
#include "core/console.h"

namespace nb {

class TerminalFrontEnd {
public:
    TerminalFrontEnd(boost::asio::io_context& io, AdminOperations& operations, TerminalConsole& console, std::ostream& out);

    // Reads the terminal's lines from now on.
    void Start();
    // One typed line: the answer to the question waiting for it, or a command.
    void Typed(const std::string& line);

private:
    struct Command;
    void ReadLine();
    void Execute(const std::vector<std::string>& words);
    void Help();
    void ShowList(const std::string& which);

    AdminOperations& operations_;
    TerminalConsole& console_;
    std::ostream& out_;
    boost::asio::posix::stream_descriptor input_;
    boost::asio::streambuf buffer_;
};

}  // namespace nb
