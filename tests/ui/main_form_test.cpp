#include "form_fixture.h"
#include "platform/code_page.h"

#include "engine/job_folders.h"
#include "textutil/text_file.h"
#include "ui/memo_lines.h"
#include "ui/region_tree_view.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <optional>

namespace korvath::testing {
namespace {

class MainForm : public FormTest {
 protected:
  void ShowWithCatalogue() {
    WriteFile(u"regions.html"_qs, SmallCatalogue());
    ShowForm();
  }

  // Nodes of SmallCatalogue by their names.
  RegionNode Node(const QString& name) {
    RegionTreeModel& tree = Form().Regions();
    for (RegionNode n = 0; n < tree.NodeCount(); ++n) {
      if (tree.Text(n).startsWith(name + u" ("_qs)) {
        return n;
      }
    }
    ADD_FAILURE() << "no node " << name.toStdString();
    return kNoNode;
  }

  QString Ticked() {
    QString ticked;
    RegionTreeModel& tree = Form().Regions();
    for (RegionNode n = 0; n < tree.NodeCount(); ++n) {
      if (tree.IsChecked(n)) {
        ticked += tree.Text(n).left(1);
      }
    }
    return ticked;
  }

  void TickOnly(const QString& names) {
    Form().Regions().SetAllChecked(false);
    for (QChar name : names) {
      Form().Regions().SetChecked(Node(name), true);
    }
  }
};

TEST_F(MainForm, SpinBoxesStartAtTheirDefaultsWithoutUpperLimit) {
  ShowForm();
  struct SpinCase {
    const char* name;
    int value;
    int minimum;
  };
  for (const SpinCase& c : {SpinCase{"IntervalSpinEdit", 3, 0}, SpinCase{"LimitSpinEdit", 10, 0},
                            SpinCase{"RetrySpinEdit", 20, 1}}) {
    auto& box = Control<QSpinBox>(c.name);
    EXPECT_EQ(std::make_pair(box.value(), box.minimum()), std::make_pair(c.value, c.minimum))
        << c.name;
    EXPECT_EQ(box.maximum(), INT_MAX) << c.name;
  }
  EXPECT_FALSE(Control<QCheckBox>("Limit10CheckBox").isChecked());
  EXPECT_FALSE(Form().Jobs().ResumeTimer().isActive());
}

TEST_F(MainForm, LayoutKeepsTreeFixedAndGrowsQueriesAndLog) {
  ShowForm();
  auto& tree = Control<QTreeView>("RegionsTree");
  auto& queries = Control<QPlainTextEdit>("KeywordsMemo");
  auto& log = Control<QPlainTextEdit>("LogsMemo");
  const QSize treeBefore = tree.size();
  const QSize queriesBefore = queries.size();
  const QSize logBefore = log.size();
  // The window opens at least as large as its controls need.
  EXPECT_GE(Form().width(), 1088);
  EXPECT_EQ(Form().height(), 668);
  const QSize grown = Form().size() + QSize(200, 100);
  Form().resize(grown);
  ASSERT_EQ(Form().size(), grown);
  const int w = grown.width();
  const int h = grown.height();
  EXPECT_EQ(tree.size(), treeBefore);
  EXPECT_EQ(queries.size(), queriesBefore + QSize(200, 0));
  EXPECT_EQ(log.size(), logBefore + QSize(200, 100));
  EXPECT_EQ(Control<QProgressBar>("StagesProgressBar").geometry(), QRect(0, h - 17, w, 17));
  EXPECT_EQ(Control<QProgressBar>("ProgressBar").geometry(), QRect(0, h - 34, w, 17));
  EXPECT_EQ(Control<QPushButton>("StopButton").geometry().right(), w - 1 - 8);
  // The small tree buttons lie over the tree's lower right corner, top to bottom.
  int above = tree.geometry().center().y();
  for (const char* name : {"Button2", "SelectAllButton", "Button1"}) {
    const QRect button = Control<QPushButton>(name).geometry();
    EXPECT_TRUE(tree.geometry().contains(button)) << name;
    EXPECT_GT(button.x(), tree.geometry().center().x()) << name;
    EXPECT_GT(button.y(), above) << name;
    above = button.y();
  }
}

TEST_F(MainForm, FolderButtonShowsTheProgramFolderAndKeepsClearOfItsNeighbours) {
  ShowForm();
  Control<QPushButton>("OpenFolderButton").click();
  EXPECT_EQ(openedFolders_, std::vector<QString>{Folder()});
  // Even in the smallest window the button shows its whole text between the retry box and Pause.
  Form().resize(Form().minimumSize());
  const auto& folderButton = Control<QPushButton>("OpenFolderButton");
  const QRect button = folderButton.geometry();
  EXPECT_GT(button.left(), Control<QSpinBox>("RetrySpinEdit").geometry().right());
  EXPECT_LT(button.right(), Control<QPushButton>("PauseButton").geometry().left());
  EXPECT_GT(button.width(), folderButton.fontMetrics().horizontalAdvance(folderButton.text()));
}

TEST_F(MainForm, StartsWithGreetingAndFocusInRetryBox) {
  ShowWithCatalogue();
  EXPECT_TRUE(Form().isVisible());
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(LogLines(), (QStringList{u"Спасибо, что пользуетесь программой Korvath!"_qs,
                                     u"Файлы программы хранятся в папке "_qs +
                                         QDir::toNativeSeparators(Folder())}));
  EXPECT_EQ(Form().focusWidget(), &Control<QSpinBox>("RetrySpinEdit"));
  // The first top-level node and its children are open; the first top-level node is selected.
  auto& tree = Control<QTreeView>("RegionsTree");
  RegionTreeModel& model = Form().Regions();
  EXPECT_TRUE(tree.isExpanded(model.IndexOf(Node(u"A"_qs))));
  EXPECT_TRUE(tree.isExpanded(model.IndexOf(Node(u"B"_qs))));
  EXPECT_EQ(tree.currentIndex(), model.IndexOf(Node(u"A"_qs)));
  EXPECT_EQ(model.Text(Node(u"C"_qs)), u"C (30)"_qs);
}

TEST_F(MainForm, MissingCatalogueIsShownAndSkipsTheRestButWindowOpens) {
  WriteFile(u"keywords.txt"_qs, "труба\r\n");
  ShowForm();
  EXPECT_TRUE(Form().isVisible());
  EXPECT_FALSE(Form().StartupRefused());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(messages_[0].text.isEmpty());
  EXPECT_EQ(Form().Regions().NodeCount(), 0);
  EXPECT_TRUE(Control<QPlainTextEdit>("KeywordsMemo").toPlainText().isEmpty());
  EXPECT_EQ(LogLines().size(), 2);
  // The tick commands have nothing to act on.
  for (const char* name : {"SelectAllButton", "Button1", "Button2"}) {
    Control<QPushButton>(name).click();
  }
  Control<QAction>("N1").trigger();
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(Control<QMenu>("PopupMenu1").isVisible());
}

// A catalogue that did not load leaves the user's saved ticks and queries as they were when the
// window closes, whatever the user typed meanwhile.
TEST_F(MainForm, ClosingAfterAFailedCatalogueLoadKeepsTheSavedInputs) {
  const struct {
    const char* name;
    std::optional<QByteArray> catalogue;
    QString message;
  } cases[] = {
      {"missing", std::nullopt, u"regions.html"_qs},
      {"empty", QByteArray(), u"нет ни одного региона"_qs},
      {"not a catalogue", QByteArray("<html>Not Found</html>"), u"нет ни одного региона"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    messages_.clear();
    QFile::remove(QDir(Folder()).filePath(u"regions.html"_qs));
    if (c.catalogue) WriteFile(u"regions.html"_qs, *c.catalogue);
    WriteFile(u"selection1.txt"_qs, "Москва (213)\r\n");
    WriteFile(u"keywords.txt"_qs, "окна\r\n");
    ShowForm();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.contains(c.message)) << messages_[0].text.toStdString();
    Control<QPlainTextEdit>("KeywordsMemo").setPlainText(u"двери"_qs);
    ASSERT_TRUE(Form().close());
    EXPECT_EQ(ReadFile(u"selection1.txt"_qs), "Москва (213)\r\n");
    EXPECT_EQ(ReadFile(u"keywords.txt"_qs), "окна\r\n");
  }
}

// The window says in a message box why a job cannot start in its folder, and starts none.
TEST_F(MainForm, StartInAFolderTakenByAnotherJobIsRefusedInAMessageBox) {
  ShowWithCatalogue();
  Control<QPlainTextEdit>("KeywordsMemo").setPlainText(u"окна"_qs);
  TickOnly(u"C"_qs);
  const ProgramFolderLock otherJob(Folder());
  const QStringList logBefore = LogLines();
  Control<QPushButton>("StartButton").click();
  EXPECT_FALSE(Form().Jobs().JobRunning());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].text.contains(u"уже идёт работа"_qs)) << messages_[0].text.toStdString();
  EXPECT_EQ(LogLines(), logBefore);
}

