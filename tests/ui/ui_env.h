// The environment of a window test: a throwaway folder with APPDATA and HOME inside it
// (see env/temp_env.h) and the shared settings file opened there, so the per-user file,
// the folder registry and the recent-file list work as in the program without touching
// the real home folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "env/settings.h"
#include "env/temp_env.h"

namespace qn::test {

class UiTest : public ::testing::Test {
 protected:
  UiTest() {
    std::filesystem::create_directories(EtcFolder());
    OpenSettings((EtcFolder() / "veltrona.ini").string());
  }

  std::filesystem::path EtcFolder() const { return env_.AppData() / "Veltrona" / "etc"; }
  std::filesystem::path Work() const { return env_.Work(); }

  TempEnv env_;
};

}  // namespace qn::test
