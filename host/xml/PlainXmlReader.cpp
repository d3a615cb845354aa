#include "host/xml/PlainXmlReader.h"

#include <array>
#include <cstring>
#include <string_view>

#include "host/xml/XmlEscapes.h"
#include "host/xml/XmlStream.h"

namespace pv::host {

namespace {

// Text or a start tag longer than this is left to the general parser, so the buffer stays small.
constexpr std::size_t kMaxToken = kMaxXmlToken;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

constexpr bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

// The bytes a name goes on with, looked up: names are skipped for every tag and attribute.
constexpr std::array<bool, 256> kNameChar = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[static_cast<std::size_t>(c)] =
            isNameStart(static_cast<char>(c)) || (c >= '0' && c <= '9') || c == '.' || c == '-';
    }
    return table;
}();

bool isNameChar(char c) {
    return kNameChar[static_cast<unsigned char>(c)];
}

// Bytes that text carries through unchanged: printable ASCII except '&' and ']' (which may
// start "]]>"), tab and line feed. 0x7F is left to the general parser.
constexpr std::array<bool, 256> kPlainText = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c < 0x7F; ++c) {
        table[static_cast<std::size_t>(c)] = c != '&' && c != ']' && c != '<';
    }
    table['\t'] = table['\n'] = true;
    return table;
}();
// In an attribute value a tab or line feed is read as a space, so it ends a run too.
constexpr std::array<bool, 256> kPlainValue = [] {
    std::array<bool, 256> table = kPlainText;
    table['\t'] = table['\n'] = false;
    return table;
}();

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The length of the well-formed UTF-8 sequence at `p` that encodes an XML character, or 0.
std::size_t utf8Length(const char* p, const char* end) {
    const auto byte = [&](std::size_t i) {
        return p + i < end ? static_cast<unsigned char>(p[i]) : 0u;
    };
    const auto continuation = [&](std::size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) {
        const unsigned b = byte(i);
        return b >= lo && b <= hi;
    };
    const unsigned lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF) {
        return continuation(1) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        const bool ok = lead == 0xE0   ? continuation(1, 0xA0)
                        : lead == 0xED ? continuation(1, 0x80, 0x9F)  // no surrogates
                                       : continuation(1);
        if (!ok || !continuation(2)) {
            return 0;
        }
        const bool nonCharacter = lead == 0xEF && byte(1) == 0xBF && byte(2) >= 0xBE;
        return nonCharacter ? 0 : 3;  // U+FFFE and U+FFFF are not XML characters
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const bool ok = lead == 0xF0   ? continuation(1, 0x90)
                        : lead == 0xF4 ? continuation(1, 0x80, 0x8F)
                                       : continuation(1);
        return ok && continuation(2) && continuation(3) ? 4 : 0;
    }
    return 0;
}

// Decodes the reference at `p` ('&') into `out`; false when it is not one we accept.
bool decodeReference(const char*& p, const char* end, std::string& out) {
    const char* limit = end - p > 12 ? p + 12 : end;
    const char* semicolon = static_cast<const char*>(std::memchr(p, ';', limit - p));
    if (semicolon == nullptr) {
        return false;
    }
    const std::string_view name(p + 1, semicolon - p - 1);
    p = semicolon + 1;
    if (name == "lt") {
        out += '<';
    } else if (name == "gt") {
        out += '>';
    } else if (name == "amp") {
        out += '&';
    } else if (name == "quot") {
        out += '"';
    } else if (name == "apos") {
        out += '\'';
    } else if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 7) {
            return false;
        }
        char32_t code = 0;
        for (const char c : digits) {
            char32_t digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<char32_t>(c - '0');
            } else if (hex && c >= 'a' && c <= 'f') {
                digit = static_cast<char32_t>(c - 'a' + 10);
            } else if (hex && c >= 'A' && c <= 'F') {
                digit = static_cast<char32_t>(c - 'A' + 10);
            } else {
                return false;
            }
            code = code * (hex ? 16 : 10) + digit;
        }
        if (!isXmlChar(code)) {
            return false;
        }
        appendUtf8(code, out);
    } else {
        return false;
    }
    return true;
}

const char* skipSpaces(const char* p, const char* end) {
    while (p < end && isSpace(*p)) {
        ++p;
    }
    return p;
}

