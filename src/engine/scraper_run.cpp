#include "engine/scraper_run.h"

#include <stdexcept>

#include "engine/results_page.h"
#include "results/progress.h"
#include "results/run_log.h"
#include "web/body_text.h"
#include "web/proxy_file.h"

namespace korvath {
namespace {

constexpr int kResultsPageAttempts = 50;

QString QuotesReplaced(QString text) { return text.replace(u'"', u'\''); }

}  // namespace

TScraper::Run::Run(TScraper& job)
    : job_(job),
      window_(job.window_),
      clock_(job.config_.clock ? job.config_.clock : SteadyJobClock()),
      backoff_(job.config_.blocks) {}

TScraper::Run::~Run() = default;

void TScraper::Run::Go() {
  try {
    try {
      started_ = clock_->Now();
      CursorHourGlass = true;
      HandOff([this] { UpdateRunState(window_, CursorHourGlass, job_.config_.programFolder); });
      StartFetcher();
      QueryLoop();
    } catch (const JobStopped&) {
      // A stop leads straight to the finish steps, without a save.
    } catch (const std::exception& failure) {
      // Failures before the loops (fetcher, proxy file) and in the closing progress reset: the
      // run ends through its finish steps, so the window leaves its start state.
      Log(QString::fromUtf8(failure.what()));
    }
    Finish();
  } catch (const JobAbandoned&) {
    // Cut off from its window: there is nothing left to show, and no one to show it to.
  }
}

void TScraper::Run::StartFetcher() {
  fetcher_ = job_.config_.makeFetcher ? job_.config_.makeFetcher() : MakeDefaultFetcher();
  if (!fetcher_) {
    throw std::runtime_error("The page fetcher could not be created");
  }
  receiveBuffer_.clear();
  lastRequestTick_.reset();
  ApplyProxyFile();
}

void TScraper::Run::ApplyProxyFile() {
  const std::optional<ProxySettings> proxy = ReadProxyFile(job_.config_.programFolder);
  if (!proxy) {
    return;
  }
  if (proxy->unusableReason) {
    // No request may go out past a proxy that cannot be used.
    throw std::runtime_error(proxy->unusableReason->toStdString());
  }
  fetcher_->SetProxyParams(proxy->params);
  Log(proxy->logLine);
  if (!proxy->encodingNotice.isEmpty()) Log(proxy->encodingNotice);
}

void TScraper::Run::QueryLoop() {
  StagesProgressBarMax = Read(&JobWindow::QueryLineCount);
  ProgressBarMax = int(job_.RegionsList.size());
  StagesProgressBarPosition = 0;
  StopTest();
  try {
    const int lineCount = Read(&JobWindow::QueryLineCount);
    HandOff([&] {
      for (int line = 0; line < lineCount; ++line) {
        if (!window_.QueryLine(line).isEmpty()) ++status_.queriesTotal;
      }
    });
    status_.tasksTotal = status_.queriesTotal * int(job_.RegionsList.size());
    for (int line = 0; line < lineCount; ++line) {
      StopTest();
      QString query;
      HandOff([&] { query = window_.QueryLine(line); });
      if (query.isEmpty()) {
        continue;
      }
      ++StagesProgressBarPosition;
      ShowStagesBar();
      ProgressBarPosition = 0;
      ShowRegionsBar();
      const qsizetype regionCount = job_.RegionsList.size();
      for (qsizetype entry = 0; entry < regionCount; ++entry) {
        StopTest();
        RegionStep(query, job_.RegionsList.at(entry));
        ++status_.tasksDone;
        ShowStatus();
      }
      ++status_.queriesDone;
      ShowStatus();
      AskSave(QStringLiteral("savecurrent"));
    }
    SaveResults();
  } catch (const JobBlocked&) {
    // Told to stop at a block: what was collected is saved as at the end of a job.
    job_.ending_.endedOnBlock = true;
    AskSave(QStringLiteral("savecurrent"));
    SaveResults();
  } catch (const std::exception& failure) {
    ReportError(QString::fromUtf8(failure.what()));
  }
  ProgressBarPosition = 0;
  ShowRegionsBar();
  StagesProgressBarPosition = 0;
  ShowStagesBar();
}

void TScraper::Run::RegionStep(const QString& query, const QString& regionEntry) {
  const qsizetype separator = regionEntry.indexOf(u'=');
  regionName_ = separator < 0 ? QString() : regionEntry.left(separator);
  const QString rid = separator < 0 ? regionEntry : regionEntry.mid(separator + 1);
  query_ = query;

  ++ProgressBarPosition;
  ShowRegionsBar();
  Log(u"\r\n\r\nЗапускаем запрос \""_qs + query + u"\" по региону \""_qs + regionName_ + u"\""_qs);
  positionCounter_ = 0;
  capCounter_ = 0;
  currentAddress_ =
      job_.config_.origin + u"/search/direct?text="_qs + EncodeQueryText(query) + u"&lr="_qs + rid;
  failuresInRow_ = 0;
  try {
    while (!currentAddress_.isEmpty()) {
      ResultsPageStep();
      AdWalk();
    }
  } catch (const TaskGivenUp&) {
    job_.ending_.givenUp.append(u"\""_qs + query + u"\" / \""_qs + regionName_ + u"\""_qs);
  }
}

void TScraper::Run::ResultsPageStep() {
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
      fetcher_->DropConnection();
      WaitOutBlock(blocked.block, savedAddress_);
    } catch (const std::exception& failure) {
      // Only a page whose attempt succeeded is walked: a failure after the body arrived (the raw
      // copy could not be written, say) would otherwise add the same ads again with every series.
      pageText_.clear();
      fetcher_->DropConnection();
      const QString message = QString::fromUtf8(failure.what());
      CountFailure(message);
      ReportError(message);
    }
  }
}

