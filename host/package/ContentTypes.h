#pragma once
// [Content_Types].xml: the content type of every part, by extension default or override.
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pv::host {

class ZipReader;

class ContentTypes {
  public:
    static ContentTypes read(const ZipReader& zip);

    // The part's content type, "" when it has none.
    std::string of(std::string_view part) const;
    bool hasOverride(std::string_view part) const;
    // Extension (lowercase, no dot) -> content type, in the order written.
    const std::vector<std::pair<std::string, std::string>>& defaults() const { return defaults_; }

  private:
    std::vector<std::pair<std::string, std::string>> defaults_;
    std::map<std::string, std::string> overrides_;  // lowercase part name -> content type
};

}  // namespace pv::host
