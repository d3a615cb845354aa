#include "core/Error.h"

#include <utility>

namespace pv {

Error::Error(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

}  // namespace pv
