#include "core/Error.h"

#include <utility>

namespace pv {

Error::Error(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

Error Error::renamed(const std::string& from, const std::string& to) const {
    std::string text = description_;
    if (!from.empty()) {
        for (auto at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    }
    return Error(number_, std::move(text));
}

}  // namespace pv
