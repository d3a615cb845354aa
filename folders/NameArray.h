#pragma once
// File names at indices 1 to n. With no names it is the one-element form: one empty text at
// index 0, so that a loop from 1 to upperBound() runs zero times.
#include <QString>
#include <QStringList>

namespace pv {

class NameArray {
  public:
    NameArray() = default;
    explicit NameArray(QStringList names) : names_(std::move(names)) {}

    int lowerBound() const { return names_.isEmpty() ? 0 : 1; }
    int upperBound() const { return static_cast<int>(names_.size()); }
    // 1-based; index 0 of the empty form is the empty text.
    const QString& operator[](int index) const {
        static const QString empty;
        return names_.isEmpty() && index == 0 ? empty : names_.at(index - 1);
    }
    const QStringList& names() const { return names_; }

  private:
    QStringList names_;
};

}  // namespace pv
