// Every start-up test begins as a fresh program would: the shared globals at
// their start values, the run-once guard open and the test backend reset.
// The start-up makes its data folder current, so the folder current before
// the test comes back after it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "common/fresh_globals.h"
#include "platform/test/test_backend.h"
#include "settings/debug_log.h"
#include "startup/main_routine.h"

class StartupCase : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::current_path();
    testbackend::Reset();
    testutil::FreshGlobals();
    MainRoutineOnce = 0;
  }
  void TearDown() override {
    CloseDebugLog();
    std::filesystem::current_path(folder_);
  }

 private:
  std::filesystem::path folder_;
};