// Queries saved on a Russian-language Windows come back whole and are saved back whole.
TEST_F(MainForm, Windows1251QueriesSurviveTheCloseSave) {
  if (!SystemEncodingIsUtf8()) GTEST_SKIP() << "the locale's 8-bit encoding is not UTF-8";
  const QStringList queries = {u"пластиковые окна"_qs, u"ремонт"_qs};
  WriteFile(u"keywords.txt"_qs, QByteArray::fromHex("efebe0f1f2e8eaeee2fbe520eeeaede00d0a"
                                                    "f0e5eceeedf20d0a"));
  ShowWithCatalogue();
  EXPECT_EQ(MemoLines(Control<QPlainTextEdit>("KeywordsMemo")), queries);
  const QString notice = Windows1251Notice(QDir(Folder()).filePath(u"keywords.txt"_qs));
  EXPECT_EQ(LogLines().filter(notice).size(), 1) << LogLines().join(u'\n').toStdString();
  ASSERT_TRUE(Form().close());
  EXPECT_EQ(ReadFile(u"keywords.txt"_qs), "пластиковые окна\r\nремонт\r\n");
  ShowWithCatalogue();
  EXPECT_EQ(MemoLines(Control<QPlainTextEdit>("KeywordsMemo")), queries);
}

struct RefusedFolder {
  const char* subfolder;
  const char* firstLine;
};

