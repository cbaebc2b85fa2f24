// What the job journal costs: one results page of 10 rows committed, the file's size per 1,000
// rows, and, for a resume, opening a large journal (its check included) and reading its rows back.
#include "journal/job_journal.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace korvath {
namespace {

constexpr int kRowsPerPage = 10;

// Rows shaped like real ones: Cyrillic titles and texts, a phone, some rows without a card.
QList<ResultRow> Page(int page) {
  QList<ResultRow> rows;
  for (int i = 0; i < kRowsPerPage; ++i) {
    const int ad = page * kRowsPerPage + i;
    const bool noCard = ad % 10 == 0;
    const QString filler = QStringLiteral("Страница контактной информации отсутствует");
    rows.append(
        {QStringLiteral("пластиковые окна"), QStringLiteral("Москва"), QString::number(ad % 40 + 1),
         QStringLiteral("Пластиковые окна от производителя — скидки до 40%"),
         QStringLiteral("Окна ПВХ под ключ. Замер бесплатно! Монтаж за 1 день. Гарантия 10 лет."),
         QStringLiteral("okna-%1.ru").arg(ad),
         noCard ? filler : QStringLiteral("Россия, Москва, ул. Тверская, 1"),
         noCard ? filler : QStringLiteral("info@okna-%1.ru").arg(ad),
         noCard ? filler : QStringLiteral("г. Москва, ул. Тверская, д. 1, офис 12"),
         noCard ? filler : QStringLiteral("ООО «Окна Плюс»"),
         noCard ? filler : QStringLiteral("+7 (495) 123-45-67")});
  }
  return rows;
}

JournalInputs Inputs() {
  JournalInputs inputs;
  inputs.queryLines = {QStringLiteral("пластиковые окна")};
  inputs.regionEntries = {QStringLiteral("Москва=213")};
  inputs.tasks = {{inputs.queryLines[0], inputs.regionEntries[0]}};
  return inputs;
}

TaskProgress After(int page) {
  return {
      QStringLiteral("https://yandex.ru/search/direct?text=%D0%BE%D0%BA%D0%BD%D0%B0&lr=213&p=%1")
          .arg(page + 1),
      (page + 1) * kRowsPerPage, (page + 1) * kRowsPerPage, false};
}

qint64 JournalBytes(const QString& folder) {
  const QDir dir(folder);
  return QFileInfo(dir.filePath(QStringLiteral("job.sqlite"))).size() +
         QFileInfo(dir.filePath(QStringLiteral("job.sqlite-wal"))).size();
}

// A folder holding a closed journal of `pages` committed pages.
QString JournalOf(QTemporaryDir& folder, int pages) {
  QString setAside;
  auto journal = JobJournal::Open(folder.path(), &setAside);
  journal->StartJob(Inputs(), {After(-1).nextAddress});
  for (int page = 0; page < pages; ++page) journal->CommitPage(0, Page(page), After(page));
  return folder.path();
}

void BM_CommitPageOf10Rows(benchmark::State& state) {
  QTemporaryDir folder;
  QString setAside;
  auto journal = JobJournal::Open(folder.path(), &setAside);
  journal->StartJob(Inputs(), {After(-1).nextAddress});
  const QList<ResultRow> rows = Page(0);
  int page = 0;
  for (auto _ : state) {
    journal->CommitPage(0, rows, After(page));
    ++page;
  }
  state.SetItemsProcessed(state.iterations() * kRowsPerPage);
}

void BM_FileSizePer1000Rows(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0)) / kRowsPerPage;
  qint64 bytes = 0;
  for (auto _ : state) {
    QTemporaryDir folder;
    bytes = JournalBytes(JournalOf(folder, pages));
  }
  state.counters["bytes_per_1000_rows"] =
      static_cast<double>(bytes) * 1000.0 / static_cast<double>(state.range(0));
}

void BM_OpenLargeJournal(benchmark::State& state) {
  QTemporaryDir folder;
  JournalOf(folder, static_cast<int>(state.range(0)) / kRowsPerPage);
  for (auto _ : state) {
    QString setAside;
    benchmark::DoNotOptimize(JobJournal::Open(folder.path(), &setAside));
  }
  state.counters["bytes"] = static_cast<double>(JournalBytes(folder.path()));
}

void BM_ReadRowsOfLargeJournal(benchmark::State& state) {
  QTemporaryDir folder;
  JournalOf(folder, static_cast<int>(state.range(0)) / kRowsPerPage);
  QString setAside;
  auto journal = JobJournal::Open(folder.path(), &setAside);
  for (auto _ : state) {
    ResultTable table;
    journal->ReadRows([&](int, ResultRow&& row) { table.Append(row); });
    benchmark::DoNotOptimize(table.RowCount());
  }
}

BENCHMARK(BM_CommitPageOf10Rows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FileSizePer1000Rows)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenLargeJournal)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRowsOfLargeJournal)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvath

BENCHMARK_MAIN();
