// The modes an InspIRCd uplink knows, learned from its CAPAB CHANMODES and CAPAB USERMODES, and
// the rewriting of a classic mode change into letters and parameters it will take. InspIRCd
// drops the whole link for a user mode it does not know, so nothing unknown is sent.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nb {

class InspircdModes {
public:
    // Until the uplink's CAPAB arrives: the modes of InspIRCd's core.
    InspircdModes();

    // "CAPAB CHANMODES :list:ban=b param-set:limit=l prefix:30000:op=@o simple:secret=s ..."
    void LearnChannelModes(std::string_view list);
    // "CAPAB USERMODES :param-set:snomask=s simple:invisible=i ..."
    void LearnUserModes(std::string_view list);

    // A classic channel mode change ("+ob" and its parameters) as InspIRCd's letters and
    // parameters: unknown letters and their parameters go, a status parameter is turned into
    // an id by `idOfNick` (a nick it does not know drops the letter), "-k" without its key gets
    // "*". nullopt when no letter is left.
    std::optional<std::vector<std::string>> ChannelChange(
        const std::vector<std::string>& words, const std::function<std::optional<std::string>(const std::string&)>& idOfNick) const;
    // The letters of a classic user mode change that InspIRCd knows and that take no parameter,
    // each run under its sign; "" when none is left. `except` letters are left out too.
    std::string UserChange(std::string_view modes, std::string_view except) const;

private:
    enum class Kind { Simple, Param, ParamOnSet, List, Status };
    std::map<char, Kind> channel_;
    std::string userSimple_;
};

}  // namespace nb
