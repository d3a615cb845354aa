#pragma once
// The application title: what message boxes without a title of their own carry.
#include <QString>

namespace pv {

inline constexpr const char* kProductTitle = "Pellavine";
inline constexpr int kApplicationTitleMaxLength = 40;

// Cuts `productTitle` at its last space, at least once and again while it is longer than 40
// characters. A title without a space stays itself.
QString shortenedApplicationTitle(const QString& productTitle);

QString applicationTitle();
void setApplicationTitle(const QString& title);

}  // namespace pv
