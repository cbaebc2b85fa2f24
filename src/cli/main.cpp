#include "cli/fetch_command.h"
#include "cli/inspect_command.h"
#include "cli/run_command.h"
#include "cli/run_options.h"
#include "cli/ui_turn.h"
#include "platform/console.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
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

constexpr int kExitHelp = 0;
constexpr int kExitBadCommand = 2;

// Asked for, the usage goes to standard output and ends the program well; after a mistake it goes
// to standard error and the exit status says the command line was wrong.
int PrintUsage(std::FILE* out, int status) {
  std::fputs("usage: korvath-cli COMMAND [ARGUMENTS]\ncommands:\n", out);
  for (const Command& command : kCommands) {
    std::fprintf(out, "  korvath-cli %s\n", command.usage);
  }
  std::fputs("Each command also takes --help.\n", out);
  return status;
}

bool AsksForHelp(const QString& argument) {
  return argument == u"--help"_qs || argument == u"-h"_qs;
}

}  // namespace

int main(int argc, char* argv[]) {
  korvath::TurnTakingApplication app(argc, argv);
  korvath::PrepareStandardStreams();
  QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() < 2) {
    return PrintUsage(stderr, kExitBadCommand);
  }
  const QString name = arguments.at(1);
  if (name == u"help"_qs || AsksForHelp(name)) {
    return PrintUsage(stdout, kExitHelp);
  }
  arguments.remove(0, 2);
  for (const Command& command : kCommands) {
    if (name == QLatin1String(command.name)) {
      if (std::any_of(arguments.begin(), arguments.end(), AsksForHelp)) {
        std::printf("usage: korvath-cli %s\n", command.usage);
        return kExitHelp;
      }
      return command.run(arguments);
    }
  }
  std::fprintf(stderr, "korvath-cli: unknown command \"%s\"\n", qUtf8Printable(name));
  return PrintUsage(stderr, kExitBadCommand);
}
