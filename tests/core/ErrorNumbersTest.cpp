// Every layer's error numbers: unique across the program, each in its layer's range, so a number
// in a report tells at once where the failure came from.
#include <gtest/gtest.h>

#include "app/AppErrors.h"
#include "folders/FolderErrors.h"
#include "host/HostErrors.h"
#include "host/cells/CellErrors.h"
#include "host/package/PackageErrors.h"
#include "host/xml/XmlErrors.h"
#include "host/zip/ZipErrors.h"
#include "office/OfficeErrors.h"
#include "split/SplitErrors.h"

namespace {

using namespace pv::host;
using pv::AppError;
using pv::FolderError;
using pv::office::OfficeError;
using pv::split::SplitError;

// Far wider than any range in use, so a number out of place is still seen.
constexpr int kFirst = 1;
constexpr int kLast = 10000;

static_assert(pv::numbersAreUnique<ZipError, XmlError, PackageError, CellError, HostError,
                                   FolderError, SplitError, OfficeError, AppError>(kFirst, kLast),
              "two layers use the same error number");

template <pv::ErrorCode Code>
std::vector<int> numbersOutside(int first, int last) {
    std::vector<int> outside;
    for (int value = kFirst; value < kLast; ++value) {
        if (pv::isCode<Code>(value) && (value < first || value >= last))
            outside.push_back(value);
    }
    return outside;
}

TEST(ErrorNumbersTest, EachLayerKeepsToItsRange) {
    EXPECT_EQ(numbersOutside<ZipError>(1000, 2000), std::vector<int>{});
    EXPECT_EQ(numbersOutside<XmlError>(1000, 2000), std::vector<int>{});
    EXPECT_EQ(numbersOutside<PackageError>(1000, 2000), std::vector<int>{});
    EXPECT_EQ(numbersOutside<CellError>(1000, 2000), std::vector<int>{});
    EXPECT_EQ(numbersOutside<HostError>(1000, 2000), std::vector<int>{});
    EXPECT_EQ(numbersOutside<FolderError>(2000, 3000), std::vector<int>{});
    EXPECT_EQ(numbersOutside<SplitError>(3000, 3600), std::vector<int>{});
    EXPECT_EQ(numbersOutside<OfficeError>(3600, 3700), std::vector<int>{});
    EXPECT_EQ(numbersOutside<AppError>(4000, 5000), std::vector<int>{});
}

}  // namespace
