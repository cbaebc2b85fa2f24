#include "demo-engine/demo_options.h"

#include <QCommandLineParser>

#include <stdexcept>

namespace korvath::demo {
namespace {

struct NumberOption {
  QCommandLineOption option;
  int minimum;
  int maximum;
  int* target;
};

int ReadNumber(const QCommandLineParser& parser, const NumberOption& n) {
  const QString text = parser.value(n.option);
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < n.minimum || value > n.maximum) {
    throw std::runtime_error("--" + n.option.names().front().toStdString() +
                             " wants a whole number from " + std::to_string(n.minimum) + " to " +
                             std::to_string(n.maximum) + ", not \"" + text.toStdString() + "\"");
  }
  return value;
}

struct RangeOption {
  QCommandLineOption option;
  RequestRange* target;
};

// "N" or "N-M": requests N to M, counted from 1.
RequestRange ReadRange(const QCommandLineParser& parser, const RangeOption& r) {
  const QString text = parser.value(r.option);
  const QStringList ends = text.split(u'-');
  RequestRange range;
  bool firstOk = false;
  bool lastOk = ends.size() == 1;
  range.first = ends.front().toULongLong(&firstOk);
  range.last = ends.size() == 2 ? ends.back().toULongLong(&lastOk) : range.first;
  if (!firstOk || !lastOk || ends.size() > 2 || range.first < 1 || range.last < range.first) {
    throw std::runtime_error("--" + r.option.names().front().toStdString() +
                             " wants a request number N or a range N-M from 1 on, not \"" +
                             text.toStdString() + "\"");
  }
  return range;
}

CaptchaRule ReadCaptchaRule(const QString& after, const QString& lasts, const QString& style) {
  CaptchaRule rule;
  bool ok = false;
  rule.after = after.toInt(&ok);
  if (!ok || rule.after < 0) {
    throw std::runtime_error("--captcha-after wants a whole number from 0 on, not \"" +
                             after.toStdString() + "\"");
  }
  const double seconds = lasts.toDouble(&ok);
  if (!ok || seconds < 0 || seconds > 86400) {
    throw std::runtime_error("--captcha-for wants seconds from 0 to 86400, not \"" +
                             lasts.toStdString() + "\"");
  }
  rule.lasts = std::chrono::milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
  if (style == u"redirect"_qs) {
    rule.style = CaptchaStyle::Redirect;
  } else if (style == u"inline"_qs) {
    rule.style = CaptchaStyle::Inline;
  } else if (style == u"status"_qs) {
    rule.style = CaptchaStyle::Status;
  } else {
    throw std::runtime_error("--captcha-style wants redirect, inline or status, not \"" +
                             style.toStdString() + "\"");
  }
  return rule;
}

// "N/S": more than N requests within S seconds get an address blocked.
void ReadRateLimit(const QString& text, CaptchaRule& rule) {
  const QStringList parts = text.split(u'/');
  bool countOk = false;
  bool secondsOk = false;
  const int count = parts.front().toInt(&countOk);
  const double seconds = parts.size() == 2 ? parts.back().toDouble(&secondsOk) : 0;
  if (!countOk || !secondsOk || count < 1 || !(seconds > 0) || seconds > 86400) {
    throw std::runtime_error(
        "--rate-limit wants N/S, a whole number of requests from 1 on and seconds up to 86400, "
        "not \"" +
        text.toStdString() + "\"");
  }
  rule.rateRequests = count;
  rule.rateWindow = std::chrono::milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
}

}  // namespace

