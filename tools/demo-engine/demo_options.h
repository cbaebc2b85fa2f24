#pragma once

#include "demo-engine/demo_ads.h"
#include "demo-engine/demo_router.h"

#include <QStringList>

#include <string>

namespace korvath::demo {

struct DemoOptions {
  int port = 0;  // 0: one the system picks
  EngineShape shape;
  Misbehaviour misbehaviour;
  int slowMs = 0;      // delay before every answer
  int exitAfterS = 0;  // 0: run until killed
  bool logRequests = false;
  std::string help;  // set when the user asked for help instead of a run
};

// Reads the command line (arguments[0] is the program). Throws std::runtime_error with a message
// for the user on a bad option.
DemoOptions ParseDemoOptions(const QStringList& arguments);

}  // namespace korvath::demo
