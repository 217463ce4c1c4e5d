// Another program that holds the clipboard open until told to let go.
//   clipholder NAME    opens the clipboard, signals the event NAME-ready, waits
//                      for NAME-release (at most a minute), closes it.
// Exit status 0 on success, 1 when the clipboard could not be opened, 2 on a
// bad command line.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  // Names are plain ASCII.
  std::string arg = argv[1];
  std::wstring name(arg.begin(), arg.end());
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, (name + L"-release").c_str());
  if (!ready || !release) return 2;
  bool opened = false;
  for (int i = 0; i < 250 && !opened; ++i) {
    opened = OpenClipboard(nullptr) != FALSE;
    if (!opened) Sleep(20);
  }
  if (!opened) return 1;
  SetEvent(ready);
  WaitForSingleObject(release, 60000);
  CloseClipboard();
  return 0;
}
