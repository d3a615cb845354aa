#pragma once
// A small, strict reader for the plain XML that spreadsheet programs write: one root element,
// elements with attributes, text, the five predefined entities and character references, all
// in UTF-8, with an optional XML declaration and byte order mark. On big worksheets it is
// several times faster than a general parser.
//
// Whatever it does not handle it leaves to the general parser: comments, CDATA sections,
// processing instructions, a DOCTYPE, another encoding, a name outside ASCII, very long text,
// nesting past the depth limit, and anything malformed. It then answers Unsupported, and the
// caller reads the document again with the general parser, which either accepts it or gives the
// precise error. So what it does accept, it reports exactly as the general parser would.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pv::host {

// The events, shaped like expat's handlers.
class PlainXmlSink {
  public:
    virtual ~PlainXmlSink() = default;
    // `attributes` is a null-terminated array of name, value pairs, values decoded.
    virtual void start(const char* name, const char** attributes) = 0;
    virtual void end(const char* name) = 0;
    // Text inside the root element, decoded; may come in several pieces.
    virtual void text(const char* text, std::size_t length) = 0;
    // Asked after each event: true ends the read early, as a success.
    virtual bool stopped() const = 0;
};

class PlainXmlReader {
  public:
    enum class Status { Reading, Done, Unsupported };

    PlainXmlReader(PlainXmlSink& sink, int maxDepth);

    // The document's next bytes. Reading asks for more; Done means the sink stopped the read.
    Status feed(const char* bytes, std::size_t size);
    // The document has ended: Done when it was complete and well-formed.
    Status finish();
    // During a sink's call, the event's bytes as the document has them: a start tag whole (with
    // its "/>" when the element is empty, whose end then has none), an end tag, or a run of text
    // undecoded. A rewriter copies what it does not change from here.
    std::string_view token() const { return token_; }

  private:
    enum class Step { Advanced, NeedMore, Unsupported, Stopped };
    enum class Phase { Start, Declaration, Prolog, Root, Epilog };

    Status run(bool final);
    Step step(bool final);
    Step declaration();
    Step startTag();
    Step endTag();
    Step characters(bool final);
    // Gives the sink the text decoded; false when it is left to the general parser.
    bool decodeText(const char* from, const char* to);

    PlainXmlSink& sink_;
    int maxDepth_;
    Phase phase_ = Phase::Start;
    std::string buffer_;
    std::size_t at_ = 0;  // the first byte of buffer_ not yet read
    // Open elements' names, each followed by '\0'; offsets into openNames_.
    std::string openNames_;
    std::vector<std::size_t> open_;
    // The current start tag's names and decoded values, each followed by '\0'.
    std::string attributeText_;
    std::vector<std::size_t> attributeOffsets_;
    std::vector<const char*> attributes_;
    std::string decoded_;
    std::string_view token_;
};

}  // namespace pv::host
