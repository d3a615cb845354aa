#pragma once
// Writes XML back as it was read, event by event, into a string: escapes text and attribute
// values and closes an element that got no content as "<x/>".
#include <string>
#include <string_view>

namespace pv::host {

void appendEscapedText(std::string& out, std::string_view text);
void appendEscapedAttribute(std::string& out, std::string_view value);

class XmlEmitter {
  public:
    explicit XmlEmitter(std::string& out) : out_(&out) {}

    void redirect(std::string& out) {
        closePending();
        out_ = &out;
    }
    // `attributes` as expat gives them: name, value, ..., nullptr.
    void start(std::string_view name, const char** attributes);
    // Start tag whose attributes the caller appends with `attribute` before any content.
    void open(std::string_view name);
    void attribute(std::string_view name, std::string_view value);
    void text(std::string_view text);
    // Markup written as it is.
    void raw(std::string_view markup) {
        closePending();
        out_->append(markup);
    }
    // A start tag copied as the source wrote it; when it closes its element ("<x/>"), the
    // element's end() that must follow writes nothing.
    void startAsWritten(std::string_view tag) {
        raw(tag);
        closedAsWritten_ = tag.size() >= 2 && tag[tag.size() - 2] == '/';
    }
    void end(std::string_view name);
    // An end tag copied as the source wrote it, after the start tag or content end() would
    // follow; the same as end() where that writes something else.
    void endAsWritten(std::string_view tag) {
        if (pending_ || closedAsWritten_) {
            end(std::string_view());
            return;
        }
        out_->append(tag);
    }
    void declaration() {
        out_->append("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n");
    }

  private:
    void closePending() {
        if (pending_) {
            out_->push_back('>');
            pending_ = false;
        }
    }

    std::string* out_;
    bool pending_ = false;
    bool closedAsWritten_ = false;
};

}  // namespace pv::host