class RefusedStart : public MainForm, public ::testing::WithParamInterface<RefusedFolder> {};

TEST_P(RefusedStart, ShowsWarningAndNeverOpens) {
  const QString folder = QDir(Folder()).filePath(QString::fromUtf8(GetParam().subfolder));
  ASSERT_TRUE(QDir().mkpath(folder));
  ShowForm(folder);
  EXPECT_TRUE(Form().StartupRefused());
  EXPECT_FALSE(Form().isVisible());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].caption, u"Внимание!"_qs);
  EXPECT_TRUE(messages_[0].text.startsWith(QString::fromUtf8(GetParam().firstLine)))
      << messages_[0].text.toStdString();
  EXPECT_TRUE(LogLines().isEmpty());
}

// The unit tests of the checks cover the other folders; these show that the window obeys them.
INSTANTIATE_TEST_SUITE_P(
    Folders, RefusedStart,
    ::testing::Values(RefusedFolder{"Temp/korvath", "Программа запущена из временной папки!\r\n"},
                      RefusedFolder{"Temp/Rar$EX9", "Вы запустили программу изнутри архива!\r\n"}));

TEST_F(MainForm, TickCommandsSetWholeTreeOrSelectedSubtree) {
  ShowWithCatalogue();
  auto& tree = Control<QTreeView>("RegionsTree");
  const QModelIndex selectedBefore = tree.currentIndex();

  Control<QPushButton>("SelectAllButton").click();
  EXPECT_EQ(Ticked(), u"ABCDE"_qs);
  Control<QPushButton>("Button1").click();
  EXPECT_EQ(Ticked(), QString());

  struct MenuCase {
    QString selected;
    QString tickedBefore;
    const char* action;
    QString tickedAfter;
  };
  const std::vector<MenuCase> cases = {
      {u"B"_qs, u""_qs, "N1", u"BC"_qs},       {u"A"_qs, u"E"_qs, "N1", u"ABCDE"_qs},
      {u"C"_qs, u"D"_qs, "N1", u"CD"_qs},  // no children: that node only
      {u"B"_qs, u"ABCDE"_qs, "N2", u"ADE"_qs}, {u"E"_qs, u"ABCDE"_qs, "N2", u"ABCD"_qs},
  };
  for (const MenuCase& c : cases) {
    TickOnly(c.tickedBefore);
    Form().Regions().SetSelectedNode(Node(c.selected));
    Control<QAction>(c.action).trigger();
    EXPECT_EQ(Ticked(), c.tickedAfter) << c.action << " on " << c.selected.toStdString();
  }
  // Ticking changes neither expansion nor selection.
  Form().Regions().SetSelectedNode(Node(u"A"_qs));
  Control<QPushButton>("SelectAllButton").click();
  EXPECT_EQ(tree.currentIndex(), selectedBefore);
  EXPECT_TRUE(tree.isExpanded(Form().Regions().IndexOf(Node(u"B"_qs))));
  EXPECT_FALSE(tree.isExpanded(Form().Regions().IndexOf(Node(u"E"_qs))));
}

