#pragma once

#include <QDir>

#include "engine/scraper_test_fixture.h"
#include "journal/job_journal.h"

namespace korvath::testing {

// "окно" percent-encoded.
inline QString Okno() { return u"%D0%BE%D0%BA%D0%BD%D0%BE"_qs; }

// Every row as one line of its columns: what a results file would hold.
inline QStringList Rows(const ResultTable& table) {
  QStringList rows;
  for (qsizetype row = 0; row < table.RowCount(); ++row) {
    rows.append(QStringList{table.Data_Keyword[row], table.Data_Region[row], table.Data_Pos[row],
                            table.Data_Title[row], table.Data_CardCompany[row]}
                    .join(u'|'));
  }
  return rows;
}

// Two queries (with a blank line between them) in two regions: four tasks, each with two results
// pages of two ads and one ad, cards numbered throughout.
class ScraperTasksTest : public ScraperTest {
 protected:
  static constexpr int kRows = 12;
  static constexpr int kResultsPages = 8;

  void SetUp() override {
    ScraperTest::SetUp();
    window.SetQueries({u"труба"_qs, QString(), u"окно"_qs});
    regions = {u"Москва=213"_qs, u"Питер=2"_qs};
    int card = 0;
    for (const QString& query : {Truba(), Okno()}) {
      for (const QString& rid : {u"213"_qs, u"2"_qs}) {
        const QString second = u"/search/direct?text="_qs + query + u"&lr="_qs + rid + u"&p=1"_qs;
        web.Answer(
            SearchAddress(query, rid),
            ResultsPage({{Title(card), Card(card)}, {Title(card + 1), Card(card + 1)}}, second));
        web.Answer(kOrigin + second, ResultsPage({{Title(card + 2), Card(card + 2)}}));
        card += 3;
      }
    }
    for (int number = 0; number < card; ++number) {
      web.Answer(Card(number), CardPage(u"Фирма "_qs + QString::number(number)));
    }
  }

  static QString Title(int card) { return u"Объявление "_qs + QString::number(card); }

  std::shared_ptr<JobJournal> OpenJournal() {
    QString setAside;
    return JobJournal::Open(folder.path(), &setAside);
  }

  void RunWith(const std::shared_ptr<JobJournal>& withJournal, bool resuming) {
    journal = withJournal;
    resume = resuming;
    RunJob();
  }

  // A new job with a new journal, stopped at the end of its `stopAt`-th request.
  void RunStoppedAt(int stopAt) {
    QDir(folder.path()).remove(u"job.sqlite"_qs);
    const qsizetype before = web.Requests().size();
    web.onGet = [this, stop = before + stopAt](int number) {
      if (number == stop) job->RequestStop();
    };
    RunWith(OpenJournal(), false);
    web.onGet = nullptr;
  }
};

}  // namespace korvath::testing
