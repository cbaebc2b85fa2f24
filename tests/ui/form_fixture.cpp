#include "form_fixture.h"

#include "ui/memo_lines.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>

// Fontconfig, which Qt's fonts use, keeps its configuration for the life of the process; the leak
// checker of sanitizer builds is not to count it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace korvath::testing {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

FormTest::FormTest() {
  EnsureApplication();
  SetMessageBoxHook([this](QWidget*, const QString& caption, const QString& text) {
    messages_.push_back({caption, text});
  });
  SetQuestionHook(
      [this](QWidget*, const QString& caption, const QString& text, const QStringList& answers) {
        questions_.push_back({caption, text, answers});
        return questionAnswer_ < 0 ? int(answers.size()) - 1 : questionAnswer_;
      });
}

FormTest::~FormTest() {
  form_.reset();
  SetMessageBoxHook({});
  SetQuestionHook({});
}

void FormTest::WriteFile(const QString& name, const QByteArray& bytes) const {
  QFile file(QDir(Folder()).filePath(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray FormTest::ReadFile(const QString& name) const {
  QFile file(QDir(Folder()).filePath(name));
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  return file.readAll();
}

TMainForm& FormTest::ShowForm(const QString& folder, const QString& engineOrigin) {
  MainFormOptions options;
  if (!engineOrigin.isEmpty()) {
    options.engineOrigin = engineOrigin;
  }
  options.programFolder = folder.isEmpty() ? Folder() : folder;
  options.tlsAvailable = [] { return true; };
  options.openDocument = [this](const QString& path) { openedDocuments_.push_back(path); };
  options.openUrl = [this](const QUrl& url) { openedUrls_.push_back(url); };
  options.openFolder = [this](const QString& path) { openedFolders_.push_back(path); };
  options.startJob = [this](JobControl& control, JobWindow& window,
                            const QStringList& checkedRegions, const ScraperConfig& config) {
    startedJobs_.push_back({checkedRegions, config});
    return jobsStart_ && control.Start(window, checkedRegions, config);
  };
  form_ = std::make_unique<TMainForm>(options);
  form_->show();
  return *form_;
}

QStringList FormTest::LogLines() { return MemoLines(Control<QPlainTextEdit>("LogsMemo")); }

QByteArray SmallCatalogue() {
  return "<table><tr><td id=\"beginRegions\">"
         "<label for=\"10_\">A</label>"
         "<label for=\"10_20_\">B</label>"
         "<label for=\"10_20_30_\">C</label>"
         "<label for=\"10_40_\">D</label>"
         "<label for=\"50_\">E</label>"
         "</td></tr></table>";
}

}  // namespace korvath::testing
