#pragma once

#include <QStringList>

namespace korvath {

// `korvath-cli inspect-page FILE [--origin URL]`: what the job reads from a saved results page,
// as one JSON object on stdout. `arguments` are those after the command's name. Returns the
// exit status: 0, or 2 for bad arguments or a file that cannot be read.
int InspectPageCommand(const QStringList& arguments);

// `korvath-cli inspect-card FILE`: the five values of a saved contact card as one JSON object.
int InspectCardCommand(const QStringList& arguments);

}  // namespace korvath
