#include "cli/run_options.h"

#include "engine/engine_origin.h"
#include "engine/scraper.h"

#include <QSet>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace korvath {

namespace {

[[noreturn]] void Fail(const QString& message) { throw RunArgumentError(message.toStdString()); }

int WholeNumber(const QString& option, const QString& text, int minimum, int maximum) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < minimum || value > maximum) {
    Fail(u"%1: expected a whole number from %2 to %3, got \"%4\""_qs.arg(option)
             .arg(minimum)
             .arg(maximum)
             .arg(text));
  }
  return value;
}

// Seconds, fractions allowed ("0.2"), as milliseconds.
std::chrono::milliseconds Seconds(const QString& option, const QString& text, int maximum) {
  bool ok = false;
  const double seconds = text.toDouble(&ok);
  if (!ok || !(seconds >= 0) || seconds > maximum) {
    Fail(u"%1: expected seconds from 0 to %2, got \"%3\""_qs.arg(option).arg(maximum).arg(text));
  }
  return std::chrono::milliseconds(qRound64(seconds * 1000));
}

// Only scheme, host and port make an origin: the job appends paths to it as they stand.
QString Origin(const QString& text) {
  const QUrl url(text, QUrl::StrictMode);
  const bool bare = url.path().isEmpty() || url.path() == u"/"_qs;
  if (!url.isValid() || (url.scheme() != u"https"_qs && url.scheme() != u"http"_qs) ||
      url.host().isEmpty() || !bare || url.hasQuery() || url.hasFragment() ||
      !url.userInfo().isEmpty()) {
    Fail(u"--origin: expected https://HOST[:PORT] or http://HOST[:PORT], got \"%1\""_qs.arg(text));
  }
  return url.toString(QUrl::RemovePath | QUrl::StripTrailingSlash);
}

bool AllDigits(QStringView text) {
  return !text.isEmpty() &&
         std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "name=rid" entries, blanks around each taken off. The rid goes into the search address as it
// stands, so anything but digits there would change the request; a region given twice would
// double every row of it.
QStringList RegionEntries(const QString& text) {
  QStringList entries;
  QSet<QString> rids;
  for (const QString& item : text.split(u',')) {
    const QString entry = item.trimmed();
    if (entry.isEmpty()) Fail(u"--regions: empty entry in \"%1\""_qs.arg(text));
    const qsizetype separator = entry.indexOf(u'=');
    const QString name = separator < 0 ? QString() : entry.left(separator);
    const QString rid = entry.mid(separator + 1);
    if (name.trimmed().isEmpty())
      Fail(u"--regions: \"%1\" has no region name before \"=\""_qs.arg(entry));
    if (!AllDigits(rid))
      Fail(u"--regions: \"%1\": the region code after \"=\" must be digits only"_qs.arg(entry));
    if (rids.contains(rid)) Fail(u"--regions: \"%1\": region %2 is given twice"_qs.arg(entry, rid));
    rids.insert(rid);
    entries.append(entry);
  }
  return entries;
}

}  // namespace

