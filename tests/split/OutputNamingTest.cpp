#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/Error.h"
#include "split/OutputNaming.h"
#include "split/SplitErrors.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::split;
namespace fs = std::filesystem;

const std::string kByName(kNamingOptionTexts[0]);
const std::string kByWorkbookAndName(kNamingOptionTexts[1]);
const std::string kByA1(kNamingOptionTexts[2]);
const std::string kByUserCell(kNamingOptionTexts[3]);
const std::string kByNumber(kNamingOptionTexts[4]);

int errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const pv::Error& error) {
        return error.number();
    }
    return 0;
}

// The output folder of the example: a real temporary folder into which "saving" creates the file,
// for the source workbook /in/Sales.2020.xlsx with the content sheets North and South.
class NamingExample : public testing::Test {
  protected:
    std::string folder() const { return out_.path().string() + "/"; }

    void touch(const std::string& name) const { std::ofstream(out_ / name) << "x"; }

    // Names and "saves" North and South in turn, as the run does; returns the bare names.
    std::vector<std::string> saveBoth(const std::string& option,
                                      const std::vector<std::string>& cellValues = {"", ""}) {
        std::vector<std::string> saved;
        const std::vector<std::string> sheets = {"North", "South"};
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            NamingInputs inputs{folder(),         sourceExtension("/in/Sales.2020.xlsx"),
                                sheets[i],        workbookBaseName("Sales.2020.xlsx"),
                                cellValues.at(i), fileNumber_};
            const std::optional<std::string> name = outputFileName(option, inputs);
            if (!name) {
                continue;
            }
            EXPECT_EQ(name->substr(0, folder().size()), folder());
            saved.push_back(name->substr(folder().size()));
            touch(saved.back());
            ++fileNumber_;
        }
        return saved;
    }

    pv::test::TempDir out_;
    int fileNumber_ = 1;
};

using Names = std::vector<std::string>;

TEST_F(NamingExample, SheetNameNumbersPastTakenNames) {
    EXPECT_EQ(saveBoth(kByName), (Names{"North.xlsx", "South.xlsx"}));
    fs::remove(out_ / "South.xlsx");
    touch("North_1.xlsx");
    EXPECT_EQ(saveBoth(kByName), (Names{"North_2.xlsx", "South.xlsx"}));
}

TEST_F(NamingExample, WorkbookAndSheetNameKeepsTheBaseNamesDots) {
    EXPECT_EQ(saveBoth(kByWorkbookAndName),
              (Names{"Sales.2020 North.xlsx", "Sales.2020 South.xlsx"}));
}

TEST_F(NamingExample, CellA1IsCleanedAndAnEmptyCellIsNoValue) {
    const Names cells = {"Q1/Q2: totals?", ""};
    EXPECT_EQ(saveBoth(kByA1, cells), (Names{"Q1Q2 totals.xlsx", "no_value.xls"}));
    EXPECT_EQ(saveBoth(kByA1, cells), (Names{"Q1Q2 totals_1.xlsx", "no_value_1.xlsx"}));
    EXPECT_EQ(saveBoth(kByA1, cells), (Names{"Q1Q2 totals_2.xlsx", "no_value_2.xlsx"}));
}

TEST_F(NamingExample, UserCellNamesLikeCellA1FromTheRangesFirstCell) {
    EXPECT_EQ(namingCell(NamingOption::UserCell, "$C$3:$E$9"), (pv::host::CellRef{3, 3}));
    EXPECT_EQ(namingCell(NamingOption::UserCell, "$C$7"), (pv::host::CellRef{7, 3}));
    EXPECT_EQ(namingCell(NamingOption::CellA1, ""), (pv::host::CellRef{1, 1}));
    EXPECT_FALSE(namingCell(NamingOption::UserCell, ""));
    EXPECT_FALSE(namingCell(NamingOption::SheetName, "$C$3"));
    EXPECT_EQ(saveBoth(kByUserCell, {"Q1/Q2: totals?", ""}),
              (Names{"Q1Q2 totals.xlsx", "no_value.xls"}));
}

