#include "ui/startup_checks.h"

#include "platform/tls_library.h"

#include <QDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

const QString kAdvice =
    u"Для корректной работы программы извлеките файлы программы из архива в отдельную папку. Это "
    u"можно сделать, кликнув правой кнопкой мыши на архиве и выбрав пункт меню \"Извлечь все\""_qs;
const QString kArchive = u"Вы запустили программу изнутри архива!\r\n"_qs + kAdvice;
const QString kTemp =
    u"Программа запущена из временной папки!\r\nСкорее всего, Вы запустили программу изнутри "
    u"архива.\r\n"_qs +
    kAdvice;
const QString kNoTls =
    u"Программа не обнаружила необходимые для работы файлы!\r\nВероятно, Вы запустили программу "
    u"изнутри архива!\r\n"_qs +
    kAdvice;

struct LocationCase {
  const char* folder;
  bool tlsAvailable;
  const QString* expected;  // nullptr: the folder passes
};

class LocationChecks : public ::testing::TestWithParam<LocationCase> {};

TEST_P(LocationChecks, ReportFirstFailingCheck) {
  const LocationCase& c = GetParam();
  const QString message =
      LocationCheckMessage(QDir::toNativeSeparators(QString::fromUtf8(c.folder)), c.tlsAvailable);
  if (c.expected == nullptr) {
    EXPECT_TRUE(message.isEmpty()) << message.toStdString();
  } else {
    EXPECT_EQ(message, *c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LocationChecks,
    ::testing::Values(LocationCase{"/home/user/korvath/", true, nullptr},
                      LocationCase{"/tmp/Rar$EXa123.456/korvath/", true, &kArchive},
                      // Only the first failing check speaks.
                      LocationCase{"/home/u/Temp/Rar$EX1/", false, &kArchive},
                      LocationCase{"/home/u/rar$ex1/", true, nullptr},
                      LocationCase{"/home/u/Temp/korvath/", true, &kTemp},
                      LocationCase{"/home/u/TEMP/", true, &kTemp},
                      LocationCase{"/home/u/temp/", false, &kTemp},
                      // A folder whose name only begins with "Temp" is no temporary folder.
                      LocationCase{"/home/u/Templates/korvath/", true, nullptr},
                      LocationCase{"/home/u/mytemp/", true, nullptr},
                      LocationCase{"/home/u/korvath/", false, &kNoTls}));

TEST(TlsLibrary, CanBeInitialisedHere) { EXPECT_TRUE(TlsLibraryAvailable()); }

}  // namespace
}  // namespace korvath
