#pragma once
// Failures of reading a part as XML (engine numbers 1000-1999).
#include <string_view>

#include "core/ErrorCode.h"

namespace pv::host {

enum class XmlError {
    MalformedXml = 1009,  // a part is not well-formed, too deep or too long
    DtdRefused = 1010,    // a part declares a DOCTYPE or entities
};

constexpr std::string_view describe(XmlError code) {
    switch (code) {
        case XmlError::MalformedXml:
            return "a part is not well-formed, too deep or too long";
        case XmlError::DtdRefused:
            return "a part declares a DOCTYPE or entities";
    }
    return {};
}

}  // namespace pv::host
