#include "cli/fetch_command.h"
#include "cli/inspect_command.h"
#include "cli/run_command.h"
#include "cli/run_options.h"
#include "cli/ui_turn.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

using CommandFunction = int (*)(const QStringList& arguments);

struct Command {
  const char* name;
  const char* usage;
  CommandFunction run;
};

// One line per command; each gets the arguments after its name and returns the exit status.
constexpr Command kCommands[] = {
    {"fetch", korvath::kFetchUsage, korvath::FetchCommand},
    {"inspect-page", "inspect-page FILE [--origin URL]", korvath::InspectPageCommand},
    {"inspect-card", "inspect-card FILE", korvath::InspectCardCommand},
    {"run", korvath::kRunUsage, korvath::RunCommand},
};

int PrintUsage() {
  std::fputs("usage: korvath-cli COMMAND [ARGUMENTS]\ncommands:\n", stderr);
  for (const Command& command : kCommands) {
    std::fprintf(stderr, "  korvath-cli %s\n", command.usage);
  }
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  korvath::TurnTakingApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() < 2) {
    return PrintUsage();
  }
  const QString name = arguments.at(1);
  arguments.remove(0, 2);
  for (const Command& command : kCommands) {
    if (name == QLatin1String(command.name)) {
      return command.run(arguments);
    }
  }
  std::fprintf(stderr, "korvath-cli: unknown command \"%s\"\n", qUtf8Printable(name));
  return PrintUsage();
}
