#include "engine/fake_web.h"

#include <gtest/gtest.h>

#include <QUrl>

#include <stdexcept>

#include "engine/job_hold.h"

namespace korvath::testing {

JobClock::TimePoint FakeJobClock::Now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

bool FakeJobClock::WaitUntil(JobHold& hold, TimePoint deadline) {
  if (onWait) {
    onWait();
  }
  if (hold.StopRequested()) {
    return hold.CheckPoint();
  }
  {
    std::lock_guard lock(mutex_);
    if (deadline > now_) {
      waits_.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now_));
      now_ = deadline;
    }
  }
  return hold.CheckPoint();
}

void FakeJobClock::Advance(std::chrono::milliseconds step) {
  std::lock_guard lock(mutex_);
  now_ += step;
}

std::vector<std::chrono::milliseconds> FakeJobClock::Waits() const {
  std::lock_guard lock(mutex_);
  return waits_;
}

class FakePageFetcher final : public PageFetcher {
 public:
  explicit FakePageFetcher(FakeWeb& web) : web_(web) { ++web_.liveFetchers; }
  ~FakePageFetcher() override { --web_.liveFetchers; }

  void Get(const QString& address, QByteArray& buffer) override {
    ScriptedAnswer answer;
    int number = 0;
    {
      std::lock_guard lock(web_.mutex_);
      web_.requests_.append(address);
      number = int(web_.requests_.size());
      const auto found = web_.answers_.find(address);
      std::optional<ScriptedAnswer> proxied;
      if (web_.throughProxy && !proxy_.ProxyServer.isEmpty()) {
        proxied = web_.throughProxy(proxy_.ProxyServer, address,
                                    web_.clock ? web_.clock->Now() : JobClock::TimePoint());
      }
      if (proxied) {
        answer = *proxied;
      } else if (found == web_.answers_.end()) {
        ADD_FAILURE() << "no answer scripted for " << address.toStdString();
        answer.failure = "not scripted";
      } else {
        size_t& served = web_.served_[address];
        answer = found->second.at(std::min(served, found->second.size() - 1));
        ++served;
      }
    }
    const qsizetype query = address.indexOf(u'?');
    const QString path = address.left(query < 0 ? address.size() : query);
    url_.Document = path.mid(path.lastIndexOf(u'/') + 1);
    code_ = answer.status;
    trace_ = answer.trace;
    trace_.paths.prepend(QUrl(path).path());
    if (web_.clock) {
      web_.clock->Advance(web_.requestDuration);
    }
    if (web_.onGet) {
      web_.onGet(number);
    }
    if (!answer.failure.empty()) {
      throw std::runtime_error(answer.failure);
    }
    buffer.append(answer.body);
  }
  int ResponseCode() const override { return code_; }
  const UrlParts& URL() const override { return url_; }
  const AnswerTrace& LastAnswer() const override { return trace_; }
  void ClearCookies() override { Note("ClearCookies"); }
  void Disconnect() override { Note("Disconnect"); }
  void DropConnection() override { Note("DropConnection"); }
  void SetProxyParams(const ProxyParams& params) override { proxy_ = params; }
  const ProxyParams& GetProxyParams() const override { return proxy_; }

 private:
  void Note(const char* what) {
    std::lock_guard lock(web_.mutex_);
    ++web_.counts_[QString::fromLatin1(what)];
  }

  FakeWeb& web_;
  UrlParts url_;
  AnswerTrace trace_;
  ProxyParams proxy_;
  int code_ = 0;
};

void FakeWeb::Script(const QString& address, std::vector<ScriptedAnswer> answers) {
  std::lock_guard lock(mutex_);
  answers_[address] = std::move(answers);
}

void FakeWeb::Answer(const QString& address, const QByteArray& body) {
  Script(address, {Body(body)});
}

QStringList FakeWeb::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int FakeWeb::Count(const QString& what) const {
  std::lock_guard lock(mutex_);
  const auto found = counts_.find(what);
  return found == counts_.end() ? 0 : found->second;
}

std::function<std::unique_ptr<PageFetcher>()> FakeWeb::Factory() {
  return [this] { return std::make_unique<FakePageFetcher>(*this); };
}

}  // namespace korvath::testing
