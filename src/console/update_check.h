// Asks the update server which version is the latest and says whether this one needs an
// update. The answer is read until the server closes; a server that does not answer in time
// is given up with a message.
#pragma once

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "core/console.h"

namespace nb {

struct UpdateResult {
    std::string text;             // the result label
    bool updateOffered = false;   // red, with the download button; otherwise blue
    std::string downloadCaption;  // "Download NBII <version>" when offered
};

// The version the update server's file names: after the first "VOID" (letter case ignored),
// without the character after it and the last one; nullopt without a marker.
std::optional<std::string> LatestVersionIn(const std::string& reply);
UpdateResult CompareVersions(const std::string& latest);

class UpdateCheck {
public:
    UpdateCheck(boost::asio::io_context& io, Console& console,
                std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // `server` is "host:port" (General/Update Server); empty turns the check off. A new check
    // drops one still running.
    void Start(const std::string& server);
    // The last check's result, once one has finished.
    const std::optional<UpdateResult>& Result() const;

private:
    struct Run;
    boost::asio::io_context& io_;
    Console& console_;
    std::chrono::milliseconds timeout_;
    std::shared_ptr<Run> run_;
    std::shared_ptr<std::optional<UpdateResult>> result_;
};

}  // namespace nb
