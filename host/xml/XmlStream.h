#pragma once
// A streaming XML reader over one package part (expat, without namespace processing so names
// keep the prefixes they were written with). A DOCTYPE or entity declaration is an error: no
// entity is ever expanded. Element depth and text length are capped.
#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "host/zip/ZipReader.h"

namespace pv::host {

class PlainXmlReader;
class XmlEmitter;

// The deepest element nesting any part may have, streamed or loaded whole: real parts stay far
// below it, and every recursive walk of a tree relies on it.
inline constexpr int kMaxXmlDepth = 256;
// The longest run of a part without markup (a tag with its attributes and the text after it):
// a cell holds at most 32,767 characters and a formula 8,192, so real parts stay far below it,
// and a longer one is refused rather than have the general parser read it again with every
// chunk that arrives (its time would grow with the square of the token).
inline constexpr std::size_t kMaxXmlToken = 4u << 20;

// One attribute as written: name with its prefix, value unescaped.
struct XmlAttribute {
    const char* name;
    const char* value;
};

// The local part of a name: "x:c" -> "c".
std::string_view localName(std::string_view name);
std::string_view localName(const char* name);
// The value of an attribute by its exact name, nullptr when absent.
const char* findAttribute(const char** attributes, std::string_view name);
// The value of an attribute by its local name (any prefix), nullptr when absent.
const char* findAttributeLocal(const char** attributes, std::string_view local);
// An xsd:boolean value: "1" and "true" are true, anything else (absent included) false.
bool isTrueValue(const char* value);

class XmlStream {
  public:
    virtual ~XmlStream() = default;

    // Parses the part, calling the handlers below; throws pv::Error on bad XML.
    void parse(const ZipReader& zip, std::string_view part);
    // Parses a buffer; `where` names it in errors.
    void parseBuffer(std::string_view xml, const std::string& where);
    // Parses the part with the faster reader for plain documents (PlainXmlReader.h). False when
    // the part needs the general parser: the handlers may have seen some of it, so the caller
    // starts again with fresh state and calls parse() (parseBuffer() for a buffer).
    bool parsePlain(const ZipReader& zip, std::string_view part);
    bool parsePlainBuffer(std::string_view xml);
    // Tells the parses above that the handlers will likely stop near the start of the part.
    void expectEarlyStop() { extent_ = ZipReader::Extent::Start; }

  protected:
    // `attributes` is a null-terminated array of name, value pairs.
    virtual void onStart(const char* name, const char** attributes) = 0;
    virtual void onEnd(const char* name) = 0;
    virtual void onText(const char* text, int length) = 0;
    // Ends the parse early without an error (from a handler).
    void stop() { stopRequested_ = true; }
    int depth() const { return depth_; }
    // In onStart, onText and onEnd under the plain reader, the event's bytes as the part has
    // them (the start tag whole, the text undecoded, the end tag), to copy what is kept
    // unchanged; empty under the general parser, whose events are written out again instead,
    // and for the end of an element written "<x/>".
    std::string_view source() const;
    // The current start tag, text or end tag written to `out`: copied from source() when it
    // has the bytes, written out again from the event otherwise.
    void copyStart(XmlEmitter& out, const char* name, const char** attributes) const;
    void copyText(XmlEmitter& out, std::string_view text) const;
    void copyEnd(XmlEmitter& out, const char* name) const;

  private:
    ZipReader::Extent extent_ = ZipReader::Extent::Whole;
    friend struct XmlStreamCallbacks;
    friend class PlainXmlDriver;
    template <typename Produce>
    bool runPlain(Produce produce);
    using Feed = std::function<bool(const char*, std::size_t, bool)>;
    using Producer = std::function<void(const Feed&)>;
    void run(const std::string& where, const Producer& produce);

    void* parser_ = nullptr;                 // the running parse's expat parser
    const PlainXmlReader* plain_ = nullptr;  // the running plain read's reader
    std::exception_ptr pending_;             // a handler's exception, raised after XML_Parse
    bool stopRequested_ = false;
    bool refused_ = false;
    int depth_ = 0;
    std::string failure_;
};

}  // namespace pv::host
