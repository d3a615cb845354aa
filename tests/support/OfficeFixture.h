#pragma once
// Tests that need LibreOffice derive their suite from WithOffice: where soffice is not
// installed, each of them is skipped before its body runs.
#include <gtest/gtest.h>

namespace pv::test {

// True when LibreOffice is installed where officeSettingsFromEnvironment() looks for it.
bool officeInstalled();

class WithOffice : public ::testing::Test {
  protected:
    void SetUp() override;
};

}  // namespace pv::test