const char* skipName(const char* p, const char* end) {
    while (p < end && isNameChar(*p)) {
        ++p;
    }
    return p;
}

enum class Decoding { Text, Attribute };

// Appends [from, to) to `out` decoded as XML reads it: references resolved; in text, each line
// end (CR LF or CR) a line feed; in an attribute value, each tab, line feed or line end one
// space. False on what is left to the general parser: '<' in a value, "]]>" in text, control
// characters, DEL, malformed UTF-8, references other than the predefined and numeric ones.
// A template, so each use gets its own tight loop: this runs for every value of every cell.
template <Decoding kDecoding>
bool decodeInto(std::string& out, const char* from, const char* to) {
    constexpr bool attribute = kDecoding == Decoding::Attribute;
    const char* p = from;
    while (p < to) {
        const char* run = p;
        constexpr const std::array<bool, 256>& plain = attribute ? kPlainValue : kPlainText;
        while (p < to && plain[static_cast<unsigned char>(*p)]) {
            ++p;
        }
        out.append(run, p);
        if (p == to) {
            break;
        }
        const char c = *p;
        if (c == '&') {
            if (!decodeReference(p, to, out)) {
                return false;
            }
        } else if (c == '\r') {
            out += attribute ? ' ' : '\n';
            p += p + 1 < to && p[1] == '\n' ? 2 : 1;
        } else if (c == '\t' || c == '\n') {  // only attribute values stop here
            out += ' ';
            ++p;
        } else if (c == ']') {
            if (!attribute && to - p >= 3 && p[1] == ']' && p[2] == '>') {
                return false;
            }
            out += c;
            ++p;
        } else if (const std::size_t n = utf8Length(p, to)) {
            out.append(p, n);
            p += n;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

PlainXmlReader::PlainXmlReader(PlainXmlSink& sink, int maxDepth)
    : sink_(sink), maxDepth_(maxDepth) {}

PlainXmlReader::Status PlainXmlReader::feed(const char* bytes, std::size_t size) {
    if (at_ > 0) {
        buffer_.erase(0, at_);
        at_ = 0;
    }
    buffer_.append(bytes, size);
    return run(false);
}

PlainXmlReader::Status PlainXmlReader::finish() {
    const Status status = run(true);
    if (status != Status::Reading) {
        return status;
    }
    return phase_ == Phase::Epilog ? Status::Done : Status::Unsupported;
}

PlainXmlReader::Status PlainXmlReader::run(bool final) {
    for (;;) {
        switch (step(final)) {
            case Step::Advanced:
                if (sink_.stopped()) {
                    return Status::Done;
                }
                break;
            case Step::NeedMore:
                return final && at_ < buffer_.size() ? Status::Unsupported : Status::Reading;
            case Step::Unsupported:
                return Status::Unsupported;
            case Step::Stopped:
                return Status::Done;
        }
    }
}

PlainXmlReader::Step PlainXmlReader::step(bool final) {
    const char* p = buffer_.data() + at_;
    const char* end = buffer_.data() + buffer_.size();
    if (p == end) {
        return Step::NeedMore;
    }
    if (phase_ == Phase::Start) {
        if (end - p < 3 && !final) {
            return Step::NeedMore;
        }
        if (end - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) {
            at_ += 3;  // the byte order mark
        }
        phase_ = Phase::Declaration;
        return Step::Advanced;
    }
    if (phase_ == Phase::Declaration) {
        if (end - p < 6 && !final) {
            return Step::NeedMore;
        }
        if (end - p >= 6 && std::memcmp(p, "<?xml", 5) == 0 && isSpace(p[5])) {
            return declaration();
        }
        phase_ = Phase::Prolog;
        return Step::Advanced;
    }
    if (*p != '<') {
        return characters(final);
    }
    if (end - p < 2) {
        return Step::NeedMore;
    }
    if (p[1] == '/') {
        return phase_ == Phase::Root ? endTag() : Step::Unsupported;
    }
    if (p[1] == '?' || p[1] == '!' || phase_ == Phase::Epilog) {
        return Step::Unsupported;  // processing instructions, comments, CDATA, DOCTYPE, 2nd root
    }
    return startTag();
}

// <?xml version="1.0" encoding="UTF-8" standalone="yes"?>, encoding and standalone optional.
PlainXmlReader::Step PlainXmlReader::declaration() {
    const char* p = buffer_.data() + at_ + 5;
    const char* end = buffer_.data() + buffer_.size();
    const std::string_view rest(p, end - p);
    const auto close = rest.find("?>");
    if (close == std::string_view::npos) {
        return rest.size() > 1024 ? Step::Unsupported : Step::NeedMore;
    }
    const char* stop = p + close;
    static constexpr std::array<std::string_view, 3> kOrder = {"version", "encoding", "standalone"};
    std::size_t next = 0;
    for (;;) {
        const char* before = p;
        p = skipSpaces(p, stop);
        if (p == stop) {
            break;
        }
        if (p == before) {
            return Step::Unsupported;
        }
        const char* nameEnd = skipName(p, stop);
        const std::string_view name(p, nameEnd - p);
        p = skipSpaces(nameEnd, stop);
        if (p == stop || *p != '=') {
            return Step::Unsupported;
        }
        p = skipSpaces(p + 1, stop);
        if (p == stop || (*p != '"' && *p != '\'')) {
            return Step::Unsupported;
        }
        const char* valueEnd = static_cast<const char*>(std::memchr(p + 1, *p, stop - p - 1));
        if (valueEnd == nullptr) {
            return Step::Unsupported;
        }
        const std::string_view value(p + 1, valueEnd - p - 1);
        p = valueEnd + 1;
        while (next < kOrder.size() && kOrder[next] != name) {
            if (next == 0) {
                return Step::Unsupported;  // the version comes first
            }
            ++next;
        }
        if (next == kOrder.size()) {
            return Step::Unsupported;
        }
        const bool accepted = next == 0   ? value == "1.0"
                              : next == 1 ? (value == "UTF-8" || value == "utf-8")
                                          : (value == "yes" || value == "no");
        if (!accepted) {
            return Step::Unsupported;
        }
        ++next;
    }
    if (next == 0) {
        return Step::Unsupported;
    }
    at_ = static_cast<std::size_t>(stop + 2 - buffer_.data());
    phase_ = Phase::Prolog;
    return Step::Advanced;
}

PlainXmlReader::Step PlainXmlReader::startTag() {
    const char* tag = buffer_.data() + at_;
    const char* end = buffer_.data() + buffer_.size();
    const auto needMore = [&] {
        return static_cast<std::size_t>(end - tag) > kMaxToken ? Step::Unsupported : Step::NeedMore;
    };
    const char* p = tag + 1;
    if (!isNameStart(*p)) {
        return Step::Unsupported;
    }
    const char* nameEnd = skipName(p, end);
    if (nameEnd == end) {
        return needMore();
    }
    attributeText_.assign(p, nameEnd);
    attributeText_ += '\0';
    attributeOffsets_.clear();
    p = nameEnd;
    bool empty = false;
    for (;;) {
        const char* before = p;
        p = skipSpaces(p, end);
        if (p == end) {
            return needMore();
        }
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (end - p < 2) {
                return needMore();
            }
            if (p[1] != '>') {
                return Step::Unsupported;
            }
            p += 2;
            empty = true;
            break;
        }
        if (p == before || !isNameStart(*p)) {
            return Step::Unsupported;
        }
        const char* attributeName = p;
        p = skipName(p, end);
        const std::string_view name(attributeName, p - attributeName);
        p = skipSpaces(p, end);
        if (p == end) {
            return needMore();
        }
        if (*p != '=') {
            return Step::Unsupported;
        }
        p = skipSpaces(p + 1, end);
        if (p == end) {
            return needMore();
        }
        if (*p != '"' && *p != '\'') {
            return Step::Unsupported;
        }
        const char* valueEnd = static_cast<const char*>(std::memchr(p + 1, *p, end - p - 1));
        if (valueEnd == nullptr) {
            return needMore();
        }
        for (std::size_t i = 0; i < attributeOffsets_.size(); i += 2) {
            // The earlier name, up to its '\0', compared without measuring it first.
            const std::size_t at = attributeOffsets_[i];
            if (attributeOffsets_[i + 1] - at == name.size() + 1 &&
                attributeText_.compare(at, name.size(), name) == 0) {
                return Step::Unsupported;  // a repeated attribute
            }
        }
        attributeOffsets_.push_back(attributeText_.size());
        attributeText_.append(name);
        attributeText_ += '\0';
        attributeOffsets_.push_back(attributeText_.size());
        if (!decodeInto<Decoding::Attribute>(attributeText_, p + 1, valueEnd)) {
            return Step::Unsupported;
        }
        attributeText_ += '\0';
        p = valueEnd + 1;
    }
    if (static_cast<int>(open_.size()) >= maxDepth_) {
        return Step::Unsupported;
    }
    attributes_.clear();
    for (const std::size_t offset : attributeOffsets_) {
        attributes_.push_back(attributeText_.c_str() + offset);
    }
    attributes_.push_back(nullptr);
    at_ = static_cast<std::size_t>(p - buffer_.data());
    const char* name = attributeText_.c_str();
    token_ = std::string_view(tag, static_cast<std::size_t>(p - tag));
    sink_.start(name, attributes_.data());
    if (!empty) {
        open_.push_back(openNames_.size());
        openNames_.append(name, static_cast<std::size_t>(nameEnd - tag));  // with its '\0'

        phase_ = Phase::Root;
        return Step::Advanced;
    }
    if (sink_.stopped()) {
        return Step::Stopped;
    }
    token_ = {};
    sink_.end(name);
    phase_ = open_.empty() ? Phase::Epilog : Phase::Root;
    return Step::Advanced;
}

PlainXmlReader::Step PlainXmlReader::endTag() {
    const char* p = buffer_.data() + at_ + 2;
    const char* end = buffer_.data() + buffer_.size();
    if (p == end) {
        return Step::NeedMore;
    }
    if (!isNameStart(*p)) {
        return Step::Unsupported;
    }
    const char* nameEnd = skipName(p, end);
    const char* close = skipSpaces(nameEnd, end);
    if (close == end) {
        return end - p > 4096 ? Step::Unsupported : Step::NeedMore;
    }
    const char* openName = openNames_.c_str() + open_.back();
    const std::size_t length = static_cast<std::size_t>(nameEnd - p);
    if (*close != '>' || openNames_.size() - open_.back() != length + 1 ||
        std::memcmp(p, openName, length) != 0) {
        return Step::Unsupported;
    }
    at_ = static_cast<std::size_t>(close + 1 - buffer_.data());
    token_ = std::string_view(p - 2, static_cast<std::size_t>(close + 1 - (p - 2)));
    sink_.end(openName);
    openNames_.resize(open_.back());
    open_.pop_back();
    if (open_.empty()) {
        phase_ = Phase::Epilog;
    }
    return Step::Advanced;
}

PlainXmlReader::Step PlainXmlReader::characters(bool final) {
    const char* p = buffer_.data() + at_;
    const char* end = buffer_.data() + buffer_.size();
    const char* lt = static_cast<const char*>(std::memchr(p, '<', end - p));
    if (lt == nullptr) {
        // Text runs to the next tag; outside the root there is only white space to skip.
        if (!final || phase_ == Phase::Root) {
            return static_cast<std::size_t>(end - p) > kMaxToken ? Step::Unsupported
                                                                 : Step::NeedMore;
        }
        lt = end;
    }
    if (phase_ != Phase::Root) {
        if (skipSpaces(p, lt) != lt) {
            return Step::Unsupported;
        }
    } else if (!decodeText(p, lt)) {
        return Step::Unsupported;
    }
    at_ = static_cast<std::size_t>(lt - buffer_.data());
    return Step::Advanced;
}

bool PlainXmlReader::decodeText(const char* from, const char* to) {
    token_ = std::string_view(from, static_cast<std::size_t>(to - from));
    const char* p = from;
    while (p < to && kPlainText[static_cast<unsigned char>(*p)]) {
        ++p;
    }
    if (p == to) {  // nothing to decode: the bytes as they stand
        sink_.text(from, static_cast<std::size_t>(to - from));
        return true;
    }
    decoded_.assign(from, p);
    if (!decodeInto<Decoding::Text>(decoded_, p, to)) {
        return false;
    }
    sink_.text(decoded_.data(), decoded_.size());
    return true;
}

}  // namespace pv::host
