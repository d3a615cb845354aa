#include "folders/WildcardMatch.h"

namespace pv {

namespace {

bool sameLetter(QChar a, QChar b) {
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Greedy match with backtracking to the last "*": linear in practice, no recursion.
bool globMatch(QStringView name, QStringView pattern) {
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || sameLetter(pattern[p], name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool WildcardMatch(const QString& name, const QString& pattern) {
    if (globMatch(name, pattern))
        return true;
    return pattern.endsWith(u".*") && !name.contains(u'.') && globMatch(name, pattern.chopped(2));
}

}  // namespace pv
