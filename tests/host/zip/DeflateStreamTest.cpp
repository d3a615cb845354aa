// Parts deflated as they are written: whole or in chunks joined into one stream, the bytes must
// inflate back exactly, carry the right CRC, never depend on how the writes were cut, and be no
// larger than zlib's level 6.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/Error.h"
#include "host/zip/DeflateStream.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"
#include "host/zip/ZipWriter.h"
#include "support/DiskFaults.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

using pv::host::DeflatedPart;
using pv::host::DeflateStream;

// Rows of a worksheet, repetitive as real ones are, with some unique text.
std::string sheetLike(std::size_t bytes) {
    std::string xml = "<sheetData>";
    for (int r = 1; xml.size() < bytes; ++r) {
        xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) +
               "\" t=\"s\"><v>" + std::to_string(r * 7919 % 100003) + "</v></c><c r=\"B" +
               std::to_string(r) + "\"><v>" + std::to_string(r % 997 * 1.25) + "</v></c></row>";
    }
    xml.resize(bytes);
    return xml;
}

std::string inflateRaw(const std::string& deflated, std::size_t size) {
    std::string out(size + 1, '\0');
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    z.avail_in = static_cast<uInt>(deflated.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u);  // nothing after the final block
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

std::size_t zlibLevel6Size(const std::string& input) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, input.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    const std::size_t size = z.total_out;
    deflateEnd(&z);
    return size;
}

