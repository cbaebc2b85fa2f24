#pragma once

#include "web/page_fetcher.h"

#include <QString>
#include <QStringView>

#include <chrono>
#include <optional>

// Telling the engine's refusals from its pages. The engine answers a client it takes for a robot
// with a captcha (through a redirect, at the same address, or with a status), and a page that is
// none of its own must never pass for a page without ads or a card without contacts.
namespace korvath {

// Unrecognised: a results page with none of its markers; NoCard: a card answer with none of a
// card's markers (such as an engine's notice in its place).
enum class BlockKind { Captcha, TooManyRequests, Forbidden, Unrecognised, NoCard };
enum class AnswerKind { ResultsPage, Card };

struct Block {
  BlockKind kind = BlockKind::Captcha;
  // The answer's "Retry-After": the least the job waits before it asks again.
  std::optional<std::chrono::seconds> retryAfter;
};

// What the answers on the way say without their body: an address whose path names a captcha, the
// captcha header, or the status 429 or 403. `status` is the final answer's (0 when none came).
std::optional<Block> BlockOfAnswer(const AnswerTrace& trace, int status);

// An answer that arrived whole: the signals above, then a captcha page, then a page that holds
// none of the markers of what was asked for. An empty body says nothing either way.
std::optional<Block> BlockOfPage(const AnswerTrace& trace, int status, QStringView text,
                                 AnswerKind kind);

// A page that holds none of the page's own markers, and a captcha form or a captcha widget's mark.
bool IsCaptchaPage(QStringView text, AnswerKind kind);

// What happened, for the log: "Яндекс просит ввести капчу вместо страницы <address>", ...
QString BlockDescription(const Block& block, const QString& address);

}  // namespace korvath
