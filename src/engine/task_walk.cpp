#include "engine/task_walk.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

#include "engine/job_context.h"
#include "engine/job_flow.h"
#include "engine/results_page.h"
#include "results/card_texts.h"
#include "textutil/file_errors.h"
#include "textutil/russian_plural.h"
#include "web/address.h"
#include "web/body_text.h"

namespace korvath {
namespace {

constexpr int kResultsPageAttempts = 50;
constexpr int kCardAttempts = 20;
// A failed card is asked for again once this much time has passed since the failure.
constexpr std::chrono::milliseconds kCardRetryWait{1001};

QString QuotesReplaced(QString text) { return text.replace(u'"', u'\''); }

CardValues MissingCard() {
  const QString filler = kMissingCardFiller.toString();
  return CardValues{filler, filler, filler, filler, filler};
}

}  // namespace

TaskWalk::TaskWalk(JobContext& context, Route& route, RowSink& sink, int worker)
    : context_(context), route_(route), sink_(sink), worker_(worker) {}

void TaskWalk::Walk(int task, const QString& query, const QString& regionName,
                    const TaskProgress& from) {
  task_ = task;
  query_ = query;
  regionName_ = regionName;
  Log(u"\r\n\r\nЗапускаем запрос \""_qs + query_ + u"\" по региону \""_qs + regionName_ + u"\""_qs);
  positionCounter_ = from.positionCounter;
  capCounter_ = from.capCounter;
  currentAddress_ = from.nextAddress;
  failuresInRow_ = 0;
  pageRows_.clear();
  try {
    if (currentAddress_.isEmpty()) PageDone(true);
    while (!currentAddress_.isEmpty()) {
      ResultsPageStep();
      AdWalk();
      PageDone(currentAddress_.isEmpty());
    }
  } catch (const TaskGivenUp&) {
    context_.GiveUp(u"\""_qs + query_ + u"\" / \""_qs + regionName_ + u"\""_qs);
    // The rows it gave so far are kept; the task is not walked again after a resume.
    PageDone(true);
  }
}

void TaskWalk::ResultsPageStep() {
  pageText_.clear();
  int attempts = 0;
  int downloads = 0;
  while (attempts < kResultsPageAttempts) {
    try {
      ++attempts;
      if (ResultsPageAttempt(downloads)) {
        AnswerCame();
        return;
      }
    } catch (const BlockedAnswer& blocked) {
      // A block is no attempt of the page's series: the page is asked for again after the wait.
      --attempts;
      pageText_.clear();
      route_.Fetcher().DropConnection();
      MeetBlock(blocked.block, savedAddress_);
    } catch (const NoProxyWorks& none) {
      --attempts;
      pageText_.clear();
      CountUnreachable(none.message);
    } catch (const std::exception& failure) {
      // Only a page whose attempt succeeded is walked: a failure after the body arrived (the raw
      // copy could not be written, say) would otherwise add the same ads again with every series.
      pageText_.clear();
      route_.Fetcher().DropConnection();
      const QString message = QString::fromUtf8(failure.what());
      CountFailure(message);
      route_.ReportError(message);
    }
  }
}

// One attempt; true when it succeeded. `downloads` counts the bodies of this series.
bool TaskWalk::ResultsPageAttempt(int& downloads) {
  route_.Pace(context_.Interval());
  Log(u"Загружаем страницу объявлений "_qs + currentAddress_);
  savedAddress_ = currentAddress_;
  Request(currentAddress_);
  pageUrl_ = route_.Fetcher().URL();
  pageText_ = BodyToText(receiveBuffer_);
  WriteRaw(QStringLiteral("ads_list.html"));
  CheckPage(pageText_, AnswerKind::ResultsPage);
  ++downloads;
  currentAddress_.clear();

  const QString nextPage = NextPageAddress(pageText_, context_.Config().origin, savedAddress_);
  if (!nextPage.isEmpty()) currentAddress_ = nextPage;
  if (const std::optional<QString> foundLine = FoundLine(pageText_)) Log(*foundLine);
  const int cardLinks = CardLinkCount(pageText_);
  if (NothingFound(pageText_)) {
    pageText_.clear();
    Log(u"Яндекс сообщает \"По вашему запросу ничего не нашлось\". Это может быть ошибкой."_qs);
    const int retry = context_.RetryCount();
    if (retry == downloads) {
      Log(u"Задано число повторов загрузки "_qs + QString::number(retry) +
          u", сделано загрузок "_qs + QString::number(downloads) +
          u" - оставляем эту страницу и двигаемся дальше"_qs);
      return true;
    }
    currentAddress_ = savedAddress_;
    Log(u"Делаем повторную загрузку"_qs);
    route_.Fetcher().ClearCookies();
    throw std::runtime_error("Повтор");
  }
  if (cardLinks == 0 && route_.Fetcher().URL().Document == u"ads"_qs &&
      pageText_.contains(u"data-cid="_qs)) {
    Log(u"На странице не найдено ни одной ссылки на карточку с контактной информацией, есть только "
        u"сами объявления"_qs);
  }
  return true;
}

void TaskWalk::AdWalk() {
  for (const QStringView block : AdBlocks(pageText_)) {
    const Milliseconds interval = context_.Interval();
    ++positionCounter_;
    ++capCounter_;
    if (context_.CapReached(capCounter_, false)) continue;
    const AdFields ad = ReadAdFields(block);
    const QString position = QString::number(positionCounter_);
    const CardValues card = CardStep(ad.cardLink, position, ad.title, interval);
    const ResultRow row{
        .keyword = query_,
        .region = regionName_,
        .pos = position,
        .title = QuotesReplaced(ad.title),
        .text = QuotesReplaced(ad.text),
        .domain = QuotesReplaced(ad.site),
        .cardRegion = card.cardRegion,
        .cardEmail = QuotesReplaced(card.email),
        .cardAddress = QuotesReplaced(card.address),
        .cardCompany = QuotesReplaced(card.company),
        .cardPhone1 = QuotesReplaced(card.phone),
    };
    pageRows_.append(row);
    sink_.Row(row);
    if (context_.CapReached(capCounter_, true)) {
      currentAddress_.clear();
      return;
    }
  }
}

CardValues TaskWalk::CardStep(const QString& cardLink, const QString& positionText,
                              const QString& title, Milliseconds interval) {
  if (cardLink.isEmpty()) return MissingCard();
  route_.Pace(interval);
  Log(u"Загружаем карточку контактов для объявления "_qs + positionText + u": \""_qs + title +
      u"\""_qs);
  failuresInRow_ = 0;
  for (int attempts = 0; attempts < kCardAttempts;) {
    context_.StopTest();
    try {
      ++attempts;
      CardValues values = CardAttempt(cardLink);
      AnswerCame();
      return values;
    } catch (const BlockedAnswer& blocked) {
      // A block is no attempt of the card's 20: the card is asked for again after the wait.
      --attempts;
      MeetBlock(blocked.block, cardLink);
    } catch (const NoProxyWorks& none) {
      --attempts;
      CountUnreachable(none.message);
    } catch (const std::exception& failure) {
      // A stop ends this wait early; the next attempt's stop test ends the step.
      JobClock& clock = context_.Clock();
      clock.WaitUntil(context_.Hold(), clock.Now() + kCardRetryWait);
      const QString message = QString::fromUtf8(failure.what());
      const bool missing = route_.Fetcher().ResponseCode() == 404;
      if (!missing) CountFailure(message);
      route_.ReportError(message);
      if (missing) return MissingCard();
    }
  }
  return CardValues{};
}

CardValues TaskWalk::CardAttempt(const QString& cardLink) {
  // A link given as a path belongs to the results page it was read from, whichever request came
  // last through this route.
  Request(AddressText(ResolveAddress(cardLink, pageUrl_)));
  const QString cardText = BodyToText(receiveBuffer_);
  WriteRaw(QStringLiteral("ad.html"));
  CheckPage(cardText, AnswerKind::Card);
  Log(u"Карточка загружена: "_qs + cardLink);
  return ParseCard(cardText);
}

void TaskWalk::Request(const QString& address) {
  receiveBuffer_.clear();
  route_.Fetch(address, receiveBuffer_);
}

// An answer that arrived whole may still be the engine's refusal rather than the page asked for.
void TaskWalk::CheckPage(const QString& text, AnswerKind kind) {
  PageFetcher& fetcher = route_.Fetcher();
  if (const std::optional<Block> block =
          BlockOfPage(fetcher.LastAnswer(), fetcher.ResponseCode(), text, kind)) {
    throw BlockedAnswer{*block};
  }
}

void TaskWalk::MeetBlock(const Block& block, const QString& address) {
  context_.ChangeStatus([](JobStatus& status) { ++status.blocks; });
  const QString what = BlockDescription(block, address);
  if (context_.Config().blocks.stopOnBlock) {
    Log(what + u". Останавливаем работу: так задано для блокировок"_qs);
    throw JobBlocked{};
  }
  route_.MeetBlock(block, what);
}

// One more failed attempt on the current page or card; too many in a row leave the query in
// this region, when the job was told to give up.
void TaskWalk::CountFailure(const QString& message) {
  // A nothing-found page asked for again is the job's own wish, not a failure.
  if (message.contains(u"Повтор")) return;
  ++failuresInRow_;
  const int limit = context_.Config().giveUpAfter;
  if (limit <= 0 || failuresInRow_ < limit) return;
  Log(CountOf(limit, {u"неудачная попытка", u"неудачные попытки", u"неудачных попыток"}) +
      u" подряд (последняя ошибка: "_qs + message + u"). Оставляем запрос \""_qs + query_ +
      u"\" по региону \""_qs + regionName_ + u"\" и переходим к следующему"_qs);
  throw TaskGivenUp{};
}

// No proxy reaches the engine: every task would fail the same way, so giving up ends the job,
// leaving the journal to go on from here once the proxies work again.
void TaskWalk::CountUnreachable(const QString& message) {
  ++failuresInRow_;
  const int limit = context_.Config().giveUpAfter;
  if (limit <= 0 || failuresInRow_ < limit) return;
  Log(CountOf(limit, {u"неудачная попытка", u"неудачные попытки", u"неудачных попыток"}) +
      u" подряд ни через один прокси (последняя ошибка: "_qs + message +
      u"). Останавливаем работу: её можно продолжить, когда прокси заработают"_qs);
  throw EngineUnreachable{};
}

// A page or card came: its row of blocks and of failures ends.
void TaskWalk::AnswerCame() {
  route_.AnswerCame();
  failuresInRow_ = 0;
}

void TaskWalk::PageDone(bool done) {
  const TaskProgress progress{done ? QString() : currentAddress_, positionCounter_, capCounter_,
                              done};
  sink_.PageWalked(task_, std::exchange(pageRows_, {}), progress);
}

void TaskWalk::WriteRaw(const QString& fileName) const {
  const QString& folder = context_.Config().workingFolder;
  const QString path =
      folder.isEmpty() ? QDir::current().filePath(fileName) : QDir(folder).filePath(fileName);
  QFile file(path);
  // The old copy is overwritten and then cut to length, never truncated to nothing first: ext4
  // flushes a file emptied that way to the disk as soon as it is closed, which for a copy written
  // at every card would cost the job a disk write per request.
  if (!file.open(QIODevice::ReadWrite)) {
    throw std::runtime_error(
        FileFailureText(FileAction::Create, path, file.errorString()).toStdString());
  }
  if (file.write(receiveBuffer_) != receiveBuffer_.size() || !file.resize(receiveBuffer_.size()) ||
      !file.flush()) {
    throw std::runtime_error(
        FileFailureText(FileAction::Write, path, file.errorString()).toStdString());
  }
}

void TaskWalk::Log(const QString& message) { context_.Log(message, worker_); }

}  // namespace korvath
