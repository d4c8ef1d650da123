// What the other services ask about a nickname's operator access (kept by OperServ).
#pragma once

#include <optional>
#include <string>

namespace nb {

struct OperatorStatus {
    bool loggedIn = false;
    int level = 0;
};

class OperatorAccess {
public:
    virtual ~OperatorAccess() = default;
    // The operator access entry of the nick (letter case ignored), or nullopt when it has none.
    virtual std::optional<OperatorStatus> FindOperator(const std::string& nick) const = 0;
};

// Until the operator list is kept, nobody has an entry.
class NoOperators : public OperatorAccess {
public:
    std::optional<OperatorStatus> FindOperator(const std::string&) const override { return std::nullopt; }
};

}  // namespace nb
