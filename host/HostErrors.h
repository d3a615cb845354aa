#pragma once
// The engine's error numbers (1000-1999), one per kind of failure, so a report tells at a glance
// whether the file, its package or the output was at fault.
namespace pv::host::errors {

inline constexpr int kCannotOpenFile = 1001;     // missing, unreadable, not a regular file
inline constexpr int kUnsupportedFormat = 1002;  // an extension this engine does not read
inline constexpr int kLegacyOrEncrypted = 1003;  // a compound file: legacy workbook or encrypted
inline constexpr int kCorruptZip = 1004;         // not a zip, truncated, bad CRC, overlaps
inline constexpr int kUnsafeEntry = 1005;        // unsafe or duplicate entry names
inline constexpr int kZipBomb = 1006;            // size, count or ratio caps exceeded
inline constexpr int kUnsupportedEntry = 1007;   // encrypted entry, unknown compression
inline constexpr int kMissingPart = 1008;        // a required part is not in the package
inline constexpr int kMalformedXml = 1009;       // not well-formed, too deep, too long
inline constexpr int kDtdRefused = 1010;         // a DOCTYPE or entity declaration
inline constexpr int kBadStructure = 1011;       // parts present but inconsistent
inline constexpr int kBadCellReference = 1012;   // a cell or row outside the sheet's limits
inline constexpr int kRelationshipCycle = 1013;  // a relationship chain loops back
inline constexpr int kSharedSheetPart = 1014;    // one part used by two sheets
inline constexpr int kNoSuchSheet = 1015;        // a sheet index out of range
inline constexpr int kNotAWorksheet = 1016;      // cells asked of a chart sheet
inline constexpr int kCannotWriteOutput = 1017;  // temporary file, zip writer, rename
inline constexpr int kUnsupportedOutput = 1018;  // an output extension we cannot write

}  // namespace pv::host::errors
