#pragma once
// Failures of the window shell, its settings and its look (4000-4999).
#include <string_view>

#include "core/ErrorCode.h"

namespace pv {

enum class AppError {
    SettingsWriteFailed = 4001,  // a setting could not be stored
    NamingOptionNotInList = 4002,  // the stored naming option is none of the list's
    CursorFileUnreadable = 4003,  // the hand cursor file cannot be read
    SkinFileUnreadable = 4010,  // the style sheet file cannot be read
};

constexpr std::string_view describe(AppError code) {
    switch (code) {
    case AppError::SettingsWriteFailed:
        return "a setting could not be stored";
    case AppError::NamingOptionNotInList:
        return "the stored naming option is none of the list's";
    case AppError::CursorFileUnreadable:
        return "the hand cursor file cannot be read";
    case AppError::SkinFileUnreadable:
        return "the style sheet file cannot be read";
    }
    return {};
}

}  // namespace pv
