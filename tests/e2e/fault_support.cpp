#include "fault_support.h"

#include "support/child_process.h"
#include "support/free_port.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace korvath::e2e {

using testing::SendSignal;
using testing::StartAsShellWould;

namespace {

// Runs the mounts, then korvath-cli in the working folder: a folder mounted over must be entered
// anew to be the one the program sees.
constexpr char kMountedRunScript[] = R"(set -e
P=$1 W=$2 KEEP=$3
shift 3
eval "$MOUNTS"
cd "$W"
if [ -z "$KEEP" ]; then exec "$@"; fi
set +e
"$@"
status=$?
cp -a "$P"/. "$KEEP"/ || status=125
exit $status
)";

}  // namespace

RestartableEngine::RestartableEngine(const QStringList& options)
    : options_(options), port_(korvath::testing::FreeLoopbackPort()) {
  Start();
}

void RestartableEngine::Stop() { engine_.reset(); }

void RestartableEngine::Start() {
  engine_ =
      std::make_unique<DemoEngine>(options_ + QStringList{u"--port"_qs, QString::number(port_)});
}

QString RestartableEngine::Origin() const {
  return u"https://127.0.0.1:"_qs + QString::number(port_);
}

QString MountNamespaceUnavailable() {
  static const QString reason = [] {
    QTemporaryDir folder;
    QProcess probe;
    probe.start(u"unshare"_qs, {u"-m"_qs, u"--propagation"_qs, u"private"_qs, u"mount"_qs, u"-t"_qs,
                                u"tmpfs"_qs, u"-o"_qs, u"size=4k"_qs, u"tmpfs"_qs, folder.path()});
    if (!probe.waitForFinished(60'000)) return u"unshare did not run: "_qs + probe.errorString();
    if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
      return u"cannot mount in a namespace of its own: "_qs +
             QString::fromLocal8Bit(probe.readAllStandardError()).trimmed();
    }
    return QString();
  }();
  return reason;
}

RunningCli StartMountedCli(const Sandbox& sandbox, const QString& mounts,
                           const QStringList& runArguments, const QString& keep) {
  return RunningCli([&](QProcess& process) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"MOUNTS"_qs, mounts);
    process.setProcessEnvironment(environment);
    process.setProgram(u"unshare"_qs);
    process.setArguments(QStringList{u"-m"_qs, u"--propagation"_qs, u"private"_qs, u"bash"_qs,
                                     u"-c"_qs, QString::fromLatin1(kMountedRunScript), u"bash"_qs,
                                     sandbox.ProgramFolder(), sandbox.WorkingFolder(), keep,
                                     QStringLiteral(KORVATH_CLI_PATH), u"run"_qs, u"--dir"_qs,
                                     sandbox.ProgramFolder()} +
                         runArguments);
    StartAsShellWould(process);
  });
}

}  // namespace korvath::e2e
