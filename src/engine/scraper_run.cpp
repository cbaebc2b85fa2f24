#include "engine/scraper_run.h"

#include <stdexcept>

#include "engine/job_plan.h"
#include "engine/results_page.h"
#include "engine/scraper_crew.h"
#include "results/progress.h"
#include "results/run_log.h"
#include "web/body_text.h"
#include "web/proxy_file.h"
#include "web/proxy_list.h"

namespace korvath {
namespace {

constexpr int kResultsPageAttempts = 50;

QString QuotesReplaced(QString text) { return text.replace(u'"', u'\''); }

}  // namespace

TScraper::Run::Run(TScraper& job)
    : job_(job),
      window_(job.window_),
      clock_(job.config_.clock ? job.config_.clock : SteadyJobClock()),
      ownCrew_(std::make_unique<Crew>()),
      crew_(*ownCrew_),
      backoff_(job.config_.blocks) {}

TScraper::Run::Run(TScraper& job, Crew& crew, int worker)
    : job_(job),
      window_(job.window_),
      clock_(job.config_.clock ? job.config_.clock : SteadyJobClock()),
      crew_(crew),
      worker_(worker),
      backoff_(job.config_.blocks) {}

TScraper::Run::~Run() = default;

void TScraper::Run::Go() {
  try {
    try {
      crew_.started = clock_->Now();
      CursorHourGlass = true;
      HandOff([this] { UpdateRunState(window_, CursorHourGlass, job_.config_.programFolder); });
      PlanJob();
      StartFetcher();
      if (crew_.Pooled()) {
        CrewLoop();
      } else {
        QueryLoop();
      }
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

std::unique_ptr<PageFetcher> TScraper::Run::MakeFetcher() const {
  std::unique_ptr<PageFetcher> fetcher =
      job_.config_.makeFetcher ? job_.config_.makeFetcher() : MakeDefaultFetcher();
  if (!fetcher) {
    throw std::runtime_error("The page fetcher could not be created");
  }
  return fetcher;
}

void TScraper::Run::StartFetcher() {
  const ProxyList proxies = ReadProxyList(job_.config_.programFolder);
  if (!proxies.encodingNotice.isEmpty()) Log(proxies.encodingNotice);
  for (const QString& problem : proxies.problems) Log(problem);
  if (!proxies.proxies.empty()) {
    UsePool(proxies.proxies);
    return;
  }
  if (job_.config_.workers > 1) {
    Log(u"Потоков задано "_qs + QString::number(job_.config_.workers) +
        u", но в proxies.txt нет ни одного прокси: работаем в один поток"_qs);
  }
  fetcher_ = MakeFetcher();
  receiveBuffer_.clear();
  lastRequestTick_.reset();
  ApplyProxyFile();
}

void TScraper::Run::ApplyProxyFile() {
  const QString ignored = IgnoredProxyFileNotice(job_.config_.programFolder);
  if (!ignored.isEmpty()) Log(ignored);
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

// The job's tasks: the journal's unfinished job, or a new one from the window's inputs, which
// the journal then records.
void TScraper::Run::PlanJob() {
  const std::shared_ptr<JobJournal>& journal = job_.config_.journal;
  const QString& origin = job_.config_.origin;
  if (job_.config_.resume && journal) {
    crew_.plan = ResumedJobPlan(*journal, origin);
    const JournalSummary summary = journal->Summary();
    Log(u"Продолжаем прерванный сбор: выполнено задач "_qs + QString::number(summary.tasksDone) +
        u" из "_qs + QString::number(summary.tasksTotal) + u", собрано строк "_qs +
        QString::number(summary.rows));
  } else {
    QStringList queryLines;
    HandOff([&] {
      const int lineCount = window_.QueryLineCount();
      for (int line = 0; line < lineCount; ++line) queryLines.append(window_.QueryLine(line));
    });
    crew_.plan = NewJobPlan(queryLines, job_.RegionsList, origin);
    JournalInputs& inputs = crew_.plan.inputs;
    inputs.retryCount = ReadPublished(&JobWindow::RetryCount);
    inputs.capEnabled = ReadPublished(&JobWindow::CapEnabled);
    inputs.capValue = ReadPublished(&JobWindow::CapValue);
    if (journal) {
      QStringList firstAddresses;
      for (const TaskProgress& task : crew_.plan.progress) firstAddresses.append(task.nextAddress);
      try {
        journal->StartJob(inputs, firstAddresses);
      } catch (const std::exception& failure) {
        crew_.journalBroken = true;
        Log(QString::fromUtf8(failure.what()) +
            u". Сбор идёт без журнала: если он прервётся, продолжить его не получится"_qs);
      }
    }
  }
  crew_.status.queriesTotal = crew_.plan.QueryCount();
  crew_.status.tasksTotal = crew_.plan.TaskCount();
  crew_.status.tasksDone = crew_.plan.TasksDone();
}

void TScraper::Run::QueryLoop() {
  const JobPlan& plan = crew_.plan;
  StagesProgressBarMax = int(plan.inputs.queryLines.size());
  ProgressBarMax = plan.RegionCount();
  StagesProgressBarPosition = 0;
  StopTest();
  try {
    for (int query = 0; query < plan.QueryCount(); ++query) {
      StopTest();
      ++StagesProgressBarPosition;
      ShowStagesBar();
      ProgressBarPosition = 0;
      ShowRegionsBar();
      bool walked = false;
      for (int region = 0; region < plan.RegionCount(); ++region) {
        StopTest();
        const int task = query * plan.RegionCount() + region;
        ShowJournalRows(task);
        if (plan.progress[task].done) {
          ++ProgressBarPosition;
          ShowRegionsBar();
          continue;
        }
        walked = true;
        TaskStep(task);
        ChangeStatus([](JobStatus& status) { ++status.tasksDone; });
      }
      ChangeStatus([](JobStatus& status) { ++status.queriesDone; });
      // Of the queries a resumed job finds done, only the last before new work is saved again:
      // the working file then holds what it would have held had the job never stopped.
      if (walked || query + 1 == plan.QueryCount() || !plan.QueryDone(query + 1))
        AskSave(QStringLiteral("savecurrent"));
    }
    if (SaveResults()) MarkJournalFinished();
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

// One (query, region) task from where it stands to its last results page.
void TScraper::Run::TaskStep(int task) {
  JournalTask what;
  TaskProgress from;
  {
    std::lock_guard lock(crew_.mutex);
    what = crew_.plan.inputs.tasks[task];
    from = crew_.plan.progress[task];
    if (crew_.Pooled()) taskRows_ = std::exchange(crew_.plan.journalRows[task], {});
  }
  regionName_ = SplitRegionEntry(what.regionEntry).name;
  query_ = what.query;
  task_ = task;

  if (!crew_.Pooled()) {
    ++ProgressBarPosition;
    ShowRegionsBar();
  }
  Log(u"\r\n\r\nЗапускаем запрос \""_qs + query_ + u"\" по региону \""_qs + regionName_ + u"\""_qs);
  positionCounter_ = from.positionCounter;
  capCounter_ = from.capCounter;
  currentAddress_ = from.nextAddress;
  failuresInRow_ = 0;
  pageRows_.clear();
  try {
    if (currentAddress_.isEmpty()) CommitPage(true);
    while (!currentAddress_.isEmpty()) {
      ResultsPageStep();
      AdWalk();
      CommitPage(currentAddress_.isEmpty());
    }
  } catch (const TaskGivenUp&) {
    {
      std::lock_guard lock(crew_.mutex);
      job_.ending_.givenUp.append(u"\""_qs + query_ + u"\" / \""_qs + regionName_ + u"\""_qs);
    }
    // The rows it gave so far are kept; the task is not walked again after a resume.
    CommitPage(true);
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
    } catch (const ProxyFailed&) {
      --attempts;
      pageText_.clear();
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

  const QString nextPage = NextPageAddress(pageText_, job_.config_.origin, savedAddress_);
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
