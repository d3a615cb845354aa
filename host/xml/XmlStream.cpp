#include "host/xml/XmlStream.h"

#include <expat.h>

#include <cstring>
#include <exception>
#include <memory>
#include <utility>

#include "core/Error.h"
#include "host/xml/PlainXmlReader.h"
#include "host/xml/XmlEmitter.h"
#include "host/xml/XmlErrors.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

std::string_view localName(std::string_view name) {
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view localName(const char* name) {
    // One pass: this runs for every element of every sheet.
    const char* local = name;
    const char* p = name;
    for (; *p != '\0'; ++p) {
        if (*p == ':' && local == name) {
            local = p + 1;
        }
    }
    return {local, static_cast<std::size_t>(p - local)};
}

namespace {
// Names are short, so a plain loop beats a call to strncmp; this runs for every attribute.
bool sameName(std::string_view name, const char* text) {
    for (const char c : name) {
        if (*text != c) {
            return false;
        }
        ++text;
    }
    return *text == '\0';
}
}  // namespace

const char* findAttribute(const char** attributes, std::string_view name) {
    for (auto a = attributes; *a != nullptr; a += 2) {
        if (sameName(name, a[0])) {
            return a[1];
        }
    }
    return nullptr;
}

const char* findAttributeLocal(const char** attributes, std::string_view local) {
    for (auto a = attributes; *a != nullptr; a += 2) {
        if (localName(a[0]) == local) {
            return a[1];
        }
    }
    return nullptr;
}

bool isTrueValue(const char* value) {
    if (value == nullptr) {
        return false;
    }
    const std::string_view text = value;
    return text == "1" || text == "true";
}

// A handler's exception must not unwind through expat (it would leak the parser's state for
// the open element): it is kept, the parse stopped, and it is raised once XML_Parse returns.
struct XmlStreamCallbacks {
    template <typename Handler>
    static void guarded(XmlStream* self, Handler handler) {
        if (self->pending_) {
            return;
        }
        try {
            handler();
        } catch (...) {
            self->pending_ = std::current_exception();
            XML_StopParser(static_cast<XML_Parser>(self->parser_), XML_FALSE);
        }
    }
    static void start(void* data, const XML_Char* name, const XML_Char** attributes) {
        auto* self = static_cast<XmlStream*>(data);
        if (++self->depth_ > kMaxXmlDepth) {
            self->failure_ = "elements nested too deeply";
            XML_StopParser(static_cast<XML_Parser>(self->parser_), XML_FALSE);
            return;
        }
        guarded(self, [&] { self->onStart(name, attributes); });
    }
    static void end(void* data, const XML_Char* name) {
        auto* self = static_cast<XmlStream*>(data);
        guarded(self, [&] { self->onEnd(name); });
        --self->depth_;
    }
    static void text(void* data, const XML_Char* s, int len) {
        auto* self = static_cast<XmlStream*>(data);
        guarded(self, [&] { self->onText(s, len); });
    }
    static void refuse(XmlStream* self) {
        self->refused_ = true;
        XML_StopParser(static_cast<XML_Parser>(self->parser_), XML_FALSE);
    }
    static void doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        refuse(static_cast<XmlStream*>(data));
    }
    static void entity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                       const XML_Char*, const XML_Char*, const XML_Char*) {
        refuse(static_cast<XmlStream*>(data));
    }
};

