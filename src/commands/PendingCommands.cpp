// Commands the preparation pass already checks, and whose variables it declares, but that this
// build does not carry out: their lines pass through. Each row moves to its family when its
// handler is written.
#include <string>
#include <string_view>

#include "commands/CommandFamilies.h"

namespace quarrix {
namespace {

constexpr CommandRow Pending(std::string_view name, PreparationRule prepare) {
  return CommandRow{.name = name, .prepare = prepare};
}

constexpr CommandRow kRows[] = {
    // web server
    Pending("Get IIS Property", DeclareOnly<1>),
    Pending("Get IIS Site List", DeclareOnly<1>),
    Pending("Get IIS Site Index", DeclareOnly<2>),
    Pending("IIS Anonymous User", DeclareOnly<1>),
};

}  // namespace

std::span<const CommandRow> PendingCommandRows() { return kRows; }

}  // namespace quarrix
