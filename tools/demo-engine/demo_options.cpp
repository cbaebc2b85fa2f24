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
  const QCommandLineOption log("log", "Write one line per request to standard error.");
  parser.addOption(log);
  // Benchmarks compare the job with a plain client; a missing card costs the job a one-second
  // wait that says nothing about its speed.
  const QCommandLineOption noMissingCards("no-missing-cards", "Answer every contact card.");
  parser.addOption(noMissingCards);

  if (!parser.parse(arguments)) throw std::runtime_error(parser.errorText().toStdString());
  if (!parser.positionalArguments().isEmpty())
    throw std::runtime_error("unexpected argument \"" +
                             parser.positionalArguments().front().toStdString() + "\"");
  if (parser.isSet(help)) {
    options.help = parser.helpText().toStdString();
    return options;
  }
  for (const NumberOption& n : numbers) *n.target = ReadNumber(parser, n);
  options.logRequests = parser.isSet(log);
  options.shape.missingCards = !parser.isSet(noMissingCards);
  return options;
}

}  // namespace korvath::demo
