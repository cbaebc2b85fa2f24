// A catalogue of 5,000 labels: loading it, ticking every node and collecting the ticks.
#include "inputs/region_catalogue.h"
#include "inputs/saved_inputs.h"

#include <benchmark/benchmark.h>

namespace korvath {
namespace {

constexpr int kLabels = 5000;

// Countries > districts > subjects > cities, each label after its parent, rids as in real use.
QString MakeCatalogue() {
  QString text = u"<table><tr><td id=\"beginRegions\">"_qs;
  int rid = 1;
  int made = 0;
  const auto label = [&](const QString& path, const QString& name) {
    text += u"<div><input type=\"checkbox\"><label for=\"%1_\">%2</label></div>"_qs.arg(path, name);
    ++made;
  };
  for (int country = 0; made < kLabels; ++country) {
    const QString countryPath = QString::number(rid++);
    label(countryPath, u"Страна %1"_qs.arg(country));
    for (int district = 0; district < 8 && made < kLabels; ++district) {
      const QString districtPath = countryPath + u'_' + QString::number(rid++);
      label(districtPath, u"Округ %1"_qs.arg(district));
      for (int subject = 0; subject < 10 && made < kLabels; ++subject) {
        const QString subjectPath = districtPath + u'_' + QString::number(rid++);
        label(subjectPath, u"Область %1"_qs.arg(subject));
        for (int city = 0; city < 5 && made < kLabels; ++city)
          label(subjectPath + u'_' + QString::number(rid++), u"Город %1"_qs.arg(city));
      }
    }
  }
  return text + u"</td></tr></table>"_qs;
}

const QString& Catalogue() {
  static const QString text = MakeCatalogue();
  return text;
}

void BM_LoadCatalogue(benchmark::State& state) {
  for (auto _ : state) {
    RegionTreeModel tree;
    LoadRegionCatalogueText(tree, Catalogue());
    benchmark::DoNotOptimize(tree.NodeCount());
  }
}

void BM_TickAll(benchmark::State& state) {
  RegionTreeModel tree;
  LoadRegionCatalogueText(tree, Catalogue());
  bool checked = true;
  for (auto _ : state) {
    tree.SetAllChecked(checked);
    checked = !checked;
  }
}

void BM_CollectCheckedRegions(benchmark::State& state) {
  RegionTreeModel tree;
  LoadRegionCatalogueText(tree, Catalogue());
  tree.SetAllChecked(true);
  for (auto _ : state) benchmark::DoNotOptimize(CollectCheckedRegions(tree).size());
}

void BM_RestoreAllTicked(benchmark::State& state) {
  RegionTreeModel tree;
  LoadRegionCatalogueText(tree, Catalogue());
  tree.SetAllChecked(true);
  const QStringList texts = CollectCheckedNodeTexts(tree);
  for (auto _ : state) RestoreCheckedNodes(tree, texts);
}

BENCHMARK(BM_LoadCatalogue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TickAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CollectCheckedRegions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoreAllTicked)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvath

BENCHMARK_MAIN();
