#include "link/dialect.h"

#include "link/inspircd_dialect.h"
#include "link/ngircd_dialect.h"
#include "core/text.h"

namespace nb {

std::unique_ptr<Dialect> MakeDialect(std::string_view protocolName) {
    if (IEquals(protocolName, "classic")) return std::make_unique<ClassicDialect>();
    if (IEquals(protocolName, "ngircd")) return std::make_unique<NgircdDialect>();
    if (IEquals(protocolName, "inspircd")) return std::make_unique<InspircdDialect>();
    return nullptr;
}

}  // namespace nb
