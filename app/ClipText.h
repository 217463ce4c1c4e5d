#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace zez {

// A captured text: the bytes CF_TEXT delivered, in the ANSI code page, without
// the terminating zero. Never re-encoded, never changed after capture.
using ClipText = std::string;

// The history's entries; index 0 is the oldest.
using TClipTexts = std::vector<ClipText>;

}  // namespace zez