// One attempt; true when it succeeded. `downloads` counts the bodies of this series.
bool TScraper::Run::ResultsPageAttempt(int& downloads) {
  Pace(ReadInterval());
  Log(u"Загружаем страницу объявлений "_qs + currentAddress_);
  savedAddress_ = currentAddress_;
  Request(currentAddress_);
  StopTest();
  lastRequestTick_ = clock_->Now();
  pageText_ = BodyToText(receiveBuffer_);
  WriteRaw(QStringLiteral("ads_list.html"));
  CheckPage(pageText_, AnswerKind::ResultsPage);
  ++downloads;
  currentAddress_.clear();

  const QString nextPage = NextPageAddress(pageText_, job_.config_.origin);
  if (!nextPage.isEmpty()) {
    currentAddress_ = nextPage;
  }
  if (const std::optional<QString> foundLine = FoundLine(pageText_)) {
    Log(*foundLine);
  }
  const int cardLinks = CardLinkCount(pageText_);
  if (NothingFound(pageText_)) {
    pageText_.clear();
    Log(u"Яндекс сообщает \"По вашему запросу ничего не нашлось\". Это может быть ошибкой."_qs);
    const int retry = ReadPublished(&JobWindow::RetryCount);
    if (retry == downloads) {
      Log(u"Задано число повторов загрузки "_qs + QString::number(retry) +
          u", сделано загрузок "_qs + QString::number(downloads) +
          u" - оставляем эту страницу и двигаемся дальше"_qs);
      return true;
    }
    currentAddress_ = savedAddress_;
    Log(u"Делаем повторную загрузку"_qs);
    fetcher_->ClearCookies();
    throw std::runtime_error("Повтор");
  }
  if (cardLinks == 0 && fetcher_->URL().Document == u"ads"_qs &&
      pageText_.contains(u"data-cid="_qs)) {
    Log(u"На странице не найдено ни одной ссылки на карточку с контактной информацией, есть только "
        u"сами объявления"_qs);
  }
  return true;
}

void TScraper::Run::AdWalk() {
  for (const QStringView block : AdBlocks(pageText_)) {
    const Milliseconds interval = ReadInterval();
    ++positionCounter_;
    ++capCounter_;
    if (CapReached(capCounter_, false)) {
      continue;
    }
    const AdFields ad = ReadAdFields(block);
    const QString position = QString::number(positionCounter_);
    const CardValues card = CardStep(ad.cardLink, position, ad.title, interval);
    AppendRow(ResultRow{
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
    });
    if (CapReached(capCounter_, true)) {
      currentAddress_.clear();
      return;
    }
  }
}

// The cap as it stands now: `seen` is over it, or (inclusive) has reached it.
bool TScraper::Run::CapReached(int seen, bool inclusive) {
  if (!ReadPublished(&JobWindow::CapEnabled)) {
    return false;
  }
  const int cap = ReadPublished(&JobWindow::CapValue);
  return inclusive ? cap <= seen : cap < seen;
}

void TScraper::Run::Finish() {
  LogEnding();
  fetcher_.reset();
  receiveBuffer_ = QByteArray();
  CursorHourGlass = false;
  HandOff([this] {
    UpdateRunState(window_, CursorHourGlass, job_.config_.programFolder);
    // From here on the job never touches the window again, so another may start.
    job_.ended_ = true;
  });
}

}  // namespace korvath
