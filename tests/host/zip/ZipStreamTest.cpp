// Streaming a big part, which is inflated on a second thread ahead of the reader: every byte
// arrives in order, the reader can stop or fail at any point without a hang, and a corrupt
// entry still ends in the numbered error.
#include <gtest/gtest.h>

#include <zlib.h>

#include <fstream>
#include <stdexcept>
#include <thread>

#include "core/Error.h"
#include "core/EventHook.h"
#include "host/PackageBuilder.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

// About 20 MB of rows that compress as worksheets do.
std::string bigPart() {
    std::string xml = "<sheetData>";
    for (long long row = 1; xml.size() < (20u << 20); ++row) {
        xml += "<row r=\"" + std::to_string(row) + "\"><c r=\"A" + std::to_string(row) + "\"><v>" +
               std::to_string(row * 7919 % 100003) + "</v></c></row>";
    }
    return xml + "</sheetData>";
}

// The package is written once for all cases: compressing 20 MB takes a while.
class ZipStream : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        part_ = new std::string(bigPart());
        writePackage(file(), {{"big.xml", *part_}, {"small.xml", "<a/>"}});
    }
    static void TearDownTestSuite() {
        delete dir_;
        delete part_;
    }
    static fs::path file() { return *dir_ / "big.zip"; }

    static TempDir* dir_;
    static std::string* part_;
};

TempDir* ZipStream::dir_ = nullptr;
std::string* ZipStream::part_ = nullptr;

TEST_F(ZipStream, ABigPartArrivesWholeAndInOrderAndCanBeReadAgain) {
    pv::host::ZipReader zip(file());
    for (int pass = 0; pass < 2; ++pass) {
        std::string read;
        int chunks = 0;
        zip.stream("big.xml", [&](const char* bytes, std::size_t n) {
            read.append(bytes, n);
            ++chunks;
            return true;
        });
        EXPECT_GT(chunks, 1);
        EXPECT_TRUE(read == *part_) << "read " << read.size() << " of " << part_->size();
    }
    EXPECT_EQ(zip.read("small.xml"), "<a/>");
}

TEST_F(ZipStream, TheReaderMayStopOrFailAtAnyPointWithoutAHang) {
    pv::host::ZipReader zip(file());
    for (int stopAfter : {1, 2, 3, 10}) {
        int chunks = 0;
        zip.stream("big.xml", [&](const char*, std::size_t) { return ++chunks < stopAfter; });
        EXPECT_EQ(chunks, stopAfter);
    }
    int chunks = 0;
    EXPECT_THROW(zip.stream("big.xml",
                            [&](const char*, std::size_t) -> bool {
                                if (++chunks == 3)
                                    throw std::runtime_error("the reader gave up");
                                return true;
                            }),
                 std::runtime_error);
    // The archive is still usable afterwards.
    std::size_t total = 0;
    zip.stream("big.xml", [&](const char*, std::size_t n) {
        total += n;
        return true;
    });
    EXPECT_EQ(total, part_->size());
}

TEST_F(ZipStream, ACorruptBigEntryEndsInTheNumberedErrorAfterTheGoodBytes) {
    const fs::path corrupt = *dir_ / "corrupt.zip";
    fs::copy_file(file(), corrupt);
    {
        std::fstream out(corrupt, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(static_cast<std::streamoff>(fs::file_size(corrupt) / 2));
        out.write("\xFF\x00\xFF\x00\xFF\x00\xFF\x00", 8);
    }
    pv::host::ZipReader zip(corrupt);
    std::size_t total = 0;
    try {
        zip.stream("big.xml", [&](const char*, std::size_t n) {
            total += n;
            return true;
        });
        FAIL() << "a corrupt entry was read as good";
    } catch (const pv::Error& e) {
        // Damaged deflate data either fails to inflate or inflates past its declared size.
        EXPECT_TRUE(e.number() == pv::number(pv::host::ZipError::CorruptZip) ||
                    e.number() == pv::number(pv::host::ZipError::ZipBomb))
            << e.number();
        EXPECT_NE(e.description().find("big.xml"), std::string::npos);
    }
    EXPECT_LT(total, part_->size());
}

// A window reading on its own thread gets a pulse every 16 MB to let its events through.
TEST_F(ZipStream, LongReadsPulseOnTheReadingThreadWhileAHookIsInstalled) {
    pv::host::ZipReader zip(file());
    const auto drain = [&](const char* part) {
        zip.stream(part, [](const char*, std::size_t) { return true; });
    };
    int beats = 0;
    std::thread::id beatThread;
    {
        pv::EventHook pulse([&] {
            ++beats;
            beatThread = std::this_thread::get_id();
        });
        drain("small.xml");
        EXPECT_EQ(beats, 0);
        drain("big.xml");  // 20 MB
        EXPECT_EQ(beats, 1);
        EXPECT_EQ(beatThread, std::this_thread::get_id());
        {
            int inner = 0;
            pv::EventHook nested([&] { ++inner; });
            drain("big.xml");
            EXPECT_EQ(inner, 1);
        }
        drain("big.xml");
        EXPECT_EQ(beats, 2);  // the outer hook is back
    }
    drain("big.xml");
    EXPECT_EQ(beats, 2);
}

}  // namespace

