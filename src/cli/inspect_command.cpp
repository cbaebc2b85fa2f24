#include "cli/inspect_command.h"

#include "cli/json_text.h"
#include "engine/card_parse.h"
#include "engine/engine_origin.h"
#include "engine/results_page.h"
#include "platform/console.h"
#include "web/body_text.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <optional>

namespace korvath {

namespace {

constexpr int kUsageOrInputError = 2;

int Fail(const QString& message) {
  WriteTerminalText(stderr, u"korvath-cli: "_qs + message + u'\n');
  return kUsageOrInputError;
}

// The file's text decoded the way the job decodes a received body; nullopt after reporting why
// the file could not be read.
std::optional<QString> ReadPageText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    Fail(u"cannot read \"%1\": %2"_qs.arg(path, file.errorString()));
    return std::nullopt;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    Fail(u"cannot read \"%1\": %2"_qs.arg(path, file.errorString()));
    return std::nullopt;
  }
  return BodyToText(bytes);
}

void PrintLine(const QByteArray& json) {
  std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

QByteArray Field(const char* name, const QByteArray& value) {
  return JsonString(QString::fromLatin1(name)) + ": " + value;
}

QByteArray AdJson(QStringView block) {
  const AdFields fields = ReadAdFields(block);
  return "{" + Field("title", JsonString(fields.title)) + ", " +
         Field("text", JsonString(fields.text)) + ", " + Field("site", JsonString(fields.site)) +
         ", " + Field("card_link", JsonString(fields.cardLink)) + "}";
}

}  // namespace

int InspectPageCommand(const QStringList& arguments) {
  QString path;
  QString origin = kDefaultEngineOrigin.toString();
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments.at(i);
    if (argument == u"--origin") {
      if (i + 1 >= arguments.size()) {
        return Fail(u"--origin needs a URL"_qs);
      }
      origin = arguments.at(++i);
    } else if (path.isEmpty() && !argument.startsWith(u"--")) {
      path = argument;
    } else {
      return Fail(
          u"unexpected argument \"%1\"; usage: inspect-page FILE [--origin URL]"_qs.arg(argument));
    }
  }
  if (path.isEmpty()) {
    return Fail(u"usage: inspect-page FILE [--origin URL]"_qs);
  }
  const std::optional<QString> page = ReadPageText(path);
  if (!page) {
    return kUsageOrInputError;
  }
  const std::optional<QString> foundLine = FoundLine(*page);
  QByteArray ads = "[";
  const QList<QStringView> blocks = AdBlocks(*page);
  for (qsizetype i = 0; i < blocks.size(); ++i) {
    ads += (i == 0 ? "" : ", ") + AdJson(blocks.at(i));
  }
  ads += "]";
  PrintLine("{" + Field("next_page", JsonString(NextPageAddress(*page, origin, origin))) + ", " +
            Field("found_line", foundLine ? JsonString(*foundLine) : QByteArray("null")) + ", " +
            Field("nothing_found", NothingFound(*page) ? "true" : "false") + ", " +
            Field("card_link_count", QByteArray::number(CardLinkCount(*page))) + ", " +
            Field("ads", ads) + "}");
  return 0;
}

int InspectCardCommand(const QStringList& arguments) {
  if (arguments.size() != 1 || arguments.at(0).startsWith(u"--")) {
    return Fail(u"usage: inspect-card FILE"_qs);
  }
  const std::optional<QString> card = ReadPageText(arguments.at(0));
  if (!card) {
    return kUsageOrInputError;
  }
  const CardValues values = ParseCard(*card);
  PrintLine("{" + Field("company", JsonString(values.company)) + ", " +
            Field("card_region", JsonString(values.cardRegion)) + ", " +
            Field("address", JsonString(values.address)) + ", " +
            Field("phone", JsonString(values.phone)) + ", " +
            Field("email", JsonString(values.email)) + "}");
  return 0;
}

}  // namespace korvath