TEST_F(NamingExample, FileNumbersCountOnWithoutLookup) {
    touch("1");
    EXPECT_EQ(saveBoth(kByNumber), (Names{"1", "2"}));
    EXPECT_EQ(saveBoth(kByNumber), (Names{"3", "4"}));
}

TEST_F(NamingExample, UnknownOptionOrMissingRangeSavesNothing) {
    EXPECT_EQ(saveBoth("New filenames will be based on Sheet name"), Names{});
    EXPECT_EQ(saveBoth(kByName + " "), Names{});
    EXPECT_EQ(saveBoth(""), Names{});
    NamingInputs noRange{folder(), ".xlsx", "North", "Sales", std::nullopt, 1};
    EXPECT_FALSE(outputFileName(kByUserCell, noRange));
    EXPECT_TRUE(fs::is_empty(out_.path()));
}

TEST(NamingOption, TextsRoundTrip) {
    for (const std::string_view text : kNamingOptionTexts) {
        ASSERT_TRUE(namingOptionFromText(text));
        EXPECT_EQ(namingOptionText(*namingOptionFromText(text)), text);
    }
}

TEST(CellStem, RemovesOnlyTheForbiddenCharacters) {
    EXPECT_EQ(cleanCellStem("a/b\\c*d:e?f<g>h|i"), "abcdefghi");
    EXPECT_EQ(cleanCellStem("say \"hi\". ok"), "say \"hi\". ok");
    EXPECT_EQ(cleanCellStem("//"), "");
}

TEST(CellStem, CutsAt128CharactersNeverInsideOne) {
    EXPECT_EQ(cleanCellStem(std::string(200, 'x')), std::string(128, 'x'));
    EXPECT_EQ(cleanCellStem(std::string(128, 'x')), std::string(128, 'x'));
    // Removed characters do not count towards the 128.
    EXPECT_EQ(cleanCellStem(std::string(10, '/') + std::string(130, 'x')), std::string(128, 'x'));
    const std::string e = "\xC3\xA9";             // two bytes
    const std::string clef = "\xF0\x9D\x84\x9E";  // four bytes
    std::string accented;
    for (int i = 0; i < 200; ++i) {
        accented += e;
    }
    EXPECT_EQ(cleanCellStem(accented), accented.substr(0, 256));
    EXPECT_EQ(cleanCellStem(std::string(127, 'x') + clef + clef), std::string(127, 'x') + clef);
}

TEST(NameSearch, LongCellValueGetsItsNumberAfterTheCut) {
    pv::test::TempDir out;
    const std::string folder = out.path().string() + "/";
    NamingInputs inputs{folder, ".xlsx", "North", "Sales", std::string(200, 'v'), 1};
    const std::string stem(128, 'v');
    EXPECT_EQ(outputFileName(kByA1, inputs), folder + stem + ".xlsx");
    std::ofstream(folder + stem + ".xlsx") << "x";
    EXPECT_EQ(outputFileName(kByA1, inputs), folder + stem + "_1.xlsx");
}

TEST(NameSearch, ARunNamingManyOutputsAlikeLooksEachNameUpOnce) {
    std::set<std::string> taken;
    std::size_t lookups = 0;
    const pv::split::IsTaken isTaken = [&](const std::string& name) {
        ++lookups;
        return taken.contains(name);
    };
    pv::split::FreeNumbers numbers;
    for (const std::string stem : {"Data", "Summary"}) {
        for (int i = 0; i < 2000; ++i) {
            NamingInputs inputs{"/out/", ".xlsx", stem, "Book", std::nullopt, 1};
            const auto name = outputFileName(kByName, inputs, isTaken, &numbers);
            ASSERT_TRUE(name);
            EXPECT_EQ(*name, "/out/" + stem + (i == 0 ? "" : "_" + std::to_string(i)) + ".xlsx");
            taken.insert(*name);
        }
    }
    EXPECT_LE(lookups, 2u * 2 * 2000);  // the plain name and the next number, not every number
    // A number a file took meanwhile is passed over all the same.
    taken.insert("/out/Data_2000.xlsx");
    NamingInputs inputs{"/out/", ".xlsx", "Data", "Book", std::nullopt, 1};
    EXPECT_EQ(outputFileName(kByName, inputs, isTaken, &numbers), "/out/Data_2001.xlsx");
}

