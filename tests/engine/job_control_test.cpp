#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>

#include <future>

#include "engine/job_control.h"
#include "engine/job_folders.h"
#include "engine/scraper_test_fixture.h"
#include "platform/work_thread.h"
#include "results/ui_hand_off.h"

namespace korvath::testing {
namespace {

const QString kFirstPage = SearchAddress(u"a"_qs, u"1"_qs);

// Runs the event loop until `condition` holds; false when it never does.
bool ProcessUntil(const std::function<bool()>& condition) {
  return WaitFor(condition, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
}

// Job control with a window whose hand-offs run on this (the user-interface) thread, and a job
// whose first request waits until the test lets it go.
class JobControlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "job_control_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
  }

  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    window.uiObject = &uiObject;
    window.onStartResumeTimer = [this] { control->StartResumeTimer(); };
    window.SetQueries({u"a"_qs});
    QObject::connect(control.get(), &JobControl::jobFinished, [this] { ++finishedJobs; });
    web.Answer(kFirstPage, ResultsPage({{u"A"_qs, QString()}}));
    web.onGet = [this](int) { requestsMayEnd.wait(); };
  }

  // A job's thread may outlive its test; wait until it has let go of everything the test owns.
  void TearDown() override {
    LetRequestsEnd();
    ASSERT_TRUE(ProcessUntil(
        [this] { return jobAlive.expired() || (control && finishedJobs == startedJobs); }));
  }

  ScraperConfig Config() {
    ScraperConfig config;
    config.origin = kOrigin;
    // Own copies: the job's thread may release them while this thread is releasing the folder.
    config.programFolder = QString::fromUtf8(folder.path().toUtf8());
    config.workingFolder = config.programFolder;
    auto alive = std::make_shared<int>();
    jobAlive = alive;
    config.makeFetcher = [factory = web.Factory(), alive] { return factory(); };
    return config;
  }

  bool StartJob() {
    const bool started = control->Start(window, {u"R=1"_qs}, Config());
    startedJobs += started ? 1 : 0;
    return started;
  }

  // Starts a job and waits until its first request is in flight.
  void StartJobInRequest() {
    ASSERT_TRUE(StartJob());
    ASSERT_TRUE(ProcessUntil([this] { return web.Requests().size() == 1; }));
  }

  void LetRequestsEnd() {
    if (!released) {
      released = true;
      requestMayEnd.set_value();
    }
  }

  void WaitForJobEnd() {
    ASSERT_TRUE(ProcessUntil([this] { return finishedJobs == startedJobs; }));
  }

  QTemporaryDir folder;
  QObject uiObject;
  FakeJobWindow window;
  FakeWeb web;
  std::promise<void> requestMayEnd;
  std::shared_future<void> requestsMayEnd = requestMayEnd.get_future().share();
  bool released = false;
  int startedJobs = 0;
  int finishedJobs = 0;
  std::weak_ptr<int> jobAlive;
  std::unique_ptr<JobControl> control = std::make_unique<JobControl>();
};

struct ValidationCase {
  const char* name;
  QStringList queries;
  QStringList regions;
  QString expected;
};

class JobControlValidation : public JobControlTest,
                             public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(JobControlValidation, MissingInputsAreReportedWithoutAJob) {
  const ValidationCase& c = GetParam();
  window.SetQueries(c.queries);

  EXPECT_FALSE(control->Start(window, c.regions, Config()));

  EXPECT_EQ(window.LogLines(), QStringList{c.expected});
  EXPECT_FALSE(control->JobRunning());
  EXPECT_TRUE(web.Requests().isEmpty());
}

const QString kNoQueries =
    u"Задайте список запросов! Пример: \r\nтруба бесшовная\r\nгазовые счетчики\r\n"_qs;
const QString kNoRegions = u"Ни один регион не отмечен! Поставьте галочки на нужных регионах."_qs;

