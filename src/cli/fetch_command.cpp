#include "cli/fetch_command.h"

#include "cli/json_text.h"
#include "inputs/program_folder.h"
#include "platform/console.h"
#include "web/address.h"
#include "web/proxy_file.h"
#include "web/tpage_fetcher.h"

#include <QSaveFile>

#include <cstdio>
#include <optional>
#include <stdexcept>

namespace korvath {

namespace {

constexpr int kAllFetched = 0;
constexpr int kFailed = 1;
constexpr int kUsageOrInputError = 2;

struct FetchArguments {
  QString folder;
  QString outPath;
  QStringList addresses;
};

void PrintError(const QString& message) {
  WriteTerminalText(stderr, u"korvath-cli: "_qs + message + u'\n');
}

std::optional<FetchArguments> ParseArguments(const QStringList& arguments) {
  FetchArguments parsed;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments.at(i);
    const bool takesValue = argument == u"--dir"_qs || argument == u"--out"_qs;
    if (takesValue && i + 1 >= arguments.size()) {
      PrintError(u"%1 needs a value; usage: %2"_qs.arg(argument, QLatin1String(kFetchUsage)));
      return std::nullopt;
    }
    if (argument == u"--dir"_qs) {
      parsed.folder = arguments.at(++i);
    } else if (argument == u"--out"_qs) {
      parsed.outPath = arguments.at(++i);
    } else if (argument.startsWith(u"--"_qs)) {
      PrintError(u"unknown option \"%1\"; usage: %2"_qs.arg(argument, QLatin1String(kFetchUsage)));
      return std::nullopt;
    } else {
      parsed.addresses.append(argument);
    }
  }
  if (parsed.addresses.isEmpty()) {
    PrintError(u"no address given; usage: %1"_qs.arg(QLatin1String(kFetchUsage)));
    return std::nullopt;
  }
  return parsed;
}

QByteArray Field(const char* name, const QByteArray& value) {
  return JsonString(QString::fromLatin1(name)) + ": " + value;
}

void PrintLine(const QByteArray& line) {
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

bool WriteBody(const QString& path, const QByteArray& body) {
  QSaveFile file(path);
  // The explicit flush brings out a failure (a full disk) that commit() alone would miss.
  if (file.open(QIODevice::WriteOnly) && file.write(body) == body.size() && file.flush() &&
      file.commit()) {
    return true;
  }
  PrintError(u"cannot write \"%1\": %2"_qs.arg(path, file.errorString()));
  return false;
}

}  // namespace

int FetchCommand(const QStringList& arguments) {
  const std::optional<FetchArguments> parsed = ParseArguments(arguments);
  if (!parsed) return kUsageOrInputError;

  TPageFetcher fetcher;
  try {
    const QString folder = ChooseProgramFolder(ProgramFolderPlacesOfThisProgram(parsed->folder));
    if (const std::optional<ProxySettings> proxy = ReadProxyFile(folder)) {
      WriteTerminalText(stderr, proxy->logLine + u'\n');
      if (proxy->unusableReason) {
        WriteTerminalText(stderr, *proxy->unusableReason + u'\n');
        return kFailed;
      }
      fetcher.SetProxyParams(proxy->params);
    }
  } catch (const std::runtime_error& error) {
    PrintError(QString::fromUtf8(error.what()));
    return kUsageOrInputError;
  }

  int status = kAllFetched;
  bool lastFetched = false;
  QByteArray body;
  for (const QString& address : parsed->addresses) {
    QString resolved = address;
    try {
      resolved = AddressText(ResolveAddress(address, fetcher.URL()));
    } catch (const std::runtime_error&) {
      // Get reports the same fault below; the line then names the address as given.
    }
    std::optional<QString> failure;
    lastFetched = false;
    body.clear();
    // Like a job run, every request through a proxy goes out on a connection of its own.
    if (!fetcher.GetProxyParams().ProxyServer.isEmpty()) fetcher.Disconnect();
    try {
      fetcher.Get(address, body);
      lastFetched = true;
    } catch (const std::runtime_error& error) {
      failure = QString::fromUtf8(error.what());
      status = kFailed;
    }
    QByteArray line = "{" + Field("url", JsonString(resolved)) + ", " +
                      Field("response_code", QByteArray::number(fetcher.ResponseCode())) + ", " +
                      Field("document", JsonString(fetcher.URL().Document)) + ", " +
                      Field("bytes", QByteArray::number(failure ? 0 : body.size()));
    if (failure) line += ", " + Field("error", JsonString(*failure));
    PrintLine(line + "}");
  }
  // A failed last request leaves any earlier file as it was rather than replacing it with a part.
  if (!parsed->outPath.isEmpty() && lastFetched && !WriteBody(parsed->outPath, body)) {
    return kFailed;
  }
  return status;
}

}  // namespace korvath
