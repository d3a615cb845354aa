#pragma once
// One JSON object on one line, built field by field: {"event":"saved","output":"..."}.
#include <string>

namespace pv::cli {

class JsonLine {
  public:
    JsonLine& field(const std::string& name, const std::string& text);
    JsonLine& field(const std::string& name, int number);
    JsonLine& field(const std::string& name, long long number);
    // A number with `decimals` digits after the point: "0.013".
    JsonLine& field(const std::string& name, double number, int decimals);
    std::string text() const { return body_ + "}"; }

  private:
    std::string body_ = "{";
};

// A JSON string literal; bytes that are not valid UTF-8 become U+FFFD so every line parses.
std::string jsonString(const std::string& text);

}  // namespace pv::cli
