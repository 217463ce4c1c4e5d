// The program's entry.
#include <windows.h>

#include "app/Unit1.h"
#include "clipboard/Clipbrd.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace zez;
  Application.Initialize();
  // Errors in tray clicks go to the same box as every other handler's.
  TRxTrayIcon::OnException = [](std::exception_ptr) { Application.HandleException(); };
  // Every opening of the clipboard is on behalf of the application window.
  Clipboard().SetOpenerWindow(Application.Handle());
  Application.CreateForm(Form1);
  Application.Run();
  ClipTexts.clear();
  ClipTexts.shrink_to_fit();
  return 0;
}
