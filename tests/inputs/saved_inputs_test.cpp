#include "inputs/saved_inputs.h"
#include "inputs/region_catalogue.h"
#include "textutil/text_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

class SavedInputs : public testing::Test {
 protected:
  QString PathOf(const QString& name) const { return QDir(dir_.path()).filePath(name); }

  QByteArray Bytes(const QString& name) const {
    QFile file(PathOf(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  void Put(const QString& name, const QByteArray& bytes) const {
    QFile file(PathOf(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  // A (10) > B (20) > C (30), D (40) at top level.
  void LoadTree() {
    LoadRegionCatalogueText(tree_,
                            u"<td id=\"beginRegions\"><label for=\"10_\">A</label>"
                            "<label for=\"10_20_\">B</label><label for=\"10_20_30_\">C</label>"
                            "<label for=\"40_\">Дё</label></tr>"_qs);
  }

  QTemporaryDir dir_;
  RegionTreeModel tree_;
};

TEST_F(SavedInputs, QueriesRoundTripAndBlankListKeepsPreviousFile) {
  EXPECT_TRUE(LoadQueries(dir_.path()).lines.isEmpty());
  const QStringList queries = {u"окна"_qs, u""_qs, u"  "_qs, u"двери"_qs};
  SaveQueries(queries, dir_.path());
  EXPECT_EQ(Bytes(u"keywords.txt"_qs), EncodeLocal8Bit(u"окна\r\n\r\n  \r\nдвери\r\n"));
  EXPECT_EQ(LoadQueries(dir_.path()).lines, queries);
  for (const QStringList& blank : {QStringList{}, QStringList{u""_qs, u" \t"_qs, u"\r"_qs}}) {
    SaveQueries(blank, dir_.path());
    EXPECT_EQ(Bytes(u"keywords.txt"_qs), EncodeLocal8Bit(u"окна\r\n\r\n  \r\nдвери\r\n"));
  }
  EXPECT_THROW(SaveQueries(queries, PathOf(u"gone"_qs)), std::runtime_error);
}

TEST_F(SavedInputs, Utf8KeywordsWithMarkAreReadAndWrittenBackWithout) {
  Put(u"keywords.txt"_qs, "\xEF\xBB\xBF\xD0\xBE\xD0\xBA\xD0\xBD\xD0\xB0\r\nb");
  const QStringList queries = LoadQueries(dir_.path()).lines;
  EXPECT_EQ(queries, (QStringList{u"окна"_qs, u"b"_qs}));
  SaveQueries(queries, dir_.path());
  EXPECT_EQ(Bytes(u"keywords.txt"_qs), EncodeLocal8Bit(u"окна\r\nb\r\n"));
}

TEST_F(SavedInputs, SelectionRoundTripExpandsAncestorsOfTickedNodes) {
  LoadTree();
  tree_.SetChecked(2, true);  // C (30)
  tree_.SetChecked(3, true);  // Дё (40)
  SaveSelection(tree_, dir_.path());
  EXPECT_EQ(Bytes(u"selection1.txt"_qs), EncodeLocal8Bit(u"C (30)\r\nДё (40)\r\n"));

  RegionTreeModel restored;
  LoadRegionCatalogueText(restored,
                          u"<label for=\"10_\">A</label><label for=\"10_20_\">B</label>"
                          "<label for=\"10_20_30_\">C</label><label for=\"10_20_30_60_\">"
                          "E</label><label for=\"40_\">Дё</label>"_qs);
  restored.SetExpanded(0, false);
  restored.SetSelectedNode(kNoNode);
  RestoreSelection(restored, dir_.path());
  EXPECT_EQ(CollectCheckedNodeTexts(restored), (QStringList{u"C (30)"_qs, u"Дё (40)"_qs}));
  EXPECT_TRUE(restored.IsExpanded(0));
  EXPECT_TRUE(restored.IsExpanded(1));
  EXPECT_FALSE(restored.IsExpanded(2));
  EXPECT_EQ(restored.SelectedNode(), 0);
}

TEST_F(SavedInputs, RestoreIgnoresCaseOnlyAndUnticksTheRest) {
  LoadTree();
  tree_.SetAllChecked(true);
  RestoreCheckedNodes(tree_, {u"a (10)"_qs, u"ДЁ (40)"_qs, u"B(20)"_qs, u"C (31)"_qs});
  EXPECT_EQ(CollectCheckedNodeTexts(tree_), (QStringList{u"A (10)"_qs, u"Дё (40)"_qs}));
}

TEST_F(SavedInputs, EmptyTreeSavesEmptySelectionFile) {
  Put(u"selection1.txt"_qs, "A (10)\r\n");
  SaveSelection(tree_, dir_.path());
  EXPECT_EQ(Bytes(u"selection1.txt"_qs), "");
  EXPECT_THROW(SaveSelection(tree_, PathOf(u"gone"_qs)), std::runtime_error);
  RestoreSelection(tree_, dir_.path());
  EXPECT_EQ(tree_.SelectedNode(), kNoNode);
}

}  // namespace
}  // namespace korvath
