#pragma once
// File-name patterns with the wildcards "*" (any run of characters) and "?" (one character),
// matched without regard to letter case; every other character stands for itself.
// As users know it from "*.*", a pattern ending in ".*" also matches a name without extension.
#include <QString>

namespace pv {

bool WildcardMatch(const QString& name, const QString& pattern);

}  // namespace pv
