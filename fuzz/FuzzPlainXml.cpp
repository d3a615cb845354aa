// libFuzzer target holding the plain XML reader to expat: a document the plain reader accepts
// must be one expat accepts, with the same elements, attributes and text. Declining is always
// allowed (expat then reads the document); accepting differently is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Error.h"
#include "host/xml/XmlStream.h"

namespace {

class Recorder : public pv::host::XmlStream {
  public:
    std::string log;

  protected:
    void onStart(const char* name, const char** attributes) override {
        log += '<';
        log += name;
        for (auto a = attributes; *a != nullptr; a += 2) {
            log += std::string(" ") + a[0] + "=[" + a[1] + "]";
        }
        log += '>';
    }
    void onEnd(const char* name) override { log += std::string("</") + name + ">"; }
    // Text is recorded byte by byte, so however either reader splits it, the logs compare.
    void onText(const char* text, int length) override {
        for (int i = 0; i < length; ++i) {
            log += '{';
            log += text[i];
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string xml(reinterpret_cast<const char*>(data), size);
    Recorder plain;
    if (!plain.parsePlainBuffer(xml)) {
        return 0;
    }
    Recorder expat;
    try {
        expat.parseBuffer(xml, "input");
    } catch (const pv::Error& e) {
        std::fprintf(stderr, "plain reader accepted what expat refuses: %s\n",
                     e.description().c_str());
        std::abort();
    }
    if (plain.log != expat.log) {
        std::fprintf(stderr, "plain reader: %s\nexpat:        %s\n", plain.log.c_str(),
                     expat.log.c_str());
        std::abort();
    }
    return 0;
}
