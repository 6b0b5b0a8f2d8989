#pragma once
// What every test of the loader starts from: default settings (the test's own afterwards put
// back), the load's test seams at rest, and a scratch folder for its files.

#include <gtest/gtest.h>

#include <string>

#include "loader/uLogLoader.h"
#include "settings/uSettings.h"
#include "uTestSupport.h"

class TLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedSettings = AppSettings;
    SetDefaultSettings();
  }
  void TearDown() override {
    LoadReadHook = nullptr;
    LoadReadChunk = 131072;
    LoadReservesAhead = true;
    AppSettings = SavedSettings;
  }
  std::string Write(const std::string& Name, const std::string& Bytes) { return Scratch.Write(Name, Bytes); }

  TAppSettings SavedSettings;
  TScratchDir Scratch{"skerrin-loader"};
  const std::filesystem::path& Dir = Scratch.Path();
};