TEST_F(MainForm, SpaceOnSelectedNodeTicksThatNodeAlone) {
  ShowWithCatalogue();
  auto& tree = Control<QTreeView>("RegionsTree");
  Form().Regions().SetSelectedNode(Node(u"B"_qs));
  tree.setFocus();
  QTest::keyClick(&tree, Qt::Key_Space);
  EXPECT_EQ(Ticked(), u"B"_qs);
  QTest::keyClick(&tree, Qt::Key_Space);
  EXPECT_EQ(Ticked(), QString());
}

TEST_F(MainForm, NodeMenuOpensAtSelectedNodesTextCorner) {
  ShowWithCatalogue();
  auto& tree = Control<RegionTreeView>("RegionsTree");
  auto& menu = Control<QMenu>("PopupMenu1");
  // Where the screen has room for the menu, so that it is not pushed back onto it.
  Form().move(0, 0);
  Form().Regions().SetSelectedNode(Node(u"B"_qs));
  Control<QPushButton>("Button2").click();
  ASSERT_TRUE(menu.isVisible());
  EXPECT_EQ(Form().focusWidget(), &tree);
  const QRect text = tree.NodeTextRect(Node(u"B"_qs));
  EXPECT_FALSE(text.isEmpty());
  EXPECT_TRUE(tree.visualRect(Form().Regions().IndexOf(Node(u"B"_qs))).contains(text.center()));
  EXPECT_EQ(menu.pos(), tree.viewport()->mapToGlobal(text.bottomRight()));
  menu.hide();
}

TEST_F(MainForm, NodeMenuOnDisabledTreeReportsAndOpensNothing) {
  ShowWithCatalogue();
  Control<QTreeView>("RegionsTree").setEnabled(false);
  Control<QPushButton>("Button2").click();
  EXPECT_FALSE(Control<QMenu>("PopupMenu1").isVisible());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(messages_[0].text.isEmpty());
  // The whole-tree commands still work on a locked tree.
  Control<QPushButton>("SelectAllButton").click();
  EXPECT_EQ(Ticked(), u"ABCDE"_qs);
}

TEST_F(MainForm, RightClickOpensMenuWithoutMovingSelection) {
  ShowWithCatalogue();
  auto& tree = Control<QTreeView>("RegionsTree");
  auto& menu = Control<QMenu>("PopupMenu1");
  const QRect eRow = tree.visualRect(Form().Regions().IndexOf(Node(u"E"_qs)));
  QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, eRow.center());
  QContextMenuEvent context(QContextMenuEvent::Mouse, eRow.center(),
                            tree.viewport()->mapToGlobal(eRow.center()));
  QCoreApplication::sendEvent(tree.viewport(), &context);
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(Form().Regions().SelectedNode(), Node(u"A"_qs));
  Control<QAction>("N1").trigger();
  menu.hide();
  EXPECT_EQ(Ticked(), u"ABCD"_qs);
}

