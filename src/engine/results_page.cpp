#include "engine/results_page.h"

#include "textutil/text_ops.h"
#include "textutil/text_search.h"
#include "web/address.h"

#include <QRegularExpression>

#include <stdexcept>

namespace korvath {

namespace {

constexpr QStringView kNextPageMarker = u"Pager-Item Pager-Item_type_next";
constexpr QStringView kAnchorStart = u"<a ";
constexpr QStringView kAnchorEnd = u"</a>";
constexpr QStringView kHrefStart = u"href=\"";
constexpr QStringView kQuote = u"\"";
constexpr QStringView kEscapedAmpersand = u"&amp;";
constexpr QStringView kAmpersand = u"&";
constexpr QStringView kFoundMarker = u"serp-adv__found>";
constexpr QStringView kClosingTagStart = u"</";
constexpr QStringView kBlockMarker = u"data-cid=";
constexpr QStringView kCardAnchorEnd = u"\">Контактная информация</a>";
constexpr QStringView kNothingFoundNotice = u">По вашему запросу ничего не нашлось<";

QString Cleaned(QStringView fragment) { return Trimmed(HtmlToText(fragment)).toString(); }

// A next-page link that is not a path on the origin: an address of its own, one without a scheme
// ("//host/...", which takes the origin's), or one relative to the page it is on. A link that
// cannot be resolved is left as it stands, for the fetcher to resolve against the page or report.
QString ResolvedLink(const QString& link, QStringView origin, QStringView pageAddress) {
  static const QRegularExpression kScheme(u"^[A-Za-z][A-Za-z0-9+.-]*://"_qs);
  if (kScheme.match(link).hasMatch()) return link;
  if (link.startsWith(u"//")) {
    const qsizetype schemeEnd = origin.indexOf(u"://");
    return schemeEnd < 0 ? link : origin.first(schemeEnd + 1).toString() + link;
  }
  try {
    return AddressText(ResolveAddress(link, ResolveAddress(pageAddress.toString(), {})));
  } catch (const std::runtime_error&) {
    return link;
  }
}

}  // namespace

QString NextPageAddress(QStringView page, QStringView origin, QStringView pageAddress) {
  const qsizetype r = Find(page, kNextPageMarker);
  if (r == 0) {
    return {};
  }
  // The next-page anchor is the last one that opens before the marker.
  const qsizetype q = LastPos(kAnchorStart, page, r);
  if (q == 0) {
    return {};
  }
  const qsizetype e = Find(page, kAnchorEnd, q);
  const QStringView anchor = e == 0 ? QStringView() : Copy(page, q, e - q);
  const QString link = TextAfterMarker(anchor, kHrefStart, {}, kQuote);
  if (link.isEmpty()) {
    return {};
  }
  if (link.startsWith(u'/') && !link.startsWith(u"//")) {
    return ReplaceAll(origin.toString() + link, kEscapedAmpersand, kAmpersand);
  }
  return ResolvedLink(ReplaceAll(link, kEscapedAmpersand, kAmpersand), origin, pageAddress);
}

std::optional<QString> FoundLine(QStringView page) {
  const qsizetype r = Find(page, kFoundMarker);
  if (r == 0) {
    return std::nullopt;
  }
  const qsizetype q = Find(page, kClosingTagStart, r);
  if (q == 0) {
    return std::nullopt;
  }
  const qsizetype start = r + kFoundMarker.size();
  return Copy(page, start, q - start).toString();
}

bool NothingFound(QStringView page) { return IndexOf(page, kNothingFoundNotice) >= 0; }

bool HasResultsPageMarkers(QStringView page) {
  for (const QStringView marker :
       {kFoundMarker, kNothingFoundNotice, kBlockMarker, kNextPageMarker}) {
    if (IndexOf(page, marker) >= 0) return true;
  }
  return false;
}

QList<QStringView> AdBlocks(QStringView page) {
  // A block runs from its marker to two code units before the next marker found at least one
  // marker length further on (or to the next-to-last code unit of the page). The next block is
  // searched from the eleventh code unit after the current block's start, so a marker that
  // begins within that reach ends the current block without starting one of its own.
  constexpr qsizetype kResumeDistance = 11;
  QList<QStringView> blocks;
  qsizetype start = IndexOf(page, kBlockMarker);
  while (start >= 0) {
    const qsizetype next = IndexOf(page, kBlockMarker, start + kBlockMarker.size());
    const qsizetype end = next >= 0 ? next - 1 : page.size() - 1;
    blocks.append(page.sliced(start, end - start));
    if (next < 0) {
      break;
    }
    const qsizetype resume = start + kResumeDistance;
    start = next >= resume ? next : IndexOf(page, kBlockMarker, resume);
  }
  return blocks;
}

int CardLinkCount(QStringView page) {
  int count = 0;
  for (const QStringView block : AdBlocks(page)) {
    if (!CardLink(block).isEmpty()) {
      ++count;
    }
  }
  return count;
}

QString CardLink(QStringView block) {
  const qsizetype r = Find(block, kCardAnchorEnd);
  if (r == 0) {
    return {};
  }
  const qsizetype q = LastPos(kHrefStart, block, r);
  if (q == 0) {
    return {};
  }
  const qsizetype valueStart = q + kHrefStart.size();
  const qsizetype e = Find(block, kQuote, valueStart);
  const QStringView link = e == 0 ? QStringView() : Copy(block, valueStart, e - valueStart);
  return ReplaceAll(link, kEscapedAmpersand, kAmpersand);
}

AdFields ReadAdFields(QStringView block) {
  AdFields fields;
  const qsizetype q = Find(block, kAnchorStart);
  const qsizetype e = q == 0 ? 0 : Find(block, kAnchorEnd, q + kAnchorStart.size());
  if (e != 0) {
    fields.title = Cleaned(Copy(block, q, e - q));
  }
  if (fields.title.isEmpty()) {
    fields.title = Cleaned(TextAfterMarker(block, u"organic__url-text", u">", u"</div>"));
  }
  fields.text = Cleaned(TextAfterMarker(block, u"OrganicTextContentSpan", u">", u"</span>"));
  fields.site = Cleaned(TextBeforeMarker(block, u"</b><span class=\"Path-Separator\"", {}, u"<b>"));
  fields.cardLink = CardLink(block);
  return fields;
}

}  // namespace korvath