DemoOptions ParseDemoOptions(const QStringList& arguments) {
  DemoOptions options;
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "A local HTTPS stand-in for the search engine: result pages and contact cards on "
      "127.0.0.1. Prints its origin on the first line of its output.");
  const QCommandLineOption help = parser.addHelpOption();
  // Limits keep one page's size and the card numbering within what the generators handle.
  const NumberOption numbers[] = {
      {{"port", "Port to listen on (0: any free one).", "N", "0"}, 0, 65535, &options.port},
      {{"pages", "Result pages per query and region.", "N", "3"}, 1, 10000, &options.shape.pages},
      {{"ads", "Ads per result page.", "N", "10"}, 0, 1000, &options.shape.adsPerPage},
      {{"filler", "Extra markup per ad and per card, in bytes.", "BYTES", "0"},
       0,
       65536,
       &options.shape.fillerBytes},
      {{"slow-ms", "Delay before every answer, in milliseconds.", "N", "0"},
       0,
       600000,
       &options.slowMs},
      {{"fail-every", "Answer 500 to every Nth request (0: never).", "N", "0"},
       0,
       1 << 30,
       &options.misbehaviour.failEvery},
      {{"nothing-found-loads", "The first K loads of every result page say that nothing was found.",
        "K", "0"},
       0,
       1 << 30,
       &options.misbehaviour.nothingFoundLoads},
      {{"exit-after", "Stop after this many seconds (0: run until killed).", "SECONDS", "0"},
       0,
       1 << 30,
       &options.exitAfterS},
  };
  for (const NumberOption& n : numbers) parser.addOption(n.option);
  // Faults by request number let a test place exactly one failure where it wants it, since every
  // failure costs the program an error pause.
  const RangeOption ranges[] = {
      {{"fail-at", "Answer 500 to requests N to M (counted from 1).", "N[-M]"},
       &options.misbehaviour.failAt},
      {{"reset-at", "Reset the connection instead of answering requests N to M.", "N[-M]"},
       &options.misbehaviour.resetAt},
      {{"stall-at", "Never answer requests N to M; keep their connection open.", "N[-M]"},
       &options.misbehaviour.stallAt},
      {{"garbage-at", "Answer requests N to M with bytes that are not HTTP, then close.", "N[-M]"},
       &options.misbehaviour.garbageAt},
      {{"cut-at", "Send the first half of the answer to requests N to M, then close.", "N[-M]"},
       &options.misbehaviour.cutAt},
      {{"unrecognised-at", "Answer requests N to M with a page that is no results page.", "N[-M]"},
       &options.misbehaviour.unrecognisedAt},
  };
  for (const RangeOption& r : ranges) parser.addOption(r.option);
  // Blocks are kept per client address, as the search engine keeps them.
  const QCommandLineOption captchaAfter(
      "captcha-after", "Block an address after N requests from it (0: never).", "N", "0");
  const QCommandLineOption captchaFor(
      "captcha-for", "Seconds a block lasts; then the address's count starts again.", "SECONDS",
      "60");
  const QCommandLineOption captchaStyle(
      "captcha-style", "How a blocked address is answered: redirect, inline or status.", "STYLE",
      "redirect");
  const QCommandLineOption rateLimit(
      "rate-limit", "Block an address that sends more than N requests within S seconds.", "N/S");
  for (const QCommandLineOption* option : {&captchaAfter, &captchaFor, &captchaStyle, &rateLimit})
    parser.addOption(*option);
  // The two other limits an engine may keep: a bucket that allows a burst, and one that tightens
  // during the job.
  int rateBurst = 0;
  int rateHalveAfter = 0;
  const NumberOption rateShapes[] = {
      {{"rate-burst",
        "With --rate-limit: allow a burst of B requests, then N per S seconds (a token bucket).",
        "B", "0"},
       0,
       1 << 30,
       &rateBurst},
      {{"rate-halve-after", "With --rate-limit: halve the limit once K requests have passed it.",
        "K", "0"},
       0,
       1 << 30,
       &rateHalveAfter},
  };
  for (const NumberOption& n : rateShapes) parser.addOption(n.option);
  const QCommandLineOption log("log", "Write one line per request to standard error.");
  parser.addOption(log);
  // Benchmarks compare the job with a plain client; a missing card costs the job a one-second
  // wait that says nothing about its speed.
  const QCommandLineOption noMissingCards("no-missing-cards", "Answer every contact card.");
  parser.addOption(noMissingCards);
  const QCommandLineOption pathCardLinks("path-card-links",
                                         "Give card links as a path alone, without the origin.");
  parser.addOption(pathCardLinks);

  if (!parser.parse(arguments)) throw std::runtime_error(parser.errorText().toStdString());
  if (!parser.positionalArguments().isEmpty())
    throw std::runtime_error("unexpected argument \"" +
                             parser.positionalArguments().front().toStdString() + "\"");
  if (parser.isSet(help)) {
    options.help = parser.helpText().toStdString();
    return options;
  }
  for (const NumberOption& n : numbers) *n.target = ReadNumber(parser, n);
  for (const RangeOption& r : ranges) {
    if (parser.isSet(r.option)) *r.target = ReadRange(parser, r);
  }
  options.misbehaviour.captcha = ReadCaptchaRule(
      parser.value(captchaAfter), parser.value(captchaFor), parser.value(captchaStyle));
  if (parser.isSet(rateLimit)) ReadRateLimit(parser.value(rateLimit), options.misbehaviour.captcha);
  for (const NumberOption& n : rateShapes) {
    *n.target = ReadNumber(parser, n);
    if (*n.target > 0 && !parser.isSet(rateLimit)) {
      throw std::runtime_error("--" + n.option.names().front().toStdString() +
                               " needs --rate-limit");
    }
  }
  options.misbehaviour.captcha.rateBurst = rateBurst;
  options.misbehaviour.captcha.rateHalveAfter = rateHalveAfter;
  options.logRequests = parser.isSet(log);
  options.shape.missingCards = !parser.isSet(noMissingCards);
  options.shape.pathCardLinks = parser.isSet(pathCardLinks);
  return options;
}

}  // namespace korvath::demo