RunOptions ParseRunArguments(const QStringList& arguments) {
  constexpr int kMaxInt = std::numeric_limits<int>::max();
  // The job turns the interval into milliseconds in 32 bits.
  constexpr int kMaxIntervalSeconds = kMaxInt / 1000;
  // A day is far beyond any wait the engine asks for.
  constexpr int kMaxWaitSeconds = 86400;

  RunOptions options;
  options.origin = kDefaultEngineOrigin.toString();
  QSet<QString> given;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    QString name = arguments[i];
    std::optional<QString> value;
    if (const qsizetype eq = name.indexOf(u'='); name.startsWith(u"--"_qs) && eq > 0) {
      value = name.mid(eq + 1);
      name.truncate(eq);
    }
    given.insert(name);
    if (name == u"--open"_qs) {
      if (value) Fail(u"--open takes no value"_qs);
      options.openResults = true;
      continue;
    }
    if (name == u"--xlsx"_qs || name == u"--no-xlsx"_qs) {
      if (value) Fail(u"%1 takes no value"_qs.arg(name));
      options.workbook = name == u"--xlsx"_qs;
      continue;
    }
    if (name == u"--resume"_qs || name == u"--fresh"_qs) {
      if (value) Fail(u"%1 takes no value"_qs.arg(name));
      options.interruptedJob =
          name == u"--resume"_qs ? InterruptedJobChoice::Resume : InterruptedJobChoice::Fresh;
      continue;
    }
    static const QStringList kValueOptions = {
        u"--dir"_qs,        u"--origin"_qs,         u"--interval"_qs, u"--retry"_qs,
        u"--limit"_qs,      u"--queries"_qs,        u"--regions"_qs,  u"--timeout-ms"_qs,
        u"--block-wait"_qs, u"--block-wait-max"_qs, u"--on-block"_qs, u"--give-up-after"_qs,
        u"--workers"_qs,    u"--interval-min"_qs};
    if (!kValueOptions.contains(name)) Fail(u"unknown argument \"%1\""_qs.arg(arguments[i]));
    if (!value) {
      if (i + 1 >= arguments.size()) Fail(u"%1: missing value"_qs.arg(name));
      value = arguments[++i];
    }
    if (name == u"--dir"_qs) {
      if (value->isEmpty()) Fail(u"--dir: empty path"_qs);
      options.programFolder = *value;
    } else if (name == u"--origin"_qs) {
      options.origin = Origin(*value);
    } else if (name == u"--interval"_qs) {
      options.autoInterval = *value == u"auto"_qs;
      if (!options.autoInterval) options.interval = Seconds(name, *value, kMaxIntervalSeconds);
    } else if (name == u"--interval-min"_qs) {
      options.intervalMin = Seconds(name, *value, kMaxIntervalSeconds);
    } else if (name == u"--retry"_qs) {
      options.retryCount = WholeNumber(name, *value, 1, kMaxInt);
    } else if (name == u"--limit"_qs) {
      // A cap of 0 would end every region before its first ad.
      options.cap = WholeNumber(name, *value, 1, kMaxInt);
    } else if (name == u"--timeout-ms"_qs) {
      options.timeoutMs = WholeNumber(name, *value, 1, kMaxInt);
    } else if (name == u"--block-wait"_qs) {
      options.blockWait = Seconds(name, *value, kMaxWaitSeconds);
    } else if (name == u"--block-wait-max"_qs) {
      options.blockWaitMax = Seconds(name, *value, kMaxWaitSeconds);
    } else if (name == u"--on-block"_qs) {
      if (*value != u"wait"_qs && *value != u"stop"_qs) {
        Fail(u"--on-block: expected wait or stop, got \"%1\""_qs.arg(*value));
      }
      options.stopOnBlock = *value == u"stop"_qs;
    } else if (name == u"--give-up-after"_qs) {
      options.giveUpAfter = WholeNumber(name, *value, 1, kMaxInt);
    } else if (name == u"--workers"_qs) {
      options.workers = WholeNumber(name, *value, 1, kMaxWorkers);
    } else if (name == u"--queries"_qs) {
      if (value->isEmpty()) Fail(u"--queries: empty path"_qs);
      options.queriesFile = *value;
    } else {
      options.regions = RegionEntries(*value);
    }
  }
  if (options.blockWaitMax < options.blockWait) {
    Fail(u"--block-wait-max: must not be shorter than --block-wait"_qs);
  }
  // A floor on a fixed interval would silently do nothing.
  if (given.contains(u"--interval-min"_qs) && !options.autoInterval) {
    Fail(u"--interval-min: only used with --interval auto"_qs);
  }
  if (given.contains(u"--resume"_qs) && given.contains(u"--fresh"_qs)) {
    Fail(u"--resume and --fresh exclude each other"_qs);
  }
  if (options.interruptedJob == InterruptedJobChoice::Resume) {
    // The journal's job goes on exactly as it began; another value here would be ignored.
    for (const QString& input : {u"--queries"_qs, u"--regions"_qs, u"--retry"_qs, u"--limit"_qs}) {
      if (given.contains(input)) {
        Fail(
            u"%1 is not allowed with --resume, which continues the interrupted job with its own "
            u"queries, regions, retry count and limit"_qs.arg(input));
      }
    }
  }
  return options;
}

const char kRunUsage[] =
    "run [--dir DIR] [--origin URL] [--interval S|auto] [--interval-min S] [--retry N] [--limit N] "
    "[--queries FILE]"
    " [--regions \"name=rid,...\"] [--timeout-ms MS] [--open] [--block-wait S]"
    " [--block-wait-max S] [--on-block wait|stop] [--give-up-after N] [--xlsx | --no-xlsx]"
    " [--workers N] [--resume | --fresh]";

}  // namespace korvath
