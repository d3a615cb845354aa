#pragma once
// Which number formats show a cell's number as a date or time, and the one text form we give
// such a cell.
#include <optional>
#include <string>
#include <string_view>

namespace pv::host {

// True for the built-in date and time formats (ids 14-22, 27-36, 45-47, 50-58, whatever
// `formatCode` says) and for a format code whose first section holds a d, m, y, h or s token
// (any case) outside quoted text, backslash escapes, "_x" / "*x" fills and [..] brackets such
// as [Red] or [$-409]. The elapsed-time brackets [h], [mm], [ss] count as time tokens.
// "General", "0.00", "#,##0", "0.00E+00" and "@" are not date formats.
bool isDateFormat(int numFmtId, std::string_view formatCode);

// True for a date format (as above) that shows only a time: built-in ids 18-21 and 45-47, or a
// code with an h or s token and no d or y token (an m is then minutes).
bool isTimeOnlyFormat(int numFmtId, std::string_view formatCode);

// A date serial as "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" when the serial, rounded to the second,
// is not a whole day. 1900 system: serial 1 is 1900-01-01, serial 60 the fictitious 1900-02-29
// that spreadsheet applications keep, serial 0 shows as "1900-01-00" as they show it.
// 1904 system: serial 0 is 1904-01-01. A negative serial, NaN, or one past 9999-12-31 23:59:59
// is no date: it gives formatGeneral(serial).
std::string formatDateSerial(double serial, bool date1904);

// The fraction of a serial as a time of day, "HH:MM:SS", rounded to the second; for time-only
// formats. With `elapsed` (the [h] formats) the hours count the whole days too: 1.5 -> "36:00:00".
// A negative or non-finite serial gives formatGeneral(serial).
std::string formatTimeSerial(double serial, bool elapsed);

// A date serial as a cell of a date or time format shows it in an en-US locale: the built-in
// ids 14-22 and 45-47 by their en-US codes (14 is "m/d/yyyy"), or `formatCode` with d, dd, ddd,
// dddd, m..mmmmm, yy, yyyy, h, hh, m and mm as minutes (after h or before s), s, ss, fractions of
// a second (".0", ".00"), AM/PM, A/P, elapsed [h] [mm] [ss], quoted and escaped text, colours and
// [$-409] locale tags. Times of day are cut to the shown precision (beside a date, one that
// rounds to midnight shows the next day), elapsed times rounded to it, as LibreOffice shows
// them. Nothing for what this does not render (conditions,
// digits, other calendars, a negative serial, years past 9999).
std::optional<std::string> formatDateWithCode(double serial, int numFmtId,
                                              std::string_view formatCode, bool date1904);

}  // namespace pv::host
