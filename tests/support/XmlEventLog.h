#pragma once
// What an XML reader reported, as one text to compare readers by: "<name a=[value]>",
// "</name>", and each run of text as "{...}" however the reader cut it into pieces. Values and
// text escape the log's own brackets, so no content can pass for an event.
// Header only: the fuzz targets use it too, and they link neither GoogleTest nor this folder's
// library.
#include <cstddef>
#include <string>
#include <string_view>

#include "host/xml/XmlStream.h"

namespace pv::test {

class XmlEventLog {
  public:
    void start(const char* name, const char** attributes) {
        closeText();
        log_ += '<';
        log_ += name;
        for (auto a = attributes; *a != nullptr; a += 2) {
            log_ += ' ';
            log_ += a[0];
            log_ += "=[";
            appendEscaped(a[1]);
            log_ += ']';
        }
        log_ += '>';
    }
    void end(const char* name) {
        closeText();
        log_ += "</";
        log_ += name;
        log_ += '>';
    }
    void text(const char* text, std::size_t n) {
        if (!inText_) {
            log_ += '{';
            inText_ = true;
        }
        appendEscaped(std::string_view(text, n));
    }
    // Everything so far, adjacent text pieces joined: "ab" given as "a", "b" reads "{ab}".
    std::string joined() const { return inText_ ? log_ + '}' : log_; }

  private:
    void closeText() {
        if (inText_) {
            log_ += '}';
            inText_ = false;
        }
    }
    void appendEscaped(std::string_view value) {
        for (const char c : value) {
            if (c == '\\' || c == '{' || c == '}' || c == '[' || c == ']' || c == '<' || c == '>')
                log_ += '\\';
            log_ += c;
        }
    }

    std::string log_;
    bool inText_ = false;
};

// An XmlStream that only logs, to run one document through either of its readers.
class XmlEventRecorder : public pv::host::XmlStream {
  public:
    XmlEventLog log;

  protected:
    void onStart(const char* name, const char** attributes) override {
        log.start(name, attributes);
    }
    void onEnd(const char* name) override { log.end(name); }
    void onText(const char* text, int length) override {
        log.text(text, static_cast<std::size_t>(length));
    }
};

}  // namespace pv::test
