#pragma once

#include "ui/main_form.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace korvath::testing {

// One QApplication for every test of the program.
void EnsureApplication();

struct ShownMessage {
  QString caption;
  QString text;
};

struct AskedQuestion {
  QString caption;
  QString text;
  QStringList answers;
};

// What the window handed to job control.
struct StartedJob {
  QStringList checkedRegions;
  ScraperConfig config;
};

// A program folder of its own for every test, message boxes and questions answered by recording
// them, jobs recorded as they are started, and a window made on demand over that folder.
class FormTest : public ::testing::Test {
 protected:
  FormTest();
  ~FormTest() override;

  QString Folder() const { return folder_.path(); }
  void WriteFile(const QString& name, const QByteArray& bytes) const;
  QByteArray ReadFile(const QString& name) const;

  // Makes the window over `folder` (the test's own by default) and shows it.
  TMainForm& ShowForm(const QString& folder = {}, const QString& engineOrigin = {});
  TMainForm& Form() { return *form_; }

  template <typename T>
  T& Control(const char* name) {
    auto* control = form_->findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) {
      ADD_FAILURE() << "no control " << name;
      throw std::runtime_error(name);
    }
    return *control;
  }

  QStringList LogLines();

  std::vector<ShownMessage> messages_;
  std::vector<AskedQuestion> questions_;
  // The index of the answer that questions get; the last one (cancel) when negative.
  int questionAnswer_ = -1;
  std::vector<StartedJob> startedJobs_;
  // Whether a start goes on to job control, or is only recorded.
  bool jobsStart_ = true;
  std::vector<QString> openedDocuments_;
  std::vector<QUrl> openedUrls_;
  std::vector<QString> openedFolders_;

 private:
  // In the folder the test runs in, not the system's temporary folder: the window refuses to
  // run from a folder under "\Temp\", where Windows keeps it.
  QTemporaryDir folder_{QDir::current().filePath(u"korvath-window-XXXXXX"_qs)};
  std::unique_ptr<TMainForm> form_;
};

// A catalogue with A (10) > B (20) > C (30) and A (10) > D (40), then E (50) at the top level.
QByteArray SmallCatalogue();

}  // namespace korvath::testing