namespace {

struct ParserDeleter {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

class Session {
  public:
    Session(XmlStream* owner) : parser_(XML_ParserCreate(nullptr)) {
        if (!parser_) {
            throw std::bad_alloc();
        }
        XML_SetUserData(parser_.get(), owner);
        XML_SetElementHandler(parser_.get(), &XmlStreamCallbacks::start, &XmlStreamCallbacks::end);
        XML_SetCharacterDataHandler(parser_.get(), &XmlStreamCallbacks::text);
        XML_SetStartDoctypeDeclHandler(parser_.get(), &XmlStreamCallbacks::doctype);
        XML_SetEntityDeclHandler(parser_.get(), &XmlStreamCallbacks::entity);
        XML_SetParamEntityParsing(parser_.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    }
    XML_Parser get() const { return parser_.get(); }

  private:
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser_;
};

}  // namespace

void XmlStream::run(const std::string& where, const Producer& produce) {
    Session session(this);
    XML_Parser p = session.get();
    parser_ = p;
    pending_ = nullptr;
    stopRequested_ = refused_ = false;
    depth_ = 0;
    failure_.clear();
    std::size_t sinceMarkup = 0;  // bytes since the last "<"
    // Handlers record refusals and failures; they are raised here, between chunks.
    const auto feed = [&](const char* bytes, std::size_t n, bool last) {
        for (const char *p = bytes, *end = bytes + n;;) {
            const auto* open = static_cast<const char*>(std::memchr(p, '<', end - p));
            if (open == nullptr) {
                sinceMarkup += static_cast<std::size_t>(end - p);
                break;
            }
            sinceMarkup = 0;
            p = open + 1;
        }
        if (sinceMarkup > kMaxXmlToken) {
            throw Error(XmlError::MalformedXml,
                        where + ": a tag or text over " + std::to_string(kMaxXmlToken >> 20) +
                            " MB, far longer than any cell or formula holds");
        }
        const XML_Status status = XML_Parse(p, bytes, static_cast<int>(n), last);
        if (pending_) {
            std::rethrow_exception(std::exchange(pending_, nullptr));
        }
        if (refused_) {
            throw Error(XmlError::DtdRefused,
                        where + ": a document type or entity declaration is not allowed");
        }
        if (!failure_.empty()) {
            throw Error(XmlError::MalformedXml, where + ": " + failure_);
        }
        if (status == XML_STATUS_ERROR) {
            throw Error(XmlError::MalformedXml, where + ": malformed XML at line " +
                                                    std::to_string(XML_GetCurrentLineNumber(p)) +
                                                    " (" + XML_ErrorString(XML_GetErrorCode(p)) +
                                                    ")");
        }
        return !stopRequested_;
    };
    produce(feed);
}

void XmlStream::parseBuffer(std::string_view xml, const std::string& where) {
    run(where, [&](const Feed& feed) {
        constexpr std::size_t kChunk = 1 << 16;
        std::size_t offset = 0;
        do {
            const std::size_t n = std::min(kChunk, xml.size() - offset);
            offset += n;
            if (!feed(xml.data() + offset - n, n, offset == xml.size())) {
                return;
            }
        } while (offset < xml.size());
    });
}

void XmlStream::parse(const ZipReader& zip, std::string_view part) {
    run(zip.where(part), [&](const Feed& feed) {
        bool stopped = false;
        zip.stream(
            part,
            [&](const char* bytes, std::size_t n) {
                stopped = !feed(bytes, n, false);
                return !stopped;
            },
            extent_);
        if (!stopped) {
            feed("", 0, true);
        }
    });
}

// Drives the handlers from the plain reader, keeping depth() as the general parser does.
class PlainXmlDriver : public PlainXmlSink {
  public:
    explicit PlainXmlDriver(XmlStream& stream) : stream_(stream) {}

    void start(const char* name, const char** attributes) override {
        ++stream_.depth_;
        stream_.onStart(name, attributes);
    }
    void end(const char* name) override {
        stream_.onEnd(name);
        --stream_.depth_;
    }
    void text(const char* text, std::size_t length) override {
        stream_.onText(text, static_cast<int>(length));  // the reader caps a text's length
    }
    bool stopped() const override { return stream_.stopRequested_; }

  private:
    XmlStream& stream_;
};

template <typename Produce>
bool XmlStream::runPlain(Produce produce) {
    stopRequested_ = false;
    depth_ = 0;
    PlainXmlDriver driver(*this);
    PlainXmlReader reader(driver, kMaxXmlDepth);
    plain_ = &reader;
    struct Detach {
        const PlainXmlReader*& plain;
        ~Detach() { plain = nullptr; }
    } detach{plain_};
    auto status = PlainXmlReader::Status::Reading;
    produce([&](const char* bytes, std::size_t n) {
        status = reader.feed(bytes, n);
        return status == PlainXmlReader::Status::Reading;
    });
    if (status == PlainXmlReader::Status::Reading) {
        status = reader.finish();
    }
    return status == PlainXmlReader::Status::Done;
}

std::string_view XmlStream::source() const {
    return plain_ != nullptr ? plain_->token() : std::string_view();
}

void XmlStream::copyStart(XmlEmitter& out, const char* name, const char** attributes) const {
    if (const auto written = source(); !written.empty()) {
        out.startAsWritten(written);
    } else {
        out.start(name, attributes);
    }
}

void XmlStream::copyText(XmlEmitter& out, std::string_view text) const {
    if (const auto written = source(); !written.empty()) {
        out.raw(written);
    } else {
        out.text(text);
    }
}

void XmlStream::copyEnd(XmlEmitter& out, const char* name) const {
    if (const auto written = source(); !written.empty()) {
        out.endAsWritten(written);
    } else {
        out.end(name);
    }
}

bool XmlStream::parsePlain(const ZipReader& zip, std::string_view part) {
    return runPlain([&](const auto& sink) { zip.stream(part, sink, extent_); });
}

bool XmlStream::parsePlainBuffer(std::string_view xml) {
    return runPlain([&](const auto& sink) {
        constexpr std::size_t kChunk = 1 << 16;
        for (std::size_t offset = 0; offset < xml.size(); offset += kChunk) {
            if (!sink(xml.data() + offset, std::min(kChunk, xml.size() - offset))) {
                return;
            }
        }
    });
}

}  // namespace pv::host
