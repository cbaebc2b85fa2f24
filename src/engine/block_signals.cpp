#include "engine/block_signals.h"

#include "engine/card_parse.h"
#include "engine/results_page.h"

#include <initializer_list>

namespace korvath {
namespace {

constexpr QStringView kCaptcha = u"captcha";

// Marks of the captcha widgets the engine puts on its captcha pages.
constexpr QStringView kCaptchaMarkers[] = {u"CheckboxCaptcha", u"AdvancedCaptcha", u"smart-captcha",
                                           u"checkbox-captcha-form"};

bool HasOwnMarkers(QStringView text, AnswerKind kind) {
  return kind == AnswerKind::ResultsPage ? HasResultsPageMarkers(text) : HasCardMarkers(text);
}

// The value of the first `action` attribute of a tag, without its quotes.
QStringView ActionOf(QStringView tag) {
  const qsizetype at = tag.indexOf(u"action", 0, Qt::CaseInsensitive);
  if (at < 0) return {};
  QStringView rest = tag.sliced(at + 6).trimmed();
  if (!rest.startsWith(u'=')) return {};
  rest = rest.sliced(1).trimmed();
  if (rest.startsWith(u'"') || rest.startsWith(u'\'')) {
    const QChar quote = rest.front();
    rest = rest.sliced(1);
    const qsizetype end = rest.indexOf(quote);
    return end < 0 ? rest : rest.first(end);
  }
  qsizetype end = 0;
  while (end < rest.size() && !rest[end].isSpace() && rest[end] != u'>') ++end;
  return rest.first(end);
}

bool HasCaptchaForm(QStringView text) {
  for (qsizetype at = text.indexOf(u"<form", 0, Qt::CaseInsensitive); at >= 0;
       at = text.indexOf(u"<form", at + 5, Qt::CaseInsensitive)) {
    const qsizetype end = text.indexOf(u'>', at);
    const QStringView tag = end < 0 ? text.sliced(at) : text.sliced(at, end - at);
    if (ActionOf(tag).contains(kCaptcha, Qt::CaseInsensitive)) return true;
  }
  return false;
}

}  // namespace

std::optional<Block> BlockOfAnswer(const AnswerTrace& trace, int status) {
  std::optional<Block> block;
  for (const QString& path : trace.paths) {
    if (path.contains(kCaptcha, Qt::CaseInsensitive)) block = Block{BlockKind::Captcha, {}};
  }
  if (trace.captchaHeader) block = Block{BlockKind::Captcha, {}};
  if (status == 429) block = Block{BlockKind::TooManyRequests, {}};
  if (status == 403 && !block) block = Block{BlockKind::Forbidden, {}};
  if (block && trace.retryAfterSeconds)
    block->retryAfter = std::chrono::seconds(*trace.retryAfterSeconds);
  return block;
}

std::optional<Block> BlockOfPage(const AnswerTrace& trace, int status, QStringView text,
                                 AnswerKind kind) {
  if (std::optional<Block> block = BlockOfAnswer(trace, status)) return block;
  if (text.isEmpty()) return std::nullopt;
  if (IsCaptchaPage(text, kind)) return Block{BlockKind::Captcha, {}};
  // A card merely without some values still has its markers and stays a row.
  if (!HasOwnMarkers(text, kind)) {
    return Block{kind == AnswerKind::ResultsPage ? BlockKind::Unrecognised : BlockKind::NoCard, {}};
  }
  return std::nullopt;
}

bool IsCaptchaPage(QStringView text, AnswerKind kind) {
  if (HasOwnMarkers(text, kind)) return false;
  if (HasCaptchaForm(text)) return true;
  for (const QStringView marker : kCaptchaMarkers) {
    if (text.contains(marker, Qt::CaseInsensitive)) return true;
  }
  return false;
}

QString BlockDescription(const Block& block, const QString& address) {
  switch (block.kind) {
    case BlockKind::Captcha:
      return u"Яндекс просит ввести капчу вместо страницы "_qs + address;
    case BlockKind::TooManyRequests:
      return u"Яндекс ответил «429 Too Many Requests» (слишком частые запросы) на запрос "_qs +
             address;
    case BlockKind::Forbidden:
      return u"Яндекс ответил «403 Forbidden» (доступ закрыт) на запрос "_qs + address;
    case BlockKind::Unrecognised:
      return u"Страница "_qs + address +
             u" не похожа на страницу объявлений (возможно, Яндекс изменил вёрстку); её копия в "
             u"ads_list.html"_qs;
    case BlockKind::NoCard:
      return u"Вместо карточки контактов "_qs + address +
             u" пришла страница без её признаков (возможно, уведомление Яндекса или новая "
             u"вёрстка); её копия в ad.html"_qs;
  }
  return {};
}

}  // namespace korvath
