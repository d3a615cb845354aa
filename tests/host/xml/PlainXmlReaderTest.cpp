// The plain XML reader against expat: whatever the plain reader accepts, expat must accept with
// the same events; whatever it declines is either well-formed XML it leaves to expat or an error
// expat reports. Checked on hand-written cases, on every XML part of the test corpus, and
// with the document cut into chunks at every possible place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Error.h"
#include "host/xml/PlainXmlReader.h"
#include "host/xml/XmlEmitter.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipReader.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"
#include "support/XmlEventLog.h"

namespace {

using namespace pv::test;
using pv::host::PlainXmlReader;

using Recorder = XmlEventRecorder;

class RecordingSink : public pv::host::PlainXmlSink {
  public:
    XmlEventLog log;
    void start(const char* name, const char** attributes) override { log.start(name, attributes); }
    void end(const char* name) override { log.end(name); }
    void text(const char* text, std::size_t n) override { log.text(text, n); }
    bool stopped() const override { return false; }
};

struct Outcome {
    bool plainAccepted = false;
    bool expatAccepted = false;
    std::string plainEvents;
    std::string expatEvents;
};

Outcome readBoth(const std::string& xml) {
    Outcome outcome;
    Recorder plain;
    outcome.plainAccepted = plain.parsePlainBuffer(xml);
    outcome.plainEvents = plain.log.joined();
    Recorder expat;
    try {
        expat.parseBuffer(xml, "case");
        outcome.expatAccepted = true;
    } catch (const pv::Error&) {
    }
    outcome.expatEvents = expat.log.joined();
    return outcome;
}

TEST(PlainXmlReader, ReadsWhatSpreadsheetProgramsWriteExactlyAsExpatDoes) {
    const std::vector<std::string> cases = {
        // A worksheet as most programs write it.
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        "\r\n"
        R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
        R"(<dimension ref="A1:B2"/><sheetData><row r="1" spans="1:2"><c r="A1" t="s"><v>0</v>)"
        R"(</c><c r="B1" s="3"><f>SUM('Other sheet'!A1:A3)&amp;"x"</f><v>6</v></c></row>)"
        R"(</sheetData></worksheet>)",
        // Prefixed names, single quotes, spaces around '=' and before '>'.
        "<x:worksheet xmlns:x='urn:x'><x:sheetData ><x:row r = '1' ><x:c r='A1'/></x:row >"
        "</x:sheetData></x:worksheet >",
        // References in text and attributes, astral and BMP characters, ']' and '>' in text.
        "<a t=\"&lt;&gt;&amp;&quot;&apos;&#65;&#x42;&#x1F600;\">x &lt; y ] z &gt; w ]] > "
        "&#xE9;&#233; caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80</a>",
        // Line ends: CR LF and lone CR read as LF in text, as one space in attributes; tabs and
        // line feeds in attributes read as spaces, but not when written as references.
        "<a v=\"1\r\n2\r3\t4\n5&#9;6&#10;7&#13;8\">line1\r\nline2\rline3\nline4&#13;</a>",
        // A byte order mark, a declaration without encoding, an empty root, white space after.
        "\xEF\xBB\xBF<?xml version='1.0'?><root/>\n\n",
        "<root/>",
        // Text of white space between elements.
        "<a>\n  <b>one</b>\n  <c/>\n</a>",
        // Attribute names that begin alike are different attributes.
        "<a xy=\"1\" x=\"2\" xyz=\"3\" y=\"4\"/>",
    };
    for (const auto& xml : cases) {
        SCOPED_TRACE(xml);
        const Outcome outcome = readBoth(xml);
        EXPECT_TRUE(outcome.plainAccepted);
        EXPECT_TRUE(outcome.expatAccepted);
        EXPECT_EQ(outcome.plainEvents, outcome.expatEvents);
    }
}

TEST(PlainXmlReader, LeavesToExpatWhatItDoesNotHandleAndEveryMalformedDocument) {
    struct Case {
        std::string xml;
        bool wellFormed;
    };
    const std::string deep = [] {
        std::string xml;
        for (int i = 0; i < 300; ++i)
            xml += "<d>";
        for (int i = 0; i < 300; ++i)
            xml += "</d>";
        return xml;
    }();
    const std::vector<Case> cases = {
        {"<a><!-- note --></a>", true},
        {"<a><![CDATA[x<y]]></a>", true},
        {"<?xml version=\"1.0\"?><?style x?><a/>", true},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>", true},
        {"<a/><!-- after -->", true},
        {"<caf\xC3\xA9/>", true},  // a name outside ASCII
        {"<a>\x7F</a>", true},
        {"<!DOCTYPE a [<!ENTITY e \"boom\">]><a>&e;</a>", false},  // refused by expat too
        {"", false},
        {"<a>", false},
        {"<a></b>", false},
        {"<a><b></a></b>", false},
        {"<a x=\"1\" x=\"2\"/>", false},
        {"<a xy=\"1\" x=\"2\" xy=\"3\"/>", false},
        {"<a x=1/>", false},
        {"<a x=\"<\"/>", false},
        {"<a x=\"1\"y=\"2\"/>", false},
        {"<a>&nbsp;</a>", false},
        {"<a>&#0;</a>", false},
        {"<a>&#xD800;</a>", false},
        {"<a>&#x110000;</a>", false},
        {"<a>x ]]> y</a>", false},
        {"<a>\x01</a>", false},
        {"<a>\xC3</a>", false},
        {"<a>\xC0\x80</a>", false},
        {"<a>\xED\xA0\x80</a>", false},  // a surrogate
        {"<a>\xEF\xBF\xBE</a>", false},  // U+FFFE
        {"<a/><b/>", false},
        {"<a/>text", false},
        {"text<a/>", false},
        {" <?xml version=\"1.0\"?><a/>", false},
        {"<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?><a/>", false},
        {"\xEF\xBB\xBF\xEF\xBB\xBF<a/>", false},
        {deep, false},  // deeper than the limit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        const Outcome outcome = readBoth(c.xml);
        EXPECT_FALSE(outcome.plainAccepted);
        EXPECT_EQ(outcome.expatAccepted, c.wellFormed);
    }
}

TEST(PlainXmlReader, GivesTheSameEventsHoweverTheDocumentIsCutIntoChunks) {
    const std::string xml =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<x:a xmlns:x='u'>"
        "<x:b r=\"A&amp;1\" s = '2'>t&lt;1\r\n\xE2\x82\xAC</x:b><x:c/>&#x1F600;]</x:a >\n";
    RecordingSink whole;
    PlainXmlReader wholeReader(whole, 256);
    ASSERT_EQ(wholeReader.feed(xml.data(), xml.size()), PlainXmlReader::Status::Reading);
    ASSERT_EQ(wholeReader.finish(), PlainXmlReader::Status::Done);
    for (std::size_t size = 1; size <= 7; ++size) {
        SCOPED_TRACE(size);
        RecordingSink chunked;
        PlainXmlReader reader(chunked, 256);
        for (std::size_t at = 0; at < xml.size(); at += size) {
            ASSERT_EQ(reader.feed(xml.data() + at, std::min(size, xml.size() - at)),
                      PlainXmlReader::Status::Reading);
        }
        ASSERT_EQ(reader.finish(), PlainXmlReader::Status::Done);
        EXPECT_EQ(chunked.log.joined(), whole.log.joined());
    }
    // Cut anywhere, an unfinished document is never taken as complete.
    for (std::size_t cut = 0; cut + 1 < xml.size(); ++cut) {
        RecordingSink sink;
        PlainXmlReader reader(sink, 256);
        reader.feed(xml.data(), cut);
        EXPECT_EQ(reader.finish(), PlainXmlReader::Status::Unsupported) << cut;
    }
}

// Collects each event's bytes as the reader gives them, to copy a document from.
class TokenSink : public pv::host::PlainXmlSink {
  public:
    const PlainXmlReader* reader = nullptr;
    std::string copied;
    void start(const char*, const char**) override { copied += reader->token(); }
    void end(const char*) override { copied += reader->token(); }
    void text(const char*, std::size_t) override { copied += reader->token(); }
    bool stopped() const override { return false; }
};

TEST(PlainXmlReader, EachEventsBytesAreTheDocumentsOwnHoweverItIsCut) {
    // From the root's start to its end, tokens joined give back the bytes as written: quotes,
    // spaces in tags, references and line ends undecoded, empty elements as "<x/>".
    const std::string root =
        "<x:a xmlns:x='u'><x:b r=\"A&amp;1\" s = '2' >t&lt;1\r\n\xE2\x82\xAC &#65;</x:b>"
        "<x:c/><x:d></x:d>&#x1F600;]\r\n<x:e\tv='&#10;'\n/></x:a >";
    const std::string xml =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n" + root + "\n";
    for (std::size_t size = 1; size <= xml.size(); size += size < 8 ? 1 : 29) {
        SCOPED_TRACE(size);
        TokenSink sink;
        PlainXmlReader reader(sink, 256);
        sink.reader = &reader;
        for (std::size_t at = 0; at < xml.size(); at += size) {
            ASSERT_EQ(reader.feed(xml.data() + at, std::min(size, xml.size() - at)),
                      PlainXmlReader::Status::Reading);
        }
        ASSERT_EQ(reader.finish(), PlainXmlReader::Status::Done);
        EXPECT_EQ(sink.copied, root);
    }
}

// Copies every event to an emitter, as a rewriter copies what it keeps.
class CopyingStream : public pv::host::XmlStream {
  public:
    std::string out;

