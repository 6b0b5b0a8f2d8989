#pragma once
// A viewer made in this program by the viewer's own window function rather than through the
// plug-in's exports, so that a test can reach its state; the settings are put back afterwards.

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "settings/uSettingsRecord.h"
#include "uTestSupport.h"
#include "viewer/uSkerrinState.h"
#include "win/uWinTestSupport.h"

// Count lines "2024-01-01 10:00:00 INFO <Word> <N>", N from 0, with ERROR for INFO where N ends in 3.
std::string NumberedLogLines(int Count, const char* Word = "line");

class InProcessViewerTest : public ::testing::Test {
 protected:
  // A viewer on a file named FileName holding Text, in a lister window of 900 x 500, with the
  // default settings as Adjust leaves them. Visible only where pixels are read back: taking a
  // visible window down is slow here.
  void CreateViewer(const std::string& Text, const wchar_t* FileName, bool Visible,
                    const std::function<void(TAppSettings&)>& Adjust);
  void TearDown() override;

  std::unique_ptr<TTempLog> Log;
  std::unique_ptr<THostWindow> Host;
  TAppSettings SavedSettings;
  HWND Viewer = nullptr;
  TSkerrinState* S = nullptr;
};
