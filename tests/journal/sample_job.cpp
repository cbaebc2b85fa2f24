#include "sample_job.h"

namespace korvath {

bool operator==(const ResultRow& a, const ResultRow& b) {
  return a.keyword == b.keyword && a.region == b.region && a.pos == b.pos && a.title == b.title &&
         a.text == b.text && a.domain == b.domain && a.cardRegion == b.cardRegion &&
         a.cardEmail == b.cardEmail && a.cardAddress == b.cardAddress &&
         a.cardCompany == b.cardCompany && a.cardPhone1 == b.cardPhone1;
}

}  // namespace korvath

namespace korvath::journal_test {
namespace {

constexpr int kTasks = 24;

int PagesOfTask(int task) { return 1 + (task * 5) % 7; }

int RowsOfPage(int task, int page) { return (task * 7 + page * 3) % 11; }

QString AddressOf(int task, int page) {
  return QStringLiteral(
             "https://example.test/search/direct?text=%D0%BE%D0%BA%D0%BD%D0%B0&task=%1&p=%2")
      .arg(task)
      .arg(page);
}

ResultRow RowOf(int task, int page, int index, int position) {
  const QString tag = QStringLiteral("%1.%2.%3").arg(task).arg(page).arg(index);
  return {QStringLiteral("окна пвх %1").arg(task / 4),
          QStringLiteral("Москва"),
          QString::number(position),
          QStringLiteral("Окна «Эталон» ") + tag,
          QStringLiteral("Скидка до 40%; монтаж за 1 день — ") + tag,
          QStringLiteral("okna-%1.ru").arg(tag),
          index % 3 == 0 ? QString() : QStringLiteral("Россия, Москва"),
          QStringLiteral("info@okna.ru"),
          QStringLiteral("ул. Тверская, д. 1"),
          QStringLiteral("ООО 'Окна'"),
          QStringLiteral("+7 (495) 123-45-67")};
}

int FirstPageOfTask(int task) {
  int page = 0;
  for (int t = 0; t < task; ++t) page += PagesOfTask(t);
  return page;
}

}  // namespace

int SampleTaskCount() { return kTasks; }

int SamplePageCount() { return FirstPageOfTask(kTasks); }

JournalInputs SampleJobInputs() {
  JournalInputs inputs;
  inputs.queryLines = {QStringLiteral("окна пвх 0"), QStringLiteral("окна пвх 1"), QString(),
                       QStringLiteral("окна пвх 2")};
  inputs.regionEntries = {QStringLiteral("Москва=213"), QStringLiteral("Санкт-Петербург=2")};
  inputs.retryCount = 3;
  inputs.capEnabled = true;
  inputs.capValue = 40;
  for (int task = 0; task < kTasks; ++task) {
    inputs.tasks.append(
        {QStringLiteral("окна пвх %1").arg(task / 4), inputs.regionEntries[task % 2]});
  }
  return inputs;
}

QStringList SampleFirstAddresses() {
  QStringList addresses;
  for (int task = 0; task < kTasks; ++task) addresses.append(AddressOf(task, 0));
  return addresses;
}

SamplePage SamplePageAt(int page) {
  int task = 0;
  while (FirstPageOfTask(task + 1) <= page) ++task;
  const int pageOfTask = page - FirstPageOfTask(task);
  int position = 0;
  for (int p = 0; p < pageOfTask; ++p) position += RowsOfPage(task, p);
  SamplePage sample;
  sample.task = task;
  for (int index = 0; index < RowsOfPage(task, pageOfTask); ++index)
    sample.rows.append(RowOf(task, pageOfTask, index, ++position));
  const bool last = pageOfTask + 1 == PagesOfTask(task);
  sample.progress = {last ? QString() : AddressOf(task, pageOfTask + 1), position, position, last};
  return sample;
}

int NextSamplePage(const QList<TaskProgress>& progress) {
  for (int task = 0; task < progress.size(); ++task) {
    if (progress[task].done) continue;
    const QString address = progress[task].nextAddress;
    const int page = address.mid(address.lastIndexOf(QStringLiteral("&p=")) + 3).toInt();
    return FirstPageOfTask(task) + page;
  }
  return -1;
}

QList<ResultRow> SampleRowsAfter(int pages) {
  QList<ResultRow> rows;
  for (int page = 0; page < pages; ++page) rows += SamplePageAt(page).rows;
  return rows;
}

QList<TaskProgress> SampleProgressAfter(int pages) {
  QList<TaskProgress> progress;
  for (const QString& address : SampleFirstAddresses()) progress.append({address, 0, 0, false});
  for (int page = 0; page < pages; ++page) {
    const SamplePage sample = SamplePageAt(page);
    progress[sample.task] = sample.progress;
  }
  return progress;
}

std::unique_ptr<JobJournal> OpenTestJournal(const QString& folder, QString* setAside) {
  return JobJournal::Open(folder, setAside, {std::chrono::milliseconds(200)});
}

}  // namespace korvath::journal_test
