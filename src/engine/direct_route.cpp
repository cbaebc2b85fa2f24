#include "engine/direct_route.h"

#include <QDateTime>
#include <QUrl>

#include <stdexcept>

#include "engine/job_context.h"
#include "engine/job_flow.h"
#include "results/job_status_text.h"
#include "web/proxy_file.h"
#include "web/proxy_list.h"

namespace korvath {
namespace {

QString PaceSummary(const QString& address, std::chrono::milliseconds pace, int requests,
                    int blocks) {
  return u"Адрес "_qs + address + u": пауза "_qs + PaceText(pace) + u", запросов "_qs +
         QString::number(requests) + u", блокировок "_qs + QString::number(blocks);
}

}  // namespace

DirectRoute::DirectRoute(JobContext& context)
    : context_(context),
      fetcher_(MakeJobFetcher(context.Config())),
      backoff_(context.Config().blocks) {
  const QUrl origin(context.Config().origin);
  address_ =
      origin.host() + u':' + QString::number(origin.port(origin.scheme() == u"http"_qs ? 80 : 443));
  ApplyProxyFile();
  const PaceSettings& pace = context.Config().pace;
  if (!pace.automatic) return;
  PaceController controller(context.Interval(), pace.floor, pace.seed);
  if (const std::optional<Milliseconds> learned = context.LearnedPace(address_)) {
    controller.Resume(*learned);
  }
  pacer_ = Pacer(controller);
}

DirectRoute::~DirectRoute() = default;

void DirectRoute::ApplyProxyFile() {
  const QString& folder = context_.Config().programFolder;
  const QString ignored = IgnoredProxyFileNotice(folder);
  if (!ignored.isEmpty()) context_.Log(ignored);
  const std::optional<ProxySettings> proxy = ReadProxyFile(folder);
  if (!proxy) return;
  // No request may go out past a proxy that cannot be used.
  if (proxy->unusableReason) throw std::runtime_error(proxy->unusableReason->toStdString());
  fetcher_->SetProxyParams(proxy->params);
  address_ = proxy->hostText + u':' + proxy->portText;
  context_.Log(proxy->logLine);
  if (!proxy->encodingNotice.isEmpty()) context_.Log(proxy->encodingNotice);
}

void DirectRoute::Pace(Milliseconds interval) {
  if (pacer_.WaitTurn(context_.Clock(), context_.Hold(), pacer_.Interval(interval))) {
    throw JobStopped{};
  }
  context_.StopTest();
}

void DirectRoute::Fetch(const QString& address, QByteArray& buffer) {
  context_.NoteStatus([](JobStatus& status) { ++status.requests; });
  // Through a proxy every request gets a connection, and for HTTPS a tunnel, of its own.
  if (!fetcher_->GetProxyParams().ProxyServer.isEmpty()) fetcher_->Disconnect();
  try {
    const JobHold::StopCall breakOff(context_.Hold(), [this] { fetcher_->Abort(); });
    fetcher_->Get(address, buffer);
  } catch (const std::exception&) {
    // A request broken off by a stop is asked for again when the job goes on.
    if (context_.Hold().StopRequested()) throw JobStopped{};
    // A captcha status is the engine's refusal, not a failure of the request.
    if (const std::optional<Block> block =
            BlockOfAnswer(fetcher_->LastAnswer(), fetcher_->ResponseCode())) {
      throw BlockedAnswer{*block};
    }
    throw;
  }
  context_.StopTest();
  // Only a successful request moves the pace: the interval runs from its end.
  pacer_.RequestEnded(context_.Clock().Now());
}

// Logs the block and waits it out, longer with each block in a row; Pause and Stop act at once.
void DirectRoute::MeetBlock(const Block& block, const QString& what) {
  pacer_.Blocked(context_.Clock().Now());
  AnnouncePace();
  const Milliseconds wait = backoff_.Next(block.retryAfter);
  const QDateTime retryAt = QDateTime::currentDateTime().addMSecs(wait.count());
  context_.Log(what + u". Ждём "_qs + WaitText(wait) + u", следующая попытка в "_qs +
               retryAt.toString(u"HH:mm:ss"_qs));
  context_.ChangeStatus([&](JobStatus& status) { status.blockWaitUntil = retryAt; });
  bool stopped = false;
  {
    const JobContext::Waiting waiting(context_);
    JobClock& clock = context_.Clock();
    stopped = clock.WaitUntil(context_.Hold(), clock.Now() + wait);
  }
  context_.ChangeStatus([](JobStatus& status) { status.blockWaitUntil = QDateTime(); });
  if (stopped) throw JobStopped{};
}

void DirectRoute::AnswerCame() {
  backoff_.EndRow();
  pacer_.AnswerCame();
  AnnouncePace();
}

void DirectRoute::AnnouncePace() {
  const std::optional<Milliseconds> learned = pacer_.Learned();
  if (learned) context_.ShowPace(address_, learned, pacer_.ToAnnounce());
}

QStringList DirectRoute::Summary() {
  const std::optional<Milliseconds> learned = pacer_.Learned();
  if (!learned) return {};
  const JobStatus status = context_.Status();
  return {PaceSummary(address_, *learned, int(status.requests), status.blocks)};
}

void DirectRoute::ReportError(const QString& message) { context_.ReportError(message); }

}  // namespace korvath