// A stem of removed characters only would give a hidden ".xlsm": it is named as an empty cell.
TEST(NameSearch, OnlyRemovedCharactersGiveTheNoValueName) {
    pv::test::TempDir out;
    const std::string folder = out.path().string() + "/";
    NamingInputs inputs{folder, ".xlsm", "North", "Sales", "//", 1};
    EXPECT_EQ(outputFileName(kByA1, inputs), folder + "no_value.xls");
    std::ofstream(folder + "no_value.xls") << "x";
    EXPECT_EQ(outputFileName(kByA1, inputs), folder + "no_value_1.xlsm");
}

// Every option's stem: no hidden files, no control characters, no blanks or dots at the ends.
TEST(NameSearch, EveryStemIsSavedVisibleAndWithoutControlCharacters) {
    pv::test::TempDir out;
    const std::string folder = out.path().string() + "/";
    struct Case {
        const std::string* option;
        std::string sheet, base, cell, expected;
    };
    const std::vector<Case> cases = {
        {&kByA1, "North", "Sales", ".profile", "profile.xlsx"},
        {&kByA1, "North", "Sales", "two\nlines\r\tand\x7f bell\x01", "twolinesand bell.xlsx"},
        {&kByA1, "North", "Sales", "  padded . ..", "padded.xlsx"},
        {&kByA1, "North", "Sales", " . ", "no_value.xls"},
        {&kByUserCell, "North", "Sales", "...x.y...", "x.y.xlsx"},
        {&kByName, ".hidden", "Sales", "", "hidden.xlsx"},
        {&kByName, ".", "Sales", "", "no_value.xls"},
        {&kByName, " Tab\there ", "Sales", "", "Tabhere.xlsx"},
        {&kByWorkbookAndName, "North.", "", "", "North.xlsx"},
        {&kByWorkbookAndName, "North", ".bashrc", "", "bashrc North.xlsx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sheet + "|" + c.base + "|" + c.cell);
        const NamingInputs inputs{folder, ".xlsx", c.sheet, c.base, c.cell, 1};
        EXPECT_EQ(outputFileName(*c.option, inputs), folder + c.expected);
    }
    // A sheet name that would leave the folder is still refused, not cleaned into another name.
    const NamingInputs crafted{folder, ".xlsx", "../North", "Sales", "", 1};
    EXPECT_EQ(errorNumberOf([&] { outputFileName(kByName, crafted); }),
              pv::number(pv::split::SplitError::UnsafeStem));
}

// 200 three-byte characters are 128 characters, 384 bytes: more than a name may hold here. The
// stem is cut further, on a character boundary, so that it, "_32767" and the extension fit.
TEST(NameSearch, ALongNonAsciiStemFitsTheFileSystemsNameLimit) {
    std::string wide;
    for (int i = 0; i < 200; ++i) {
        wide += "\xE6\x95\xB0";  // U+6570
    }
    for (const std::string* option : {&kByA1, &kByWorkbookAndName}) {
        SCOPED_TRACE(*option);
        pv::test::TempDir out;
        const std::string folder = out.path().string() + "/";
        const NamingInputs inputs{folder, ".xlsx", "North", wide, wide, 1};
        const auto name = outputFileName(*option, inputs);
        ASSERT_TRUE(name);
        const std::string stem = name->substr(folder.size(), name->size() - folder.size() - 5);
        EXPECT_EQ(stem.size() % 3, 0u) << "a character was split";
        EXPECT_LE(stem.size() + std::string("_32767.xlsx").size(), 255u);
        EXPECT_GE(stem.size() + std::string("_32767.xlsx").size(), 253u);
        EXPECT_EQ(stem, wide.substr(0, stem.size()));
        EXPECT_TRUE(std::ofstream(*name) << "x");
        const auto next = outputFileName(*option, inputs);
        EXPECT_EQ(*next, folder + stem + "_1.xlsx");
        EXPECT_TRUE(std::ofstream(folder + stem + "_32767.xlsx") << "x");
    }
    EXPECT_EQ(fitStem(std::string(10, 'a') + " b", 11), std::string(10, 'a'));
}

TEST(NameSearch, EveryKindOfEntryIsTaken) {
    pv::test::TempDir out;
    const std::string folder = out.path().string() + "/";
    fs::create_directory(out / "Folder.xlsx");
    fs::create_symlink(out / "nowhere", out / "Link.xlsx");
    std::ofstream(out / ".Hidden.xlsx") << "x";
    EXPECT_EQ(firstFreeName(folder, "Folder", ".xlsx"), folder + "Folder_1.xlsx");
    EXPECT_EQ(firstFreeName(folder, "Link", ".xlsx"), folder + "Link_1.xlsx");
    EXPECT_EQ(firstFreeName(folder, ".Hidden", ".xlsx"), folder + ".Hidden_1.xlsx");
    // Another case is another name on this system.
    EXPECT_EQ(firstFreeName(folder, "folder", ".xlsx"), folder + "folder.xlsx");
}

TEST(NameSearch, FailuresAreErrorsNotLoops) {
    pv::test::TempDir out;
    const std::string folder = out.path().string() + "/";
    int lookups = 0;
    const IsTaken allTaken = [&](const std::string&) { return ++lookups > 0; };
    EXPECT_EQ(errorNumberOf([&] { firstFreeName(folder, "North", ".xlsx", allTaken); }),
              pv::number(pv::split::SplitError::NoFreeName));
    EXPECT_EQ(lookups, kLastNumber + 1);
    EXPECT_EQ(errorNumberOf([&] { firstFreeNoValueName(folder, ".xlsx", allTaken); }),
              pv::number(pv::split::SplitError::NoFreeName));
    const IsTaken allButLast = [&](const std::string& name) {
        return name != folder + "North_32767.xlsx";
    };
    EXPECT_EQ(firstFreeName(folder, "North", ".xlsx", allButLast), folder + "North_32767.xlsx");

    EXPECT_EQ(fileNumberName(folder, kLastNumber), folder + "32767");
    EXPECT_EQ(errorNumberOf([&] { fileNumberName(folder, kLastNumber + 1); }),
              pv::number(pv::split::SplitError::FileNumberExhausted));

    // A crafted sheet name must not lead out of the folder.
    EXPECT_EQ(errorNumberOf([&] { firstFreeName(folder, "../../North", ".xlsx"); }),
              pv::number(pv::split::SplitError::UnsafeStem));
    EXPECT_EQ(errorNumberOf([&] { firstFreeName(folder, "a\\b", ".xlsx"); }),
              pv::number(pv::split::SplitError::UnsafeStem));

    // A name the file system cannot hold is reported, not taken for free.
    std::string longStem;
    for (int i = 0; i < 128; ++i) {
        longStem += "\xC3\xA9";
    }
    EXPECT_EQ(errorNumberOf([&] { firstFreeName(folder, longStem, ".xlsx"); }),
              pv::number(pv::split::SplitError::LookupFailed));
    EXPECT_TRUE(fs::is_empty(out.path()));
}

TEST(SourceNames, ExtensionAndBaseName) {
    EXPECT_EQ(sourceExtension("C:\\In\\Sales.2020.xlsx"), ".xlsx");
    EXPECT_EQ(sourceExtension("/in/report.2021.XLSM"), ".XLSM");
    EXPECT_EQ(sourceExtension("/in/my.folder/README"), ".xlsx");
    EXPECT_EQ(sourceExtension("/in/report."), ".xlsx");
    EXPECT_EQ(sourceExtension("/in/.xltx"), ".xltx");
    EXPECT_EQ(workbookBaseName("report.2021.xlsx"), "report.2021");
    EXPECT_EQ(workbookBaseName("Sales.xlsx"), "Sales");
    EXPECT_EQ(workbookBaseName("README"), "");
    EXPECT_EQ(workbookBaseName("/in/my.folder/Sales.xlsx"), "Sales");
}

}  // namespace