TEST(DeflateStream, PartsInflateBackWithTheirCrcWhateverTheirSize) {
    // Empty, within one chunk, exactly one chunk, and several chunks with a short last one; as
    // text and as cell markup, whose long runs are deflated at another level.
    for (const auto content : {pv::host::PartContent::Text, pv::host::PartContent::CellMarkup}) {
        for (const std::size_t size : {std::size_t{0}, std::size_t{70'000}, DeflateStream::kChunk,
                                       3 * DeflateStream::kChunk + 12'345}) {
            SCOPED_TRACE(std::to_string(size) +
                         (content == pv::host::PartContent::Text ? " text" : " markup"));
            const std::string input = sheetLike(size);
            const DeflatedPart part = pv::host::deflatePart(input, content);
            EXPECT_EQ(part.size, input.size());
            EXPECT_EQ(part.crc,
                      crc32_z(0, reinterpret_cast<const Bytef*>(input.data()), input.size()));
            EXPECT_EQ(inflateRaw(part.bytes, input.size()), input);
            EXPECT_LE(part.bytes.size(), zlibLevel6Size(input));
        }
    }
}

TEST(DeflateStream, ChunksJoinWhateverTheirBlocksEndOn) {
    // Each chunk's last block ends on a different bit of its last byte, or on a byte boundary
    // after stored blocks of bytes that do not compress: the joins must hold for all of them.
    std::mt19937 random(7);
    for (int variant = 0; variant < 24; ++variant) {
        SCOPED_TRACE(variant);
        std::string input;
        for (int chunk = 0; chunk < 3; ++chunk) {
            std::string piece = sheetLike(DeflateStream::kChunk - 1000 * variant);
            const bool noise = (variant + chunk) % 4 == 0;
            for (std::size_t i = noise ? 0 : piece.size() - 40 * variant; i < piece.size(); ++i) {
                piece[i] = static_cast<char>(random());
            }
            input += piece;
        }
        input.resize(3 * DeflateStream::kChunk - 1);
        const DeflatedPart part = pv::host::deflatePart(input);
        EXPECT_EQ(inflateRaw(part.bytes, input.size()), input);
        EXPECT_EQ(part.crc, crc32_z(0, reinterpret_cast<const Bytef*>(input.data()), input.size()));
    }
}

TEST(DeflateStream, BytesDoNotDependOnHowTheWritesWereCut) {
    const std::string input = sheetLike(2 * DeflateStream::kChunk + 999);
    const DeflatedPart whole = pv::host::deflatePart(input);
    DeflateStream stream;
    stream.write("discarded");
    stream.reset();
    for (std::size_t at = 0, step = 1; at < input.size(); at += step, step = step * 3 % 65'521) {
        stream.write(std::string_view(input).substr(at, step));
    }
    const DeflatedPart pieces = stream.finish();
    EXPECT_EQ(pieces.bytes, whole.bytes);
    EXPECT_EQ(pieces.crc, whole.crc);
    // The stream is ready for the next part.
    stream.write("<a/>");
    EXPECT_EQ(inflateRaw(stream.finish().bytes, 4), "<a/>");
}

// Several parts deflated at once, as the sheets of one workbook are, share the worker threads'
// reused buffers and compressors: each must still get exactly the bytes it gets alone, and a
// stream dropped with chunks in flight (its writer failed) must neither hang nor leak them into
// the next one.
TEST(DeflateStream, PartsDeflatedAtOnceGetTheBytesTheyGetAlone) {
    std::vector<std::string> inputs;
    std::vector<DeflatedPart> alone;
    for (int i = 0; i < 3; ++i) {
        inputs.push_back(sheetLike(3 * DeflateStream::kChunk + 1000 * i));
        inputs.back()[static_cast<std::size_t>(i) * 4096] = 'x';
        alone.push_back(pv::host::deflatePart(inputs.back()));
    }
    std::vector<DeflatedPart> together(inputs.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        threads.emplace_back([&, i] {
            {
                DeflateStream dropped;
                dropped.write(sheetLike(5 * DeflateStream::kChunk + 7));
            }
            DeflateStream stream;
            stream.write(sheetLike(2 * DeflateStream::kChunk));
            stream.reset();
            for (std::size_t at = 0; at < inputs[i].size(); at += 100'000) {
                stream.write(std::string_view(inputs[i]).substr(at, 100'000));
            }
            together[i] = stream.finish();
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(together[i].bytes == alone[i].bytes);
        EXPECT_EQ(together[i].crc, alone[i].crc);
        EXPECT_EQ(together[i].size, inputs[i].size());
        EXPECT_TRUE(inflateRaw(together[i].bytes, inputs[i].size()) == inputs[i]);
    }
}

// Past its memory budget a part's deflated bytes wait in a temporary file: the entry written
// from memory and file together must be the one deflated in memory alone, byte for byte, and
// read back intact; a stream that spilled starts the next part in memory again.
TEST(DeflateStream, BytesPastTheMemoryBudgetReachTheOutputWhole) {
    const std::string input = sheetLike(4 * DeflateStream::kChunk + 4321);
    const DeflatedPart inMemory = pv::host::deflatePart(input);
    DeflateStream stream({}, pv::host::PartContent::Text, inMemory.bytes.size() / 3);
    stream.write(input);
    DeflatedPart spilled = stream.finish();
    ASSERT_TRUE(spilled.spill != nullptr);
    EXPECT_GT(spilled.spilled, 0u);
    EXPECT_EQ(spilled.compressedSize(), inMemory.bytes.size());
    EXPECT_EQ(spilled.crc, inMemory.crc);

    pv::test::TempDir dir;
    const auto file = dir / "out.zip";
    {
        pv::host::ZipWriter writer(file);
        writer.addDeflated("xl/worksheets/sheet1.xml", std::move(spilled));
        stream.write("<a/>");
        const DeflatedPart next = stream.finish();
        EXPECT_TRUE(next.spill == nullptr);
        writer.addDeflated("small.xml", next);
        writer.commit();
    }
    pv::host::ZipReader zip(file);
    EXPECT_EQ(zip.find("xl/worksheets/sheet1.xml")->compressedSize, inMemory.bytes.size());
    EXPECT_TRUE(zip.read("xl/worksheets/sheet1.xml") == input);
    EXPECT_EQ(zip.read("small.xml"), "<a/>");
}

// The bytes past the budget wait in the temporary folder TMPDIR names, under no name; when it is
// full, the error names the part and the folder, and nothing is left there.
TEST(DeflateStream, APartThatCannotWaitInAFullTemporaryFolderIsToldNamingPartAndFolder) {
    const std::string input = sheetLike(3 * DeflateStream::kChunk + 99);
    {
        pv::test::TempDir folder;
        pv::test::TmpdirAt temp(folder.path());
        DeflateStream stream("Book.xlsx: xl/worksheets/sheet1.xml", pv::host::PartContent::Text,
                             4096);
        stream.write(input);
        const DeflatedPart part = stream.finish();
        EXPECT_GT(part.spilled, 0u);
        EXPECT_TRUE(fs::is_empty(folder.path())) << "the waiting bytes have a name";
    }
    pv::test::SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    pv::test::TmpdirAt temp(disk.path());
    DeflateStream stream("Book.xlsx: xl/worksheets/sheet1.xml", pv::host::PartContent::Text, 4096);
    try {
        stream.write(input);
        stream.finish();
        FAIL() << "a part that could not be kept was deflated";
    } catch (const pv::Error& error) {
        EXPECT_EQ(error.number(), pv::number(pv::host::ZipError::CannotWriteOutput));
        for (const std::string& named :
             {std::string("Book.xlsx: xl/worksheets/sheet1.xml"), disk.path().string()}) {
            EXPECT_NE(error.description().find(named), std::string::npos)
                << named << " not in: " << error.description();
        }
    }
    EXPECT_TRUE(fs::is_empty(disk.path()));
}

}  // namespace
