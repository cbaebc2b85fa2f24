#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// What the job reads from one ads-search results page, by literal markers.
namespace korvath {

struct AdFields {
  QString title;
  QString text;
  QString site;
  QString cardLink;
};

// The address of the next-page anchor's href ("&amp;" as "&"); empty when there is none. A path
// ("/...") goes on the origin, "//host/..." takes the origin's scheme, an address with a scheme
// stands as it is, and anything else is resolved against `pageAddress`, the page's own.
QString NextPageAddress(QStringView page, QStringView origin, QStringView pageAddress);
// The raw text after "serp-adv__found>" up to the next "</"; nullopt when there is none.
std::optional<QString> FoundLine(QStringView page);
bool NothingFound(QStringView page);
// Whether the page holds any of a results page's own markers: the found line, the nothing-found
// notice, an ad block or the next-page anchor.
bool HasResultsPageMarkers(QStringView page);
// The ad blocks in page order, as views into `page`.
QList<QStringView> AdBlocks(QStringView page);
int CardLinkCount(QStringView page);
QString CardLink(QStringView block);
AdFields ReadAdFields(QStringView block);

}  // namespace korvath
