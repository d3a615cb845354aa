// Streaming a big part, which is inflated on a second thread ahead of the reader: every byte
// arrives in order, the reader can stop or fail at any point without a hang, and a corrupt
// entry still ends in the numbered error.
#include <gtest/gtest.h>

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
