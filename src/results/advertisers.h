#pragma once

#include "results/csv_rows.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvath {

// One advertiser, merged from every ad that shares its key (advertiser_key.h). Each value is the
// first one an ad gave; queries and regions are distinct, in the order they were first seen.
struct Advertiser {
  QString company;
  QString phone;
  QString email;
  QString site;
  QString city;
  QString address;
  QStringList queries;
  QStringList regions;
  qsizetype adCount = 0;
};

// Merges ads into advertisers in table order, one ad at a time.
class AdvertiserMerge {
 public:
  // `exported` is the ad's row as the results file derives it; `phone` the card's phone text,
  // which that row splits and, without a ")", leaves out.
  void Add(const CsvRow& exported, const QString& phone);
  const std::vector<Advertiser>& Advertisers() const { return advertisers_; }

 private:
  std::vector<Advertiser> advertisers_;
  QHash<QString, std::size_t> indexByKey_;
};

}  // namespace korvath
