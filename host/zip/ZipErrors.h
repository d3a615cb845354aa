#pragma once
// Failures of reading a workbook file as a zip archive and of writing one (engine numbers
// 1000-1999).
#include <string_view>

#include "core/ErrorCode.h"

namespace pv::host {

enum class ZipError {
    CannotOpenFile = 1001,     // the file is missing, unreadable or not a regular file
    LegacyOrEncrypted = 1003,  // a compound file: a legacy workbook (not one with a password)
    CorruptZip = 1004,        // not a zip archive, truncated, a bad checksum or overlapping entries
    UnsafeEntry = 1005,       // an unsafe or duplicate entry name
    ZipBomb = 1006,           // the size, count or inflate-ratio caps were exceeded
    UnsupportedEntry = 1007,  // an encrypted entry or an unknown compression method
    MissingPart = 1008,       // a required part is not in the package
    CannotWriteOutput = 1017,  // the temporary file, the zip writer or the final rename failed
    Encrypted = 1021,          // the workbook is encrypted with a password
};

constexpr std::string_view describe(ZipError code) {
    switch (code) {
        case ZipError::CannotOpenFile:
            return "the file is missing, unreadable or not a regular file";
        case ZipError::LegacyOrEncrypted:
            return "a compound file: a legacy workbook (not one with a password)";
        case ZipError::CorruptZip:
            return "not a zip archive, truncated, a bad checksum or overlapping entries";
        case ZipError::UnsafeEntry:
            return "an unsafe or duplicate entry name";
        case ZipError::ZipBomb:
            return "the size, count or inflate-ratio caps were exceeded";
        case ZipError::UnsupportedEntry:
            return "an encrypted entry or an unknown compression method";
        case ZipError::MissingPart:
            return "a required part is not in the package";
        case ZipError::CannotWriteOutput:
            return "the temporary file, the zip writer or the final rename failed";
        case ZipError::Encrypted:
            return "the workbook is encrypted with a password";
    }
    return {};
}

}  // namespace pv::host
