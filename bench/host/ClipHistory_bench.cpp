// The label rule and the join, on the host. The label must cost the same for
// any length of text; the join of a large history must be one pass.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>

#include "app/ClipHistory.h"
#include "tests/host/CodePageFake.h"

namespace {

using namespace zez;

// A short first line, then CR LF lines up to `size` bytes.
std::string ShortFirstLine(std::size_t size) {
  std::string text = "first line\r\n";
  const std::string line = std::string(62, 'x') + "\r\n";
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

// Sizes and bodies named once; the adaptation to another label signature is here.
TClipLabel Label(const std::string& text) {
  return ClipLabel(text, IsLeadByte936);
}

void BM_LabelShortFirstLine(benchmark::State& state) {
  // Built once: the framework calls a benchmark several times while it sizes the run.
  static std::map<std::int64_t, std::string> texts;
  auto [it, fresh] = texts.try_emplace(state.range(0));
  if (fresh) it->second = ShortFirstLine(static_cast<std::size_t>(state.range(0)));
  const std::string& text = it->second;
  for (auto _ : state) benchmark::DoNotOptimize(Label(text));
}
BENCHMARK(BM_LabelShortFirstLine)->Arg(1 << 10)->Arg(100 << 20);

void BM_LabelLongFirstLine(benchmark::State& state) {
  // One line of `size` bytes of double-byte characters: the cut must stop at the limit.
  static std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) text += "\xd5\xb3";
  for (auto _ : state) benchmark::DoNotOptimize(Label(text));
}
BENCHMARK(BM_LabelLongFirstLine)->Arg(10 << 20);

class TNoRows : public TClipRows {
 public:
  void AddRow(const TClipLabel&) override {}
  void ClearRows() override {}
};

void BM_Join(benchmark::State& state) {
  static TClipTexts texts(static_cast<std::size_t>(state.range(0)), std::string(98, 'y') + "\r\n");
  bool skip = false;
  TNoRows rows;
  test::TSingleBytePage page;
  TClipHistory history(texts, skip, rows, page);
  for (auto _ : state) benchmark::DoNotOptimize(history.Join());
  state.SetBytesProcessed(state.iterations() * state.range(0) * 100);
}
BENCHMARK(BM_Join)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
