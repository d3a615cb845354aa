// Archives as other writers lay them out open, as long as the central directory is true to the
// data: local headers may differ from it. What is unsafe is refused with its number: entries
// sharing bytes or reaching into the central directory, a wrong CRC once the entry is read, and
// workbooks encrypted with a password, before anything else is tried.
#include <gtest/gtest.h>

#include <string>

#include "core/Error.h"
#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "host/zip/CompoundFile.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;
using pv::host::ZipError;

// The error opening (and reading every part of) `file` gives; 0 when there is none.
int openingError(const fs::path& file, std::string* description = nullptr) {
    try {
        pv::host::ZipReader zip(file);
        for (const auto& entry : zip.entries()) {
            (void)zip.read(entry.name);
        }
        return 0;
    } catch (const pv::Error& e) {
        if (description != nullptr) {
            *description = e.description();
        }
        return e.number();
    }
}

struct Layout {
    const char* name;
    ArchiveEdit edit;
};

TEST(ZipLayout, LocalHeadersThatDifferFromTheCentralDirectoryOpen) {
    for (const auto& [name, edit] :
         {Layout{"DataDescriptorWithZeroCrcAndSize", {.dataDescriptors = true}},
          Layout{"LocalTimeFourSecondsOff", {.localTimeSkew = 4}},
          Layout{"Both", {.dataDescriptors = true, .localTimeSkew = 2}}}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const auto file = dir / (std::string(name) + ".xlsx");
        writePackage(file, sampleWorkbookParts());
        const auto parts = readPackage(file);
        editArchive(file, edit);
        std::string why;
        ASSERT_EQ(openingError(file, &why), 0) << why;
        EXPECT_EQ(readPackage(file), parts);

        auto book = pv::host::createEngineHost()->open(file);
        book->saveSheetAs(0, dir / "Alpha.xlsx");
        EXPECT_EQ(pv::host::createEngineHost()->open(dir / "Alpha.xlsx")->cellText(0, 1, 1),
                  "MarkerAlpha");
    }
}

TEST(ZipLayout, UnsafeLayoutsAreRefusedWithTheirNumber) {
    for (const auto& [name, edit] :
         {Layout{"OverlappingEntries", {.overlapWithFirst = 2}},
          Layout{"EntryReachingIntoTheCentralDirectory", {.lastEntryReach = 40}},
          Layout{"WrongCrc", {.wrongCrc = true}},
          Layout{"WrongCrcBehindDataDescriptors", {.dataDescriptors = true, .wrongCrc = true}}}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const auto file = dir / (std::string(name) + ".xlsx");
        writePackage(file, {{"a.xml", "<a>" + std::string(300, 'a') + "</a>"},
                            {"b.xml", "<b>" + std::string(300, 'b') + "</b>"},
                            {"c.xml", "<c/>", true}});
        editArchive(file, edit);
        std::string why;
        EXPECT_EQ(openingError(file, &why), pv::number(ZipError::CorruptZip)) << why;
        EXPECT_NE(why.find(file.string()), std::string::npos) << why;
    }
}

TEST(ZipLayout, OverlapNamesBothEntries) {
    TempDir dir;
    const auto file = dir / "overlap.xlsx";
    writePackage(file, {{"first.xml", "<a/>"}, {"second.xml", "<b/>"}});
    editArchive(file, {.overlapWithFirst = 1});
    std::string why;
    EXPECT_EQ(openingError(file, &why), pv::number(ZipError::CorruptZip));
    EXPECT_NE(why.find("first.xml and second.xml: the entries overlap"), std::string::npos) << why;
}

// A legacy workbook stream: BOF, then `second` (FILEPASS, 0x002F, when it is encrypted, often
// with the default password that readers open without asking).
std::string workbookStream(char second) {
    std::string stream = std::string("\x09\x08\x10\x00", 4) + std::string(16, '\0');
    stream += std::string(1, second) + std::string("\x00\x02\x00\x00\x00", 5);
    return stream + std::string(4096, '\0');
}

TEST(PasswordEncrypted, EncryptedWorkbooksGetTheirOwnErrorAndLegacyOnesKeepTheirs) {
    TempDir dir;
    const std::string content(4096, 'x');
    struct Case {
        const char* name;
        std::vector<std::pair<std::u16string, std::string>> streams;
        ZipError expected;
    };
    for (const auto& [name, streams, expected] :
         {Case{"EncryptedPackage",
               {{u"EncryptionInfo", content}, {u"EncryptedPackage", content}},
               ZipError::Encrypted},
          Case{"LegacyWithFilePass",
               {{u"Workbook", workbookStream('\x2F')}},
               ZipError::LegacyOrEncrypted},
          Case{"LegacyWithoutPassword",
               {{u"Workbook", workbookStream('\x42')}},
               ZipError::LegacyOrEncrypted},
          Case{
              "OnlyEncryptionInfo", {{u"EncryptionInfo", content}}, ZipError::LegacyOrEncrypted}}) {
        SCOPED_TRACE(name);
        const auto file = dir / (std::string(name) + ".xlsx");
        writeCompoundFile(file, streams);
        std::string why;
        EXPECT_EQ(openingError(file, &why), pv::number(expected)) << why;
        EXPECT_EQ(why.find("is encrypted with a password") != std::string::npos,
                  expected == ZipError::Encrypted)
            << why;
    }
}

TEST(PasswordEncrypted, CorpusSamplesAreToldApart) {
    const fs::path corpus = corpusDir();
    for (const char* encrypted : {"calamine/pass_protected.xlsx", "calamine/pass_protected.xlsb",
                                  "excelize/test_encryptAES.xlsx"}) {
        ASSERT_TRUE(fs::exists(corpus / encrypted)) << corpus / encrypted;
        EXPECT_TRUE(pv::host::isPasswordEncrypted(corpus / encrypted)) << encrypted;
    }
    std::size_t legacy = 0;
    for (const auto& file : filesIn(corpus / "calamine")) {  // none holds an encrypted package
        if (file.extension() == ".xls") {
            ++legacy;
            EXPECT_FALSE(pv::host::isPasswordEncrypted(file)) << file;
        }
    }
    EXPECT_GT(legacy, 0u) << "no legacy workbooks in " << corpus;
}

}  // namespace
