#include "core/tcp_listen.h"

namespace nb {

std::string Listen(boost::asio::ip::tcp::acceptor& acceptor, const std::string& address, int port) {
    namespace asio = boost::asio;
    boost::system::error_code error;
    asio::ip::tcp::endpoint endpoint(asio::ip::make_address(address, error), static_cast<unsigned short>(port));
    if (!error) acceptor.open(endpoint.protocol(), error);
    if (!error) acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) acceptor.bind(endpoint, error);
    if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (!error) return "";
    boost::system::error_code ignored;
    acceptor.close(ignored);
    return error.message();
}

int PortOf(const boost::asio::ip::tcp::acceptor& acceptor) {
    boost::system::error_code ignored;
    return acceptor.local_endpoint(ignored).port();
}

}  // namespace nb
