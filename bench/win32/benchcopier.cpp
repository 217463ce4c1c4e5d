// Copies from inside Wine: CF_TEXT written by a Win32 program, timed on the
// system clock.
//   benchcopier burst N GAP_MS TAG     N distinct texts "TAG NNNN", GAP_MS after
//                                      each write ends; prints "I START END" each
//   benchcopier feed N TAG HWND MSG [BATCH]
//                                      N texts of 100 bytes, BATCH (1) at a time, each
//                                      batch once the last is handled (SendMessage(HWND,
//                                      MSG) counts the rows); prints "start TIME", then
//                                      "WRITTEN TIME ROWS" after each batch
//   benchcopier writepaste SIZE        one text of SIZE bytes, then Ctrl+V to the
//                                      foreground window; prints "START END"
#include <windows.h>

#include <string>
#include <vector>

#include "BenchCommon.h"

namespace {

using zez::bench::Now;

int Burst(int count, double gapMs, const std::string& tag) {
  std::vector<std::pair<double, double>> times;
  times.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    char text[128];
    std::snprintf(text, sizeof text, "%s %04d", tag.c_str(), i);
    const double start = Now();
    if (!zez::bench::WriteText(text)) return 1;
    const double end = Now();
    times.emplace_back(start, end);
    while ((Now() - end) * 1000.0 < gapMs) {
      const double left = gapMs - (Now() - end) * 1000.0;
      Sleep(left > 2 ? static_cast<DWORD>(left - 1) : 0);
    }
  }
  for (int i = 0; i < count; ++i)
    std::printf("%d %.6f %.6f\n", i, times[static_cast<std::size_t>(i)].first,
                times[static_cast<std::size_t>(i)].second);
  return 0;
}

bool Count(HWND window, UINT msg, LRESULT* count) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, msg, 0, 0, SMTO_NORMAL, 10000, &result)) return false;
  *count = static_cast<LRESULT>(result);
  return true;
}

int Feed(int count, const std::string& tag, HWND window, UINT msg, int batch) {
  LRESULT base = 0;
  if (!Count(window, msg, &base)) return 1;
  struct TBatch {
    int Written;
    double At;
    LRESULT Rows;
  };
  std::vector<TBatch> batches;
  batches.reserve(static_cast<std::size_t>(count / batch + 2));
  const double start = Now();
  for (int i = 0; i < count;) {
    for (int k = 0; k < batch && i < count; ++k, ++i) {
      char head[64];
      std::snprintf(head, sizeof head, "%s %07d ", tag.c_str(), i);
      std::string text = head;
      text.resize(98, 'f');
      text += "\r\n";
      if (!zez::bench::WriteText(text)) return 1;
    }
    // Notices and sent messages are handled in the order they came: once the
    // count answers, every notice of this batch has been handled.
    LRESULT rows = 0;
    if (!Count(window, msg, &rows)) return 1;
    batches.push_back({i, Now(), rows - base});
  }
  std::printf("start %.6f\n", start);
  for (const TBatch& b : batches)
    std::printf("%d %.6f %lld\n", b.Written, b.At, static_cast<long long>(b.Rows));
  return 0;
}

int WritePaste(std::size_t size) {
  const std::string text = zez::bench::LargeText(size, "writepaste");
  const double start = Now();
  if (!zez::bench::WriteText(text)) return 1;
  const double end = Now();
  keybd_event(VK_CONTROL, static_cast<BYTE>(MapVirtualKeyW(VK_CONTROL, MAPVK_VK_TO_VSC)), 0, 0);
  keybd_event('V', static_cast<BYTE>(MapVirtualKeyW('V', MAPVK_VK_TO_VSC)), 0, 0);
  keybd_event('V', static_cast<BYTE>(MapVirtualKeyW('V', MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP, 0);
  keybd_event(VK_CONTROL, static_cast<BYTE>(MapVirtualKeyW(VK_CONTROL, MAPVK_VK_TO_VSC)),
              KEYEVENTF_KEYUP, 0);
  std::printf("%.6f %.6f\n", start, end);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  timeBeginPeriod(1);
  const std::string verb = argv[1];
  if (verb == "burst" && argc >= 5) return Burst(std::atoi(argv[2]), std::atof(argv[3]), argv[4]);
  if (verb == "feed" && argc >= 6) {
    return Feed(std::atoi(argv[2]), argv[3], zez::bench::ParseHwnd(argv[4]),
                static_cast<UINT>(std::strtoul(argv[5], nullptr, 0)),
                argc > 6 ? std::atoi(argv[6]) : 1);
  }
  if (verb == "writepaste" && argc >= 3) return WritePaste(zez::bench::ParseSize(argv[2]));
  return 2;
}
