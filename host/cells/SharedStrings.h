#pragma once
// The shared strings, each kept as the XML of its <si> element (rich text and phonetic runs
// intact, for writing) in one arena; the plain text is derived on demand.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pv::host {

class ZipReader;

class SharedStrings {
  public:
    void load(const ZipReader& zip, const std::string& part);

    std::size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    std::string_view xml(std::size_t index) const;
    // Runs joined, phonetic runs left out, _xHHHH_ escapes decoded.
    std::string text(std::size_t index) const;
    // The <sst> root as written, to write a reduced table with the same namespaces.
    const std::string& rootName() const { return rootName_; }
    const std::vector<std::pair<std::string, std::string>>& rootAttributes() const {
        return rootAttributes_;
    }

  private:
    friend class SharedStringsReader;
    std::string arena_;
    std::vector<std::size_t> starts_;  // one more than there are strings
    std::string rootName_ = "sst";
    std::vector<std::pair<std::string, std::string>> rootAttributes_;
};

// The text of a string item (<si> or <is>): <t> contents outside <rPh>, escapes decoded.
std::string stringItemText(std::string_view itemXml);

}  // namespace pv::host
