#include "sample_page.h"

#include "engine/results_page.h"
#include "textutil/text_ops.h"

#include <benchmark/benchmark.h>

namespace korvath {
namespace {

constexpr int kAdsPerPage = 50;

const QString& Page(int scale) {
  static const QString pages[] = {SampleResultsPage(kAdsPerPage),
                                  SampleResultsPage(2 * kAdsPerPage)};
  return pages[scale - 1];
}

// Everything the job reads from one results page.
void AnalysePage(benchmark::State& state) {
  const QString& page = Page(int(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(NextPageAddress(page, u"https://yandex.ru",
                                             u"https://yandex.ru/search/direct?text=a&lr=213"));
    benchmark::DoNotOptimize(FoundLine(page));
    benchmark::DoNotOptimize(NothingFound(page));
    benchmark::DoNotOptimize(CardLinkCount(page));
    for (const QStringView block : AdBlocks(page)) {
      benchmark::DoNotOptimize(ReadAdFields(block));
    }
  }
  state.SetBytesProcessed(state.iterations() * page.size() * 2);
  state.counters["page_MB_utf8"] = double(page.toUtf8().size()) / (1024 * 1024);
}
BENCHMARK(AnalysePage)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The floor: one scan of the same page for a marker that is not there.
void IndexOfAbsentMarker(benchmark::State& state) {
  const QString& page = Page(int(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(page.indexOf(u"Pager-Item Pager-Item_type_prev"));
  }
  state.SetBytesProcessed(state.iterations() * page.size() * 2);
}
BENCHMARK(IndexOfAbsentMarker)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void CleanFragment(benchmark::State& state) {
  const QString fragment = SampleFragment(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(HtmlToText(fragment));
  }
  state.counters["fragment_KB_utf8"] = double(fragment.toUtf8().size()) / 1024;
  state.SetBytesProcessed(state.iterations() * fragment.size() * 2);
}
BENCHMARK(CleanFragment)
    ->Arg(50 * 1024)
    ->Arg(100 * 1024)
    ->Arg(200 * 1024)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvath

BENCHMARK_MAIN();
