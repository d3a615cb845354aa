#include "OfficeFixture.h"

#include "office/OfficeConverter.h"

namespace pv::test {

bool officeInstalled() {
    return pv::office::OfficeConverter(pv::office::officeSettingsFromEnvironment()).available();
}

void WithOffice::SetUp() {
    if (!officeInstalled()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
}

}  // namespace pv::test
