#include "demo-engine/captcha_gate.h"

#include <algorithm>

namespace korvath::demo {

bool CaptchaGate::Refuses(std::string_view client, Clock::time_point now) {
  if (rule_.after <= 0 && rule_.rateRequests <= 0) return false;
  std::lock_guard lock(mutex_);
  auto it = clients_.find(client);
  if (it == clients_.end()) it = clients_.emplace(std::string(client), Client{}).first;
  Client& state = it->second;
  if (now < state.blockedUntil) return true;
  if (rule_.rateRequests > 0 && !WithinRate(state, now)) {
    state.blockedUntil = now + rule_.lasts;
    return true;
  }
  if (rule_.after <= 0) return false;
  if (state.served < rule_.after) {
    ++state.served;
    return false;
  }
  state.served = 0;
  state.blockedUntil = now + rule_.lasts;
  return true;
}

bool CaptchaGate::WithinRate(Client& state, Clock::time_point now) {
  const bool halved = rule_.rateHalveAfter > 0 && passed_ >= rule_.rateHalveAfter;
  const Clock::duration window = rule_.rateWindow * (halved ? 2 : 1);
  if (rule_.rateBurst > 0) {
    const double refill =
        double(rule_.rateRequests) * double((now - state.filled).count()) / double(window.count());
    state.tokens = state.tokens < 0 ? rule_.rateBurst
                                    : std::min(double(rule_.rateBurst), state.tokens + refill);
    state.filled = now;
    if (state.tokens < 1) return false;
    state.tokens -= 1;
    ++passed_;
    return true;
  }
  std::deque<Clock::time_point>& recent = state.recent;
  while (!recent.empty() && recent.front() <= now - window) recent.pop_front();
  if (int(recent.size()) >= rule_.rateRequests) {
    recent.clear();
    return false;
  }
  recent.push_back(now);
  ++passed_;
  return true;
}

std::string RenderCaptchaPage() {
  return "<!DOCTYPE html><html><head><title>Ой!</title></head><body>"
         "<div class=\"CheckboxCaptcha\"><form method=\"POST\" action=\"/checkcaptcha?key=demo\" "
         "class=\"CheckboxCaptcha-Form\"><p>Подтвердите, что запросы отправляли вы, а не робот</p>"
         "<input type=\"checkbox\" name=\"confirm\"><button type=\"submit\">Я не робот</button>"
         "</form></div></body></html>\n";
}

}  // namespace korvath::demo
