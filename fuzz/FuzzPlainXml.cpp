// libFuzzer target holding the plain XML reader to expat: a document the plain reader accepts
// must be one expat accepts, with the same elements, attributes and text. Declining is always
// allowed (expat then reads the document); accepting differently is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Error.h"
#include "tests/support/XmlEventLog.h"

using Recorder = pv::test::XmlEventRecorder;

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
    if (plain.log.joined() != expat.log.joined()) {
        std::fprintf(stderr, "plain reader: %s\nexpat:        %s\n", plain.log.joined().c_str(),
                     expat.log.joined().c_str());
        std::abort();
    }
    return 0;
}
