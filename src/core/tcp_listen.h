// A listening socket for the program's own servers (the statistics pages, the admin console).
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <string>

namespace nb {

// Opens `acceptor` on the address and port; the reason when it cannot (it is closed then),
// empty when it listens.
std::string Listen(boost::asio::ip::tcp::acceptor& acceptor, const std::string& address, int port);

// The port it listens on (the one chosen when 0 was asked); 0 when closed.
int PortOf(const boost::asio::ip::tcp::acceptor& acceptor);

// Stops listening and closes every connection still open; false when it was not listening.
template <typename Connections>
bool StopListening(boost::asio::ip::tcp::acceptor& acceptor, Connections& open) {
    if (!acceptor.is_open()) return false;
    boost::system::error_code ignored;
    acceptor.close(ignored);
    for (const auto& connection : Connections(open)) connection->Close();
    open.clear();
    return true;
}

}  // namespace nb
