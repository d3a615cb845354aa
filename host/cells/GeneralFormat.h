#pragma once
// A number as a cell formatted "General" shows it when its text is read.
#include <string>

namespace pv::host {

// Up to 15 significant digits, rounded; no trailing zeros and no trailing "."; "-0" shows as "0".
// Plain decimal form while the decimal exponent of the rounded value is between -9 and 14:
//   123456789012345 -> "123456789012345", 0.1 + 0.2 -> "0.3", 0.000000001 -> "0.000000001".
// Scientific form outside it, mantissa trimmed the same way, exponent signed and at least two
// digits: 1e15 -> "1E+15", 123456789012345678901 -> "1.23456789012346E+20", 1e-10 -> "1E-10".
// NaN and infinities, which a cell cannot hold, give "#NUM!".
std::string formatGeneral(double value);

}  // namespace pv::host