TEST_F(MainForm, CtrlAWithAnyOtherModifiersSelectsAllQueries) {
  ShowForm();
  auto& queries = Control<QPlainTextEdit>("KeywordsMemo");
  const QString text = u"труба бесшовная\nгазовые счетчики"_qs;
  struct KeyCase {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool selectsAll;
  };
  for (const KeyCase& c : {KeyCase{Qt::Key_A, Qt::ControlModifier, true},
                           KeyCase{Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, true},
                           KeyCase{Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, true},
                           KeyCase{Qt::Key_B, Qt::ControlModifier, false}}) {
    queries.setPlainText(text);
    queries.moveCursor(QTextCursor::Start);
    queries.setFocus();
    QTest::keyClick(&queries, c.key, c.modifiers);
    EXPECT_EQ(queries.textCursor().selectedText().size() == text.size(), c.selectsAll)
        << c.key << " " << c.modifiers.toInt();
  }
  queries.setPlainText(QString());
  QTest::keyClicks(&queries, u"a"_qs);
  EXPECT_EQ(queries.toPlainText(), u"a"_qs);
}

TEST_F(MainForm, SavedInputsSurviveARestart) {
  ShowWithCatalogue();
  Control<QPlainTextEdit>("KeywordsMemo").setPlainText(u"труба\n\nгазовые счетчики"_qs);
  TickOnly(u"CE"_qs);
  ASSERT_TRUE(Form().close());
  EXPECT_EQ(ReadFile(u"keywords.txt"_qs), EncodeLocal8Bit(u"труба\r\n\r\nгазовые счетчики\r\n"));
  EXPECT_EQ(ReadFile(u"selection1.txt"_qs), EncodeLocal8Bit(u"C (30)\r\nE (50)\r\n"));

  ShowForm();
  EXPECT_EQ(Control<QPlainTextEdit>("KeywordsMemo").toPlainText(), u"труба\n\nгазовые счетчики"_qs);
  EXPECT_EQ(Ticked(), u"CE"_qs);
  // The ticked node deep down is shown: its ancestors are open.
  EXPECT_TRUE(
      Control<QTreeView>("RegionsTree").isExpanded(Form().Regions().IndexOf(Node(u"B"_qs))));

  // A cleared query list leaves the saved queries as they were.
  Control<QPlainTextEdit>("KeywordsMemo").setPlainText(u"  \n"_qs);
  ASSERT_TRUE(Form().close());
  EXPECT_EQ(ReadFile(u"keywords.txt"_qs), EncodeLocal8Bit(u"труба\r\n\r\nгазовые счетчики\r\n"));
}

TEST_F(MainForm, FailedSaveAtCloseIsShownAndWindowStaysOpen) {
  ShowWithCatalogue();
  // A folder where the selection file should be cannot be replaced by a file.
  ASSERT_TRUE(QDir(Folder()).mkdir(u"selection1.txt"_qs));
  Control<QPlainTextEdit>("KeywordsMemo").setPlainText(u"труба"_qs);
  EXPECT_FALSE(Form().close());
  EXPECT_TRUE(Form().isVisible());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(messages_[0].text.isEmpty());
  // The queries come after the selection, so they were not written either.
  EXPECT_TRUE(ReadFile(u"keywords.txt"_qs).isEmpty());
}

TEST_F(MainForm, StartCollectsTickedRegionsAndReportsMissingInputs) {
  ShowWithCatalogue();
  TickOnly(u"CA"_qs);
  Control<QPlainTextEdit>("LogsMemo").clear();
  Control<QPushButton>("StartButton").click();
  EXPECT_FALSE(Form().Jobs().JobRunning());
  EXPECT_EQ(Form().CheckedRegionsList(), (QStringList{u"A=10"_qs, u"C=30"_qs}));
  // The message's closing line break leaves an empty line under it.
  EXPECT_EQ(LogLines(), (QStringList{u"Задайте список запросов! Пример: "_qs, u"труба бесшовная"_qs,
                                     u"газовые счетчики"_qs}));
  EXPECT_TRUE(Control<QPlainTextEdit>("LogsMemo").toPlainText().endsWith(u"счетчики\n"_qs));
}

}  // namespace
}  // namespace korvath::testing
