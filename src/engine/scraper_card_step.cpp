#include "engine/scraper_run.h"

#include "results/card_texts.h"
#include "web/body_text.h"

namespace korvath {
namespace {

constexpr int kCardAttempts = 20;
// A failed card is asked for again once this much time has passed since the failure.
constexpr std::chrono::milliseconds kCardRetryWait{1001};

CardValues MissingCard() {
  const QString filler = kMissingCardFiller.toString();
  return CardValues{filler, filler, filler, filler, filler};
}

}  // namespace

CardValues TScraper::Run::CardStep(const QString& cardLink, const QString& positionText,
                                   const QString& title, Milliseconds interval) {
  if (cardLink.isEmpty()) {
    return MissingCard();
  }
  Pace(interval);
  Log(u"Загружаем карточку контактов для объявления "_qs + positionText + u": \""_qs + title +
      u"\""_qs);
  failuresInRow_ = 0;
  for (int attempts = 0; attempts < kCardAttempts;) {
    StopTest();
    try {
      ++attempts;
      CardValues values = CardAttempt(cardLink);
      AnswerCame();
      return values;
    } catch (const BlockedAnswer& blocked) {
      // A block is no attempt of the card's 20: the card is asked for again after the wait.
      --attempts;
      WaitOutBlock(blocked.block, cardLink);
    } catch (const ProxyFailed&) {
      --attempts;
    } catch (const std::exception& failure) {
      // A stop ends this wait early; the next attempt's stop test ends the step.
      clock_->WaitUntil(job_.hold_, clock_->Now() + kCardRetryWait);
      const QString message = QString::fromUtf8(failure.what());
      const bool missing = fetcher_->ResponseCode() == 404;
      if (!missing) CountFailure(message);
      ReportError(message);
      if (missing) {
        return MissingCard();
      }
    }
  }
  return CardValues{};
}

CardValues TScraper::Run::CardAttempt(const QString& cardLink) {
  Request(cardLink);
  StopTest();
  lastRequestTick_ = clock_->Now();
  const QString cardText = BodyToText(receiveBuffer_);
  WriteRaw(QStringLiteral("ad.html"));
  CheckPage(cardText, AnswerKind::Card);
  Log(u"Карточка загружена: "_qs + cardLink);
  return ParseCard(cardText);
}

}  // namespace korvath
