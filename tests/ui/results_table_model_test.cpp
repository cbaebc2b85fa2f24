#include "form_fixture.h"

#include "ui/qt_translations.h"
#include "ui/results_table_model.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace korvath {
namespace {

enum Column { kRegion = 0, kTitle = 3 };

// The region tells a walked row (as shown early) from the table's row that takes its place.
ResultRow Row(const QString& title, const QString& from) {
  ResultRow row;
  row.title = title;
  row.region = from;
  return row;
}

QStringList Shown(const ResultsTableModel& model) {
  QStringList rows;
  for (int row = 0; row < model.rowCount(); ++row)
    rows.append(model.index(row, kTitle).data().toString() + u'/' +
                model.index(row, kRegion).data().toString());
  return rows;
}

TEST(ResultsTableModel, ShowsWalkedRowsAtOnceAndTheTablesRowsInTheirPlaces) {
  testing::EnsureApplication();
  ResultsTableModel model(nullptr, std::chrono::milliseconds(0));
  ResultTable table;
  // Tasks 1 and 2 are walked before task 0.
  model.RowsWalked(table, 1, {Row(u"b1"_qs, u"w"_qs), Row(u"b2"_qs, u"w"_qs)});
  model.RowsWalked(table, 2, {Row(u"c1"_qs, u"w"_qs), Row(u"c2"_qs, u"w"_qs)});
  model.RowsWalked(table, 0, {Row(u"a1"_qs, u"w"_qs)});
  model.TakePendingRows();
  EXPECT_EQ(Shown(model),
            (QStringList{u"b1/w"_qs, u"b2/w"_qs, u"c1/w"_qs, u"c2/w"_qs, u"a1/w"_qs}));

  // Task 1 enters the table with one row more than was walked, task 2 with one fewer.
  const auto enter = [&](int task, const QStringList& titles) {
    for (const QString& title : titles) table.Append(Row(title, u"t"_qs));
    model.TaskRowsAppended(table, task);
  };
  enter(0, {u"a1"_qs});
  enter(1, {u"b1"_qs, u"b2"_qs, u"b3"_qs});
  enter(2, {u"c1"_qs});
  model.TakePendingRows();
  EXPECT_EQ(Shown(model),
            (QStringList{u"b1/t"_qs, u"b2/t"_qs, u"c1/t"_qs, u"a1/t"_qs, u"b3/t"_qs}));

  model.sort(kTitle, Qt::AscendingOrder);
  EXPECT_EQ(Shown(model),
            (QStringList{u"a1/t"_qs, u"b1/t"_qs, u"b2/t"_qs, u"b3/t"_qs, u"c1/t"_qs}));
}

TEST(QtTranslations, PutQtsOwnMenusAndButtonsIntoRussian) {
  testing::EnsureApplication();
  const QString file = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_ru.qm"_qs;
  if (!QFile::exists(file)) GTEST_SKIP() << "qt6-translations-l10n is not installed";
  ASSERT_TRUE(LoadQtTranslations(*QCoreApplication::instance()));
  QPlainTextEdit box;
  const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
  QStringList items;
  for (const QAction* action : menu->actions()) items.append(action->text());
  QMessageBox question;
  const QString cancel = question.addButton(QMessageBox::Cancel)->text();
  // The other tests see Qt's texts as they were.
  for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
  EXPECT_TRUE(items.join(u' ').contains(u"Копировать"_qs)) << items.join(u' ').toStdString();
  EXPECT_EQ(cancel, u"Отмена"_qs);
}

}  // namespace
}  // namespace korvath
