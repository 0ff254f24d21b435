// A test fixture whose thread is in a single-threaded COM apartment for the length of each test,
// as the host's thread is when it calls the plugin (shell links, structured storage).
#pragma once
#include <objbase.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>

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

// Saves a shell link object the test has set up to file; false when the shell cannot.
inline bool SaveShellLink(IShellLinkW* link, const std::wstring& file) {
    IPersistFile* persist = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) || !persist)
        return false;
    bool ok = SUCCEEDED(persist->Save(file.c_str(), TRUE));
    persist->Release();
    return ok;
}

} // namespace testing_support
