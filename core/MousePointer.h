#pragma once
// Values of the window's mouse pointer, shared by every handler and by the run, which shows the
// hourglass while it works.
namespace pv::pointer {

inline constexpr int kDefault = 0;
inline constexpr int kArrow = 1;
inline constexpr int kHourglass = 11;
inline constexpr int kCustom = 99;  // the hand cursor file, else a pointing hand

}  // namespace pv::pointer
