#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

struct CliOutput {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};

class InspectCommandTest : public ::testing::Test {
 protected:
  QString WriteFile(const char* name, const QByteArray& bytes) {
    const QString path = dir_.filePath(QString::fromUtf8(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  static CliOutput Run(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(KORVATH_CLI), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
  }

  static QJsonObject Json(const CliOutput& output) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(output.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << output.out.toStdString();
    return document.object();
  }

  static QString TestData(const char* name) {
    return QStringLiteral(KORVATH_ENGINE_TEST_DATA) + u'/' + QLatin1String(name);
  }

  QTemporaryDir dir_;
};

TEST_F(InspectCommandTest, PageShowsWhatTheJobReads) {
  const CliOutput output = Run({u"inspect-page"_qs, TestData("results_page.html"), u"--origin"_qs,
                                u"https://127.0.0.1:8443"_qs});
  ASSERT_EQ(output.exitCode, 0) << output.err.toStdString();
  EXPECT_TRUE(output.err.isEmpty());
  EXPECT_TRUE(output.out.endsWith("}\n"));
  const QJsonObject page = Json(output);
  EXPECT_EQ(page[u"next_page"].toString(),
            u"https://127.0.0.1:8443/search/direct?text=%D0%BE%D0%BA%D0%BD%D0%B0&lr=213&p=1");
  EXPECT_EQ(page[u"found_line"].toString(), u"Нашлось <b>3");
  EXPECT_EQ(page[u"nothing_found"].toBool(true), false);
  EXPECT_EQ(page[u"card_link_count"].toInt(), 2);
  const QJsonArray ads = page[u"ads"].toArray();
  ASSERT_EQ(ads.size(), 3);
  const QJsonObject second = ads[1].toObject();
  EXPECT_EQ(second[u"title"].toString(), u"Тёплый дом: окна и двери");
  EXPECT_EQ(second[u"text"].toString(), u"Скидка 30 % на окна Rehau x 2 створки. Звоните!");
  EXPECT_EQ(second[u"site"].toString(), u"www.teplo-dom.example");
  EXPECT_EQ(second[u"card_link"].toString(), u"/search/direct/contacts?cid=102&bid=9002");
  EXPECT_EQ(ads[2].toObject()[u"card_link"].toString(), u"");
}

TEST_F(InspectCommandTest, PageUsesThePublicOriginByDefault) {
  const QString path = WriteFile(
      "page.html", "<a href=\"/next?p=1&amp;q=2\" class=\"Pager-Item Pager-Item_type_next\">2</a>");
  const CliOutput output = Run({u"inspect-page"_qs, path});
  ASSERT_EQ(output.exitCode, 0);
  EXPECT_EQ(Json(output)[u"next_page"].toString(), u"https://yandex.ru/next?p=1&q=2");
}

TEST_F(InspectCommandTest, EmptyFilesAreValidInput) {
  const QString path = WriteFile("empty.html", QByteArray());
  const CliOutput page = Run({u"inspect-page"_qs, path});
  EXPECT_EQ(page.exitCode, 0);
  EXPECT_EQ(page.out,
            "{\"next_page\": \"\", \"found_line\": null, \"nothing_found\": false, "
            "\"card_link_count\": 0, \"ads\": []}\n");
  const CliOutput card = Run({u"inspect-card"_qs, path});
  EXPECT_EQ(card.exitCode, 0);
  EXPECT_EQ(card.out, "{\"company\": \"\", \"card_region\": \"" + u"Регион не указан"_qs.toUtf8() +
                          "\", \"address\": \"\", \"phone\": \"\", \"email\": \"\"}\n");
}

TEST_F(InspectCommandTest, ValuesArePrintedExactlyAsRead) {
  // The found line is raw page text: quotes, backslashes, a zero and a malformed byte survive.
  const QString path =
      WriteFile("odd.html", QByteArray("serp-adv__found> \"q\" \\ \0 \xFF\t</", 29) +
                                "<b>По вашему запросу ничего не нашлось</b>");
  const CliOutput output = Run({u"inspect-page"_qs, path});
  ASSERT_EQ(output.exitCode, 0);
  const QJsonObject page = Json(output);
  EXPECT_EQ(page[u"found_line"].toString(), u" \"q\" \\ "_qs + QChar(0) + u" \uFFFD\t"_qs);
  EXPECT_EQ(page[u"nothing_found"].toBool(), true);

  const QString card = WriteFile(
      "card.html",
      u"<div>Телефон, Контактное лицо</div>  +7 1 </div><h1 id=\"title\">А;Б</h1>"_qs.toUtf8());
  const QJsonObject values = Json(Run({u"inspect-card"_qs, card}));
  EXPECT_EQ(values[u"phone"].toString(), u"  +7 1 ");
  EXPECT_EQ(values[u"company"].toString(), u"А,Б");
}

TEST_F(InspectCommandTest, UnreadableFileOrBadArgumentsExitWithTwo) {
  const QString missing = dir_.filePath(u"нет-такого.html"_qs);
  const QList<QStringList> runs = {
      {u"inspect-page"_qs, missing},
      {u"inspect-card"_qs, missing},
      {u"inspect-page"_qs, dir_.path()},
      {u"inspect-page"_qs},
      {u"inspect-card"_qs},
      {u"inspect-page"_qs, missing, u"--origin"_qs},
      {u"inspect-page"_qs, missing, u"--colour"_qs},
      {u"inspect-card"_qs, missing, missing},
  };
  for (const QStringList& arguments : runs) {
    const CliOutput output = Run(arguments);
    const QString where = arguments.join(u' ');
    EXPECT_EQ(output.exitCode, 2) << where.toStdString();
    EXPECT_TRUE(output.out.isEmpty()) << where.toStdString();
    EXPECT_EQ(output.err.count('\n'), 1) << output.err.toStdString();
    EXPECT_TRUE(output.err.endsWith('\n')) << output.err.toStdString();
  }
  for (const char* command : {"inspect-page", "inspect-card"}) {
    const CliOutput output = Run({QString::fromLatin1(command), missing});
    QFile absent(missing);
    absent.open(QIODevice::ReadOnly);
    const QString err = QString::fromLocal8Bit(output.err);
    EXPECT_TRUE(err.contains(missing)) << output.err.toStdString();
    EXPECT_TRUE(err.contains(absent.errorString())) << output.err.toStdString();
  }
}

}  // namespace
}  // namespace korvath
