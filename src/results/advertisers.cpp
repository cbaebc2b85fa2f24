#include "results/advertisers.h"

#include "results/advertiser_key.h"
#include "results/card_texts.h"

namespace korvath {
namespace {

enum Column {
  kRegion = 0,
  kQuery = 1,
  kSite = 5,
  kCompany = 6,
  kCity = 8,
  kAddress = 9,
  kEmail = 12
};

void Fill(QString& kept, const QString& value) {
  if (kept.isEmpty() && !value.trimmed().isEmpty() && value != kMissingCardFiller) kept = value;
}

void AddDistinct(QStringList& list, const QString& value) {
  if (!value.isEmpty() && !list.contains(value)) list.append(value);
}

}  // namespace

void AdvertiserMerge::Add(const CsvRow& exported, const QString& phone) {
  const QString key = AdvertiserKey(phone, exported[kSite], exported[kCompany], exported[kCity]);
  std::size_t index = advertisers_.size();
  if (key.isEmpty()) {
    advertisers_.emplace_back();
  } else {
    const auto found = indexByKey_.constFind(key);
    if (found == indexByKey_.constEnd()) {
      indexByKey_.insert(key, index);
      advertisers_.emplace_back();
    } else {
      index = *found;
    }
  }
  Advertiser& advertiser = advertisers_[index];
  Fill(advertiser.company, exported[kCompany]);
  Fill(advertiser.phone, phone);
  Fill(advertiser.email, exported[kEmail]);
  Fill(advertiser.site, exported[kSite]);
  Fill(advertiser.city, exported[kCity]);
  Fill(advertiser.address, exported[kAddress]);
  AddDistinct(advertiser.queries, exported[kQuery]);
  AddDistinct(advertiser.regions, exported[kRegion]);
  ++advertiser.adCount;
}

}  // namespace korvath
