#pragma once

#include <QStringList>

namespace korvath {

// `korvath-cli run ...`: runs one job the way the window would, without a display. `arguments`
// are those after "run". Returns the exit status: 0 after a completed job, 130 after a stop,
// 2 for bad arguments, missing inputs or an interrupted job in the journal that neither --resume
// nor --fresh says what to do with, 1 when the job could do no work (an unusable proxy
// file), its results file could not be written or it gave up on some query in some region,
// 3 when it met a block and was told to stop there.
// Needs a QCoreApplication.
int RunCommand(const QStringList& arguments);

}  // namespace korvath
