// Exporting a large result table: WriteCsv into memory, SaveCsvFile to disk, and as the peer
// the same bytes written to disk with one QFile::write.
#include "results/cp1251_encoder.h"
#include "results/csv_export.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace korvath {
namespace {

// Rows shaped like real ones: Cyrillic titles and texts, a phone with an area code, a city
// region, some rows without a card.
ResultTable MakeTable(int rows) {
  ResultTable table;
  for (int i = 0; i < rows; ++i) {
    const bool noCard = i % 10 == 0;
    const QString filler = u"Страница контактной информации отсутствует"_qs;
    table.Append({u"пластиковые окна"_qs, u"Москва"_qs, QString::number(i % 40 + 1),
                  u"Пластиковые окна от производителя — скидки до 40%"_qs,
                  u"Окна ПВХ под ключ. Замер бесплатно! Монтаж за 1 день. Гарантия 10 лет."_qs,
                  u"okna-%1.ru"_qs.arg(i), noCard ? filler : u"Россия, Москва, ул. Тверская, 1"_qs,
                  noCard ? filler : u"info@okna-%1.ru"_qs.arg(i),
                  noCard ? filler : u"г. Москва, ул. Тверская, д. 1, офис 12"_qs,
                  noCard ? filler : u"ООО «Окна Плюс»"_qs,
                  noCard ? filler : u"+7 (495) 123-45-67"_qs});
  }
  return table;
}

}  // namespace

const ResultTable& Table() {
  static const ResultTable table = MakeTable(100000);
  return table;
}

namespace {

void BM_WriteCsvToMemory(benchmark::State& state) {
  for (auto _ : state) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteCsv(buffer, Table(), CsvFile::Results);
    benchmark::DoNotOptimize(buffer.data().size());
  }
}

void BM_SaveCsvFile(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = QDir(dir.path()).filePath(u"results.csv"_qs);
  for (auto _ : state) SaveCsvFile(path, Table(), CsvFile::Results);
  state.counters["bytes"] = static_cast<double>(QFileInfo(path).size());
}

void BM_PeerOneFileWrite(benchmark::State& state) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  WriteCsv(buffer, Table(), CsvFile::Results);
  const QByteArray bytes = buffer.data();
  QTemporaryDir dir;
  const QString path = QDir(dir.path()).filePath(u"peer.csv"_qs);
  for (auto _ : state) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
      state.SkipWithError("cannot write the peer file");
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}

BENCHMARK(BM_WriteCsvToMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveCsvFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerOneFileWrite)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvath

// The table is built before timing starts, so no benchmark pays for it.
int main(int argc, char** argv) {
  korvath::Table();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
