#pragma once

#include <QString>
#include <QStringView>

namespace korvath {

// What tells one advertiser from another across queries, regions and ads: the phone's digits
// (in the one national form, without an extension), else the site's host without "www.", else
// company and city regardless of case. Empty when the ad gives none of these: such an ad stands
// for an advertiser of its own. The missing-card filler counts as no value.
QString AdvertiserKey(QStringView phone, QStringView site, QStringView company, QStringView city);

// The host part of a site as an ad shows it ("https://www.Okna.ru/msk" gives "okna.ru").
QString SiteHost(QStringView site);

}  // namespace korvath
