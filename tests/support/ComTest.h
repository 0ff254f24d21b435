// A test fixture whose thread is in a single-threaded COM apartment for the length of each test,
// as the host's thread is when it calls the plugin (shell links, structured storage).
#pragma once
#include <objbase.h>

#include <gtest/gtest.h>

namespace testing_support {

class ComTest : public ::testing::Test {
  protected:
    void SetUp() override { initialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override {
        if (initialised_) CoUninitialize();
    }

  private:
    bool initialised_ = false;
};

} // namespace testing_support
