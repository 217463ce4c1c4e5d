// Watches another program from inside Wine with a 1 ms poll, so that the bench
// times what a user would see without starting a process per look.
//   benchprobe watch HWND MSG WANT STOPFILE
//       polls SendMessage(HWND, MSG) (a row count) until it has grown by WANT or
//       STOPFILE exists; prints "ready BASE", then "INDEX TIME" for each new row
//   benchprobe wait-window CLASS TIMEOUT_MS
//       prints "ready", then "TIME HWND" once a visible top-level window of CLASS
//       exists (exit status 1 on time-out)
#include <windows.h>

#include <string>
#include <vector>

#include "BenchCommon.h"

namespace {

using zez::bench::Now;

bool Count(HWND window, UINT msg, LRESULT* count) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, msg, 0, 0, SMTO_NORMAL, 10000, &result)) return false;
  *count = static_cast<LRESULT>(result);
  return true;
}

int Watch(HWND window, UINT msg, LRESULT want, const std::wstring& stopFile) {
  LRESULT base = 0;
  if (!Count(window, msg, &base)) return 1;
  std::printf("ready %lld\n", static_cast<long long>(base));
  std::fflush(stdout);
  std::vector<std::pair<LRESULT, double>> seen;
  LRESULT last = base;
  for (unsigned round = 0;; ++round) {
    LRESULT now = 0;
    if (!Count(window, msg, &now)) break;
    if (now > last) {
      const double at = Now();
      for (LRESULT i = last; i < now; ++i) seen.emplace_back(i, at);
    }
    last = now;
    if (now - base >= want) break;
    if (round % 16 == 0 && GetFileAttributesW(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(1);
  }
  for (const auto& [index, at] : seen)
    std::printf("%lld %.6f\n", static_cast<long long>(index), at);
  return 0;
}

int WaitWindow(const std::wstring& cls, DWORD timeoutMs) {
  std::printf("ready\n");
  std::fflush(stdout);
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    HWND found = FindWindowW(cls.c_str(), nullptr);
    if (found && IsWindowVisible(found)) {
      std::printf("%.6f %llu\n", Now(),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(found)));
      return 0;
    }
    if (GetTickCount64() >= deadline) return 1;
    Sleep(1);
  }
}

std::wstring Wide(const char* s) {
  return std::wstring(s, s + std::strlen(s));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  timeBeginPeriod(1);
  const std::string verb = argv[1];
  if (verb == "watch" && argc >= 6) {
    return Watch(zez::bench::ParseHwnd(argv[2]),
                 static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)),
                 static_cast<LRESULT>(std::strtoll(argv[4], nullptr, 0)), Wide(argv[5]));
  }
  if (verb == "wait-window" && argc >= 4) {
    return WaitWindow(Wide(argv[2]), static_cast<DWORD>(std::strtoul(argv[3], nullptr, 0)));
  }
  return 2;
}
