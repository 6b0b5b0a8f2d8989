#include "win/uInProcessViewer.h"

#include "settings/uSettings.h"
#include "viewer/uWin32LogWindow.h"

std::string NumberedLogLines(int Count, const char* Word) {
  std::string Text;
  for (int I = 0; I < Count; ++I)
    Text += "2024-01-01 10:00:00 " + std::string(I % 10 == 3 ? "ERROR" : "INFO") + " " + Word + " " +
            std::to_string(I) + "\r\n";
  return Text;
}

void InProcessViewerTest::CreateViewer(const std::string& Text, const wchar_t* FileName, bool Visible,
                                       const std::function<void(TAppSettings&)>& Adjust) {
  // The old file goes first: the new one may have its name.
  Log.reset();
  Log = std::make_unique<TTempLog>(Text, FileName);
  Host = std::make_unique<THostWindow>(false, 900, 500, Visible);
  SavedSettings = AppSettings;
  // This program has no library entry point to set the defaults, so the schemes are set here.
  SetDefaultSettings();
  if (Adjust) Adjust(AppSettings);
  Viewer = CreateSkerrinWindow(Host->Top(), Utf8Path(Log->Path()), 0, AppSettings);
  ASSERT_NE(Viewer, nullptr);
  S = StateFromWindow(Viewer);
  ASSERT_NE(S, nullptr);
}

void InProcessViewerTest::TearDown() {
  if (Viewer && IsWindow(Viewer)) DestroyWindow(Viewer);
  AppSettings = SavedSettings;
}
