// The results file as a spreadsheet reads it: LibreOffice, headless, turns it into a flat
// OpenDocument file, whose cells say whether they hold a formula.
#include "results/csv_export.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace korvath {
namespace {

TEST(CsvInSpreadsheet, NoValueFromAPageBecomesAFormula) {
  const QString soffice = QStandardPaths::findExecutable(u"soffice"_qs);
  if (soffice.isEmpty())
    GTEST_SKIP() << "soffice is not installed (Debian: libreoffice-calc-nogui)";
  QTemporaryDir dir;
  ResultTable table;
  table.Append({u"=1+1"_qs, u"Москва"_qs, u"1"_qs, u"@SUM(1;2)"_qs, u"-A1+2"_qs, u"+A1"_qs,
                u"Россия, Москва"_qs, u"-(1)"_qs, u"-10%"_qs,
                u"=HYPERLINK(\"http://x.test\";\"жми\")"_qs, u"+7 (495) 123-45-67"_qs});
  const QString csv = dir.filePath(u"results.csv"_qs);
  SaveCsvFile(csv, table, CsvFile::Results);

  // Field separator ";", text delimiter '"', Windows-1251 (code 34), from line 1, formulas
  // evaluated: how the file opens by default.
  QProcess process;
  process.start(
      soffice,
      {u"-env:UserInstallation="_qs + QUrl::fromLocalFile(dir.filePath(u"profile"_qs)).toString(),
       u"--headless"_qs, u"--norestore"_qs, u"--infilter=CSV:59,34,34,1,,,false,,,,,,true"_qs,
       u"--convert-to"_qs, u"fods"_qs, u"--outdir"_qs, dir.path(), csv});
  ASSERT_TRUE(process.waitForFinished(120000));
  QFile converted(dir.filePath(u"results.fods"_qs));
  ASSERT_TRUE(converted.open(QIODevice::ReadOnly)) << process.readAllStandardError().toStdString();
  const QString document = QString::fromUtf8(converted.readAll());
  EXPECT_FALSE(document.contains(u"table:formula="_qs));
  for (const QString& text :
       {u"=1+1"_qs, u"=HYPERLINK(&quot;http://x.test&quot;;&quot;жми&quot;)"_qs, u"+7 (495)"_qs,
        u"Москва"_qs})
    EXPECT_TRUE(document.contains(text)) << text.toStdString();
}

}  // namespace
}  // namespace korvath
