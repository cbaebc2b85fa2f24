#include "textutil/russian_plural.h"
#include "textutil/file_errors.h"

#include "platform/system_reason.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

TEST(RussianPlural, NounAgreesWithTheNumber) {
  const NounForms attempts{u"попытка", u"попытки", u"попыток"};
  const std::pair<qint64, const char16_t*> cases[] = {
      {0, u"0 попыток"},     {1, u"1 попытка"},     {2, u"2 попытки"},       {4, u"4 попытки"},
      {5, u"5 попыток"},     {11, u"11 попыток"},   {12, u"12 попыток"},     {14, u"14 попыток"},
      {20, u"20 попыток"},   {21, u"21 попытка"},   {22, u"22 попытки"},     {101, u"101 попытка"},
      {111, u"111 попыток"}, {112, u"112 попыток"}, {1004, u"1004 попытки"}, {-1, u"-1 попытка"},
      {-12, u"-12 попыток"},
  };
  for (const auto& [count, expected] : cases)
    EXPECT_EQ(CountOf(count, attempts), QStringView(expected)) << count;
}

// What Qt says of a file it cannot create reaches the log in Russian.
TEST(FileErrors, GiveTheSystemsReasonInRussian) {
  QTemporaryDir dir;
  QFile file(dir.filePath(u"no/such/folder/current.csv"_qs));
  ASSERT_FALSE(file.open(QIODevice::WriteOnly));
  const QString text = FileFailureText(FileAction::Create, file.fileName(), file.errorString());
  EXPECT_TRUE(text.startsWith(
      u"Не удаётся создать файл \"%1\": "_qs.arg(QDir::toNativeSeparators(file.fileName()))));
  EXPECT_EQ(RussianFileReason(u"Unknown error"_qs), u"причина неизвестна"_qs);
  EXPECT_EQ(RussianFileReason(u"Диск сломан"_qs), u"Диск сломан"_qs);
  if (RussianSystemReason(file.errorString()).isEmpty())
    GTEST_SKIP() << "Windows words the reason in the user's own language";
  EXPECT_TRUE(text.endsWith(u": нет такого файла или папки"_qs)) << text.toStdString();
}

}  // namespace
}  // namespace korvath