  protected:
    void onStart(const char* name, const char** attributes) override {
        copyStart(emitter_, name, attributes);
    }
    void onEnd(const char* name) override { copyEnd(emitter_, name); }
    void onText(const char* text, int length) override {
        copyText(emitter_, std::string_view(text, static_cast<std::size_t>(length)));
    }

  private:
    pv::host::XmlEmitter emitter_{out};
};

TEST(PlainXmlReader, ACopyOfEveryEventIsTheDocumentUnderEitherParser) {
    // Under the plain reader the bytes as written, end tags and empty elements included; under
    // expat, which gives no bytes, the same document written out again.
    const std::string root =
        "<x:a xmlns:x='u'><x:b r=\"A&amp;1\" s = '2' >t&lt;1\xE2\x82\xAC &#65;</x:b >"
        "<x:c/><x:d></x:d><x:e\tv='&#10;'\n/>tail</x:a >";
    CopyingStream plain;
    ASSERT_TRUE(plain.parsePlainBuffer(root));
    EXPECT_EQ(plain.out, root);

    CopyingStream expat;
    expat.parseBuffer(root, "case");
    EXPECT_EQ(expat.out,
              "<x:a xmlns:x=\"u\"><x:b r=\"A&amp;1\" s=\"2\">t&lt;1\xE2\x82\xAC A</x:b>"
              "<x:c/><x:d/><x:e v=\"&#10;\"/>tail</x:a>");
}

TEST(PlainXmlReader, AgreesWithExpatOnEveryXmlPartOfTheCorpus) {
    int accepted = 0;
    int parts = 0;
    std::vector<fs::path> files = corpusFiles();
    for (const auto& f : filesIn(fixtureDir()))
        files.push_back(f);
    for (const auto& file : files) {
        std::unique_ptr<pv::host::ZipReader> zip;
        try {
            zip = std::make_unique<pv::host::ZipReader>(file);
        } catch (const pv::Error&) {
            continue;  // not a package
        }
        for (const auto& entry : zip->entries()) {
            const std::string& name = entry.name;
            if (!name.ends_with(".xml") && !name.ends_with(".rels") && !name.ends_with(".vml"))
                continue;
            SCOPED_TRACE(file.string() + ": " + name);
            ++parts;
            Recorder plain;
            bool plainAccepted = false;
            try {
                plainAccepted = plain.parsePlain(*zip, name);
            } catch (const pv::Error&) {
                continue;  // the package itself is broken there
            }
            Recorder expat;
            try {
                expat.parse(*zip, name);
            } catch (const pv::Error& e) {
                EXPECT_FALSE(plainAccepted) << e.description();
                continue;
            }
            if (plainAccepted) {
                ++accepted;
                EXPECT_EQ(plain.log.joined(), expat.log.joined());
            }
        }
    }
    // Nearly every part real programs write is plain XML.
    EXPECT_GT(parts, 500);
    EXPECT_GT(accepted, parts * 9 / 10);
}

}  // namespace