namespace {

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string rawDeflate(const std::string& data) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// A zip of one deflated entry whose headers say what the case wants, not what the data is.
void writeOneEntryZip(const fs::path& file, const std::string& deflated, std::uint32_t crc,
                      std::uint32_t size) {
    const std::string name = "a.xml";
    std::string header;
    put(header, 20, 2);  // version needed
    put(header, 0, 2);   // flags
    put(header, 8, 2);   // deflated
    put(header, 0, 2);   // time
    put(header, 0x21, 2);
    put(header, crc, 4);
    put(header, static_cast<std::uint32_t>(deflated.size()), 4);
    put(header, size, 4);
    put(header, static_cast<std::uint32_t>(name.size()), 2);
    put(header, 0, 2);  // extra field
    std::string zip;
    put(zip, 0x04034b50, 4);
    zip += header + name + deflated;
    const auto directory = static_cast<std::uint32_t>(zip.size());
    put(zip, 0x02014b50, 4);
    put(zip, 20, 2);  // made by
    zip += header;
    put(zip, 0, 2);  // comment
    put(zip, 0, 2);  // disk
    put(zip, 0, 2);  // internal attributes
    put(zip, 0, 4);  // external attributes
    put(zip, 0, 4);  // local header offset
    zip += name;
    const auto directorySize = static_cast<std::uint32_t>(zip.size()) - directory;
    put(zip, 0x06054b50, 4);
    put(zip, 0, 4);  // disks
    put(zip, 1, 2);
    put(zip, 1, 2);
    put(zip, directorySize, 4);
    put(zip, directory, 4);
    put(zip, 0, 2);
    std::ofstream(file, std::ios::binary) << zip;
}

// A part of about `bytes`, read back in order in steps; then refused, with the numbered error
// naming it, when its CRC, its declared size either way or its deflate data is wrong.
void expectEveryCheckKept(const fs::path& dir, std::size_t bytes) {
    std::string data = "<a>";
    for (long long i = 0; data.size() < bytes; ++i)
        data += "<b i=\"" + std::to_string(i * 7919 % 100003) + "\"/>";
    data += "</a>";
    const std::string deflated = rawDeflate(data);
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const auto size = static_cast<std::uint32_t>(data.size());

    writeOneEntryZip(dir / "good.zip", deflated, crc, size);
    pv::host::ZipReader good(dir / "good.zip");
    std::string streamed;
    std::size_t steps = 0;
    good.stream("a.xml", [&](const char* bytes, std::size_t n) {
        streamed.append(bytes, n);
        ++steps;
        return true;
    });
    EXPECT_EQ(streamed, data);
    EXPECT_GT(steps, 1u);  // the reader's buffer need not hold the part
    EXPECT_EQ(good.read("a.xml"), data);

    struct Case {
        const char* what;
        std::string deflated;
        std::uint32_t crc;
        std::uint32_t size;
        pv::host::ZipError error;
    };
    const std::vector<Case> cases = {
        {"a wrong CRC", deflated, crc ^ 1, size, pv::host::ZipError::CorruptZip},
        {"more data than declared", deflated, crc, size - 1, pv::host::ZipError::ZipBomb},
        {"less data than declared", deflated, crc, size + 1, pv::host::ZipError::CorruptZip},
        {"deflate data cut short", deflated.substr(0, deflated.size() / 2), crc, size,
         pv::host::ZipError::CorruptZip},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = dir / (std::string(c.what) + ".zip");
        writeOneEntryZip(file, c.deflated, c.crc, c.size);
        pv::host::ZipReader zip(file);
        try {
            zip.checkIntact("a.xml");
            FAIL() << "read as good";
        } catch (const pv::Error& e) {
            EXPECT_EQ(e.number(), pv::number(c.error)) << e.description();
            EXPECT_NE(e.description().find(file.string() + ": a.xml"), std::string::npos)
                << e.description();
        }
    }
}

// A part small enough to be inflated whole in one call keeps every check of the stepwise path.
TEST(ZipSmallParts, AreInflatedWholeWithEveryCheckKept) {
    TempDir dir;
    expectEveryCheckKept(dir.path(), 200000);
}

// A big part, inflated in steps on a second thread from its compressed bytes, keeps them too.
TEST(ZipBigParts, AreInflatedInStepsWithEveryCheckKept) {
    TempDir dir;
    expectEveryCheckKept(dir.path(), 9u << 20);
}

// A read expected to stop near the start of a part gets it in steps rather than whole: the
// same bytes either way, stopped early or not.
TEST(ZipSmallParts, ArriveTheSameWhetherReadWholeOrExpectedToStopEarly) {
    TempDir dir;
    std::string rows;
    for (int row = 1; rows.size() < 300'000; ++row) {
        rows += "<c r=\"A" + std::to_string(row) + "\"/>";
    }
    const fs::path file = dir / "rows.zip";
    writePackage(file, {{"rows.xml", rows}});
    const pv::host::ZipReader zip(file);
    using Extent = pv::host::ZipReader::Extent;
    for (const Extent extent : {Extent::Whole, Extent::Start}) {
        for (const std::size_t stopAfter : {std::size_t{1}, rows.size()}) {
            std::string got;
            zip.stream(
                "rows.xml",
                [&](const char* bytes, std::size_t n) {
                    got.append(bytes, n);
                    return got.size() < stopAfter;
                },
                extent);
            EXPECT_EQ(got, rows.substr(0, got.size()));
            EXPECT_EQ(got.size() == rows.size(), stopAfter == rows.size());
        }
    }
}

}  // namespace