INSTANTIATE_TEST_SUITE_P(
    , JobControlValidation,
    ::testing::Values(
        ValidationCase{"NoQueriesAndNoRegions", {}, {}, kNoQueries},
        ValidationCase{"BlankLinesOnly", {u"  "_qs, u"\t"_qs, QString()}, {u"R=1"_qs}, kNoQueries},
        ValidationCase{"NoRegions", {u" a "_qs}, {}, kNoRegions}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JobControlTest, SecondStartWhileAJobRunsIsRefused) {
  ASSERT_TRUE(StartJob());
  // Before the job has even shown its start state.
  EXPECT_FALSE(StartJob());
  ASSERT_TRUE(ProcessUntil([this] { return web.Requests().size() == 1; }));
  EXPECT_FALSE(StartJob());
  LetRequestsEnd();
  WaitForJobEnd();

  EXPECT_EQ(web.Requests().size(), 1);
  EXPECT_EQ(window.CountMessages(u"Начинаем работу."_qs), 1);
}

// What a Start refused for its folders throws; empty when it started.
std::string StartRefusal(JobControl& control, JobWindow& window, const ScraperConfig& config) {
  try {
    EXPECT_TRUE(control.Start(window, {u"R=1"_qs}, config));
  } catch (const std::runtime_error& refusal) {
    return refusal.what();
  }
  return {};
}

TEST_F(JobControlTest, AJobHoldsItsProgramFolderUntilItsThreadEnds) {
  StartJobInRequest();
  JobControl other;
  const std::string refusal = StartRefusal(other, window, Config());
  EXPECT_NE(refusal.find("уже идёт работа"), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("процесс " + std::to_string(QCoreApplication::applicationPid())),
            std::string::npos)
      << refusal;
  EXPECT_EQ(web.Requests().size(), 1);

  LetRequestsEnd();
  WaitForJobEnd();
  EXPECT_FALSE(QFile::exists(ProgramFolderLockPath(folder.path())));
  ProgramFolderLock free(folder.path());
}

// A front end asks before it reads the folder's journal; its own job's lock is no other job's.
TEST_F(JobControlTest, FolderCheckBeforeAStartCountsOnlyOtherJobs) {
  StartJobInRequest();
  EXPECT_NO_THROW(control->CheckFolderFree(folder.path()));
  JobControl other;
  EXPECT_THROW(other.CheckFolderFree(folder.path()), std::runtime_error);
  LetRequestsEnd();
  WaitForJobEnd();
  EXPECT_NO_THROW(other.CheckFolderFree(folder.path()));
  EXPECT_FALSE(QFile::exists(ProgramFolderLockPath(folder.path())));
}

TEST_F(JobControlTest, LockOfAProcessThatHasEndedIsTakenOver) {
  QFile stale(ProgramFolderLockPath(folder.path()));
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  // No process has this number: it lies past the largest one the system hands out.
  stale.write("2147483000\nkorvath-cli\n\n");
  stale.close();
  ASSERT_TRUE(StartJob());
  LetRequestsEnd();
  WaitForJobEnd();
}

TEST_F(JobControlTest, FolderThatCannotBeWrittenIsRefusedBeforeAnyRequest) {
  const QString missing = folder.filePath(u"missing"_qs);
  const struct {
    const char* name;
    bool programFolder;
    const char* part;
  } cases[] = {
      {"program folder", true, "в папку программы"},
      {"working folder", false, "в рабочую папку"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScraperConfig config = Config();
    (c.programFolder ? config.programFolder : config.workingFolder) = missing;
    const std::string refusal = StartRefusal(*control, window, config);
    EXPECT_NE(refusal.find(c.part), std::string::npos) << refusal;
    EXPECT_NE(refusal.find(QDir::toNativeSeparators(missing).toStdString()), std::string::npos)
        << refusal;
    // Windows words the reason itself, in the user's language.
    if (QSysInfo::kernelType() == u"linux"_qs) {
      EXPECT_NE(refusal.find("нет такого файла или папки"), std::string::npos) << refusal;
    }
  }
  EXPECT_FALSE(control->JobRunning());
  EXPECT_TRUE(web.Requests().isEmpty());
  EXPECT_TRUE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(JobControlTest, PauseTwiceHoldsThenReleases) {
  StartJobInRequest();

  control->Pause();
  EXPECT_TRUE(control->JobHeld());
  control->Pause();
  EXPECT_FALSE(control->JobHeld());
  LetRequestsEnd();
  WaitForJobEnd();

  const QStringList messages = window.Messages();
  const qsizetype paused = messages.indexOf(u"Включаем паузу"_qs);
  ASSERT_GE(paused, 0);
  EXPECT_EQ(messages.at(paused + 1), u"Отключаем паузу, продолжаем работу"_qs);
  EXPECT_EQ(window.CountMessages(u"Работа завершена"_qs), 1);
}

TEST_F(JobControlTest, StopOnAHeldJobReleasesItWithOneLine) {
  StartJobInRequest();

  control->Pause();
  control->Stop();
  EXPECT_FALSE(control->JobHeld());
  LetRequestsEnd();
  WaitForJobEnd();

  const QStringList messages = window.Messages();
  EXPECT_EQ(window.CountMessages(u"Останавливаем работу"_qs), 1);
  EXPECT_EQ(window.CountMessages(u"Отключаем паузу, продолжаем работу"_qs), 0);
  EXPECT_EQ(messages.at(messages.size() - 2), u"Работа завершена"_qs);
  int zeroed = 0;
  for (const auto& shown : window.Progress()) {
    zeroed += shown.position == 0 && shown.maximum == 1 ? 1 : 0;
  }
  // Both bars, at their maxima of one query and one region.
  EXPECT_GE(zeroed, 2);
}

TEST_F(JobControlTest, ErrorPauseEndsWhenTheResumeTimerFires) {
  web.Script(kFirstPage, {Failure("boom"), Body(ResultsPage({}, {}, u"Нашлось 0"_qs))});
  StartJobInRequest();
  LetRequestsEnd();

  ASSERT_TRUE(ProcessUntil([this] { return control->JobHeld(); }));
  EXPECT_TRUE(control->ResumeTimer().isActive());
  control->ResumeTimerTimer();
  EXPECT_FALSE(control->ResumeTimer().isActive());
  WaitForJobEnd();

  EXPECT_EQ(window.CountMessages(u"Включаем паузу на 15 секунд"_qs), 1);
  EXPECT_EQ(window.CountMessages(u"Отключаем паузу, продолжаем работу"_qs), 1);
  EXPECT_EQ(web.Requests().size(), 2);
}

TEST_F(JobControlTest, ControlsDoNothingBeforeStartOrAfterTheEnd) {
  const auto actOnEverything = [this] {
    control->Pause();
    control->Stop();
    control->ResumeTimerTimer();
  };
  actOnEverything();
  EXPECT_TRUE(window.LogLines().isEmpty());

  StartJobInRequest();
  LetRequestsEnd();
  WaitForJobEnd();
  const QStringList lines = window.LogLines();
  const size_t shown = window.Progress().size();
  actOnEverything();

  EXPECT_EQ(window.LogLines(), lines);
  EXPECT_EQ(window.Progress().size(), shown);
}

TEST_F(JobControlTest, AbandonedJobLeavesTheWindowAlone) {
  StartJobInRequest();
  const int handOffs = window.handOffs.load();

  control->Abandon();
  EXPECT_FALSE(control->JobRunning());
  LetRequestsEnd();
  ASSERT_TRUE(ProcessUntil([this] { return web.liveFetchers == 0; }));

  EXPECT_EQ(window.handOffs.load(), handOffs);
  EXPECT_EQ(window.CountMessages(u"Работа завершена"_qs), 0);
}

TEST_F(JobControlTest, JobOutlivesItsControl) {
  StartJobInRequest();

  control.reset();
  LetRequestsEnd();

  ASSERT_TRUE(ProcessUntil([this] { return web.liveFetchers == 0; }));
  EXPECT_EQ(window.CountMessages(u"Работа завершена"_qs), 0);
}

TEST_F(JobControlTest, HandOffRethrowsTheRoutinesFailureOnTheCallingThread) {
  std::atomic<bool> done = false;
  std::string caught;
  WorkThread job([&] {
    try {
      BlockingHandOff(&uiObject, [] { throw std::runtime_error("disk full"); });
    } catch (const std::runtime_error& failure) {
      caught = failure.what();
    }
    done = true;
  });
  ASSERT_TRUE(ProcessUntil([&] { return done.load(); }));
  job.Join();

  EXPECT_EQ(caught, "disk full");
}

// A lock file cut short as it was written (a power cut) holds no job: the check before a start
// takes it over and says so. One only just made may be a start in progress and is left alone.
TEST(ProgramFolderLockFile, EmptyOrUnreadableLockIsTakenOverOnceItIsOld) {
  const struct {
    const char* name;
    QByteArray content;
    int ageSeconds;
    bool takenOver;
  } cases[] = {
      {"Empty", "", 3600, true},
      {"Garbage", QByteArray("\0\x01garbage", 9), 3600, true},
      {"EmptyJustMade", "", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    const QString path = ProgramFolderLockPath(folder.path());
    QFile lock(path);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(c.content);
    ASSERT_TRUE(lock.flush());
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-c.ageSeconds),
                                 QFileDevice::FileModificationTime));
    lock.close();
    if (c.takenOver) {
      EXPECT_EQ(
          CheckFolderFree(folder.path()),
          u"Файл \"%1\" был пустым или нечитаемым (так бывает после сбоя питания): работа, "
          u"которая его оставила, уже не идёт, и папка программы взята для новой работы"_qs.arg(
              QDir::toNativeSeparators(path)));
      const ProgramFolderLock job(folder.path());
      EXPECT_TRUE(job.TakeOverNotice().isEmpty());
    } else {
      try {
        CheckFolderFree(folder.path());
        ADD_FAILURE() << "taken over";
      } catch (const std::runtime_error& refusal) {
        EXPECT_NE(std::string(refusal.what()).find("как раз начинается другая работа"),
                  std::string::npos)
            << refusal.what();
      }
    }
  }
}

}  // namespace
}  // namespace korvath::testing
