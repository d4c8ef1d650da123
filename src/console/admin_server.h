// The administration console in the browser: its own HTTP server (General/Admin Address and
// Admin Port) with the page and a JSON API over the console's operations. Every request but the
// page and the login needs the session cookie the login sets; requests from other sites are
// refused; wrong passwords make the next attempt wait longer.
#pragma once

#include <boost/asio/io_context.hpp>
#include <memory>
#include <string>

#include "console/admin_operations.h"
#include "console/web_console.h"
#include "core/workers.h"

namespace nb {

class AdminServer {
public:
    // A login's password is checked on `workers`, never on the loop.
    AdminServer(boost::asio::io_context& io, AdminOperations& operations, WebConsole& console, Console& terminal,
                Workers& workers);
    ~AdminServer();
    AdminServer(const AdminServer&) = delete;
    AdminServer& operator=(const AdminServer&) = delete;

    // Listens; when it cannot, `terminal` is told why and false is returned.
    bool Start(const std::string& address, int port);
    void Stop();
    int Port() const;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

// The console's page: HTML, CSS and script in one text.
const std::string& AdminPage();

}  // namespace nb
