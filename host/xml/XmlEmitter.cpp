#include "host/xml/XmlEmitter.h"

namespace pv::host {

namespace {

template <bool kAttribute>
void appendEscaped(std::string& out, std::string_view text) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* replacement = nullptr;
        switch (text[i]) {
            case '&':
                replacement = "&amp;";
                break;
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = kAttribute ? nullptr : "&gt;";
                break;
            case '"':
                replacement = kAttribute ? "&quot;" : nullptr;
                break;
            case '\r':
                replacement = "&#13;";
                break;
            case '\n':
                replacement = kAttribute ? "&#10;" : nullptr;
                break;
            case '\t':
                replacement = kAttribute ? "&#9;" : nullptr;
                break;
            default:
                break;
        }
        if (replacement != nullptr) {
            out.append(text.data() + plain, i - plain);
            out.append(replacement);
            plain = i + 1;
        }
    }
    out.append(text.data() + plain, text.size() - plain);
}

}  // namespace

void appendEscapedText(std::string& out, std::string_view text) {
    appendEscaped<false>(out, text);
}

void appendEscapedAttribute(std::string& out, std::string_view value) {
    appendEscaped<true>(out, value);
}

void XmlEmitter::open(std::string_view name) {
    closePending();
    out_->push_back('<');
    out_->append(name);
    pending_ = true;
}

void XmlEmitter::attribute(std::string_view name, std::string_view value) {
    out_->push_back(' ');
    out_->append(name);
    out_->append("=\"");
    appendEscapedAttribute(*out_, value);
    out_->push_back('"');
}

void XmlEmitter::start(std::string_view name, const char** attributes) {
    open(name);
    for (auto a = attributes; *a != nullptr; a += 2) {
        attribute(a[0], a[1]);
    }
}

void XmlEmitter::text(std::string_view text) {
    closePending();
    appendEscapedText(*out_, text);
}

void XmlEmitter::end(std::string_view name) {
    if (closedAsWritten_) {
        closedAsWritten_ = false;
        return;
    }
    if (pending_) {
        out_->append("/>");
        pending_ = false;
        return;
    }
    out_->append("</");
    out_->append(name);
    out_->push_back('>');
}

}  // namespace pv::host
