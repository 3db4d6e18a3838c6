// categories, label, category-add, category-delete, recategorize and set, end to end.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/cli/cli_fixture.h"

namespace veldra::cli::testing {
namespace {

using Strings = std::vector<std::string>;

class CliCategoryTest : public CliTest {
 protected:
  Strings Triples(const std::string& catalog) {
    Strings lines = Lines(RunOk({"categories", catalog}).out);
    lines.erase(lines.begin());
    return lines;
  }
  std::string Field(const std::string& catalog, const std::string& id, const char* key) {
    QJsonObject o = QJsonDocument::fromJson(
                        QByteArray::fromStdString(RunOk({"show", catalog, id, "--json"}).out))
                        .object();
    return o[key].isString() ? o[key].toString().toStdString()
                             : std::to_string(o[key].toInt());
  }
};

TEST_F(CliCategoryTest, CategoriesAsJson) {
  const std::string catalog = MakeCatalog({"a.pdf"}, "A/B/C");
  QJsonObject root =
      QJsonDocument::fromJson(QByteArray::fromStdString(RunOk({"categories", catalog, "--json"}).out))
          .object();
  EXPECT_EQ(root["labels"].toArray(), (QJsonArray{"分類１", "分類２", "分類３"}));
  QJsonArray categories = root["categories"].toArray();
  ASSERT_EQ(categories.size(), 2);
  EXPECT_EQ(categories[1].toObject(),
            (QJsonObject{{"id", 1}, {"c1", "A"}, {"c2", "B"}, {"c3", "C"}}));
}

TEST_F(CliCategoryTest, LabelRenamesOneLevel) {
  const std::string catalog = MakeCatalog({});
  RunOk({"label", catalog, "2", "ジャンル"});
  EXPECT_EQ(Lines(RunOk({"categories", catalog}).out)[0], "labels\t分類１\tジャンル\t分類３");
  EXPECT_EQ(Run({"label", catalog, "4", "x"}).code, 2);
  EXPECT_EQ(Run({"label", catalog, "1", std::string(127, 'x')}).code, 1);
}

TEST_F(CliCategoryTest, AddChecksWithTheWindowsMessages) {
  const std::string catalog = MakeCatalog({});
  CliResult r = Run({"category-add", catalog, "1", ""});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "veldra-cli: 分類名を入力してください。\n");
  r = Run({"category-add", catalog, "2", "＜すべて＞"});
  EXPECT_EQ(r.err, "veldra-cli: ”＜すべて＞”は追加できません。\n");
  r = Run({"category-add", catalog, "3", "その他"});
  EXPECT_EQ(r.err, "veldra-cli: 「その他」は、すでに登録されています。\n");
  RunOk({"category-add", catalog, "1", "小説"});
  RunOk({"category-add", catalog, "2", "短編", "--others", "小説/＜すべて＞"});
  EXPECT_EQ(Run({"category-add", catalog, "2", "x", "--others", "one"}).code, 2);
  EXPECT_EQ(Triples(catalog), (Strings{"0\tその他\tその他\tその他", "1\t小説\tその他\tその他",
                                       "2\t小説\t短編\tその他"}));
}

TEST_F(CliCategoryTest, DeleteRefusesReservedAndUsedNames) {
  const std::string catalog = MakeCatalog({"a.pdf"}, "A/x/p");
  RunOk({"category-add", catalog, "1", "B", "--others", "x/q"});
  CliResult r = Run({"category-delete", catalog, "1", "その他"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "veldra-cli: ”＜すべて＞”と”その他”は削除できません。\n");
  r = Run({"category-delete", catalog, "2", "x"});
  EXPECT_EQ(r.err, "veldra-cli: 「x」は使用中です。削除できません。\n");
  RunOk({"category-delete", catalog, "1", "B"});
  EXPECT_EQ(Triples(catalog), (Strings{"0\tその他\tその他\tその他", "1\tA\tx\tp"}));
}

TEST_F(CliCategoryTest, RecategorizeChangesOnlyTheGivenLevels) {
  const std::string catalog = MakeCatalog({"a.pdf", "b.pdf"}, "A/x/p");
  RunOk({"recategorize", catalog, "--id", "0", "1", "--c2", "新"});
  EXPECT_EQ(Field(catalog, "0", "en_c1_name"), "A");
  EXPECT_EQ(Field(catalog, "1", "en_c2_name"), "新");
  EXPECT_EQ(Field(catalog, "1", "en_c3_name"), "p");
  RunOk({"recategorize", catalog, "--id", "1", "--c1", ""});
  EXPECT_EQ(Field(catalog, "1", "en_c1_name"), "その他");
  EXPECT_EQ(Triples(catalog), (Strings{"0\tその他\tその他\tその他", "1\tA\tx\tp",
                                       "2\tA\t新\tp", "3\tその他\t新\tp"}));
  EXPECT_EQ(Run({"recategorize", catalog, "--c1", "Z"}).code, 2);
  EXPECT_EQ(Run({"recategorize", catalog, "--id", "3", "--c1", "Z"}).code, 1);
}

TEST_F(CliCategoryTest, RecategorizeNeverStoresTheAllItem) {
  // "＜すべて＞" is the lists' "all" item: an entry or category holding it could be neither
  // listed on its own nor deleted.
  const std::string catalog = MakeCatalog({"a.pdf"}, "A/x/p");
  const std::string before = ReadFile("cat.vdc");
  for (const char* option : {"--c1", "--c2", "--c3"}) {
    CliResult r = Run({"recategorize", catalog, "--id", "0", option, "＜すべて＞"});
    EXPECT_EQ(r.code, 1) << option;
    EXPECT_EQ(r.err, "veldra-cli: ”＜すべて＞”は追加できません。\n") << option;
  }
  EXPECT_TRUE(ReadFile("cat.vdc") == before);  // unchanged
  // "＜変更しない＞" keeps its meaning.
  RunOk({"recategorize", catalog, "--id", "0", "--c2", "＜変更しない＞", "--c3", "q"});
  EXPECT_EQ(Field(catalog, "0", "en_c2_name"), "x");
  EXPECT_EQ(Field(catalog, "0", "en_c3_name"), "q");
}

TEST_F(CliCategoryTest, SetEditsWithinTheWindowsLimits) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  RunOk({"set", catalog, "0", "--title", "題", "--rating", "0", "--publisher", "P"});
  EXPECT_EQ(Field(catalog, "0", "en_title"), "題");
  EXPECT_EQ(Field(catalog, "0", "en_publisher_name"), "P");
  EXPECT_EQ(Field(catalog, "0", "en_my_rate"), "0");
  const std::string before = ReadFile("cat.vdc");
  EXPECT_EQ(Run({"set", catalog, "0", "--rating", "6"}).code, 2);
  EXPECT_EQ(Run({"set", catalog, "0", "--rating", "-1"}).code, 2);
  EXPECT_EQ(Run({"set", catalog, "0", "--title", std::string(127, 't')}).code, 1);
  EXPECT_EQ(Run({"set", catalog, "0", "--note", std::string(255, 'n')}).code, 1);
  EXPECT_EQ(Run({"set", catalog, "0", "--author", "\xf0\x9f\x98\x80"}).code, 1);
  EXPECT_EQ(Run({"set", catalog, "3", "--title", "x"}).code, 1);
  EXPECT_EQ(ReadFile("cat.vdc"), before);
  RunOk({"set", catalog, "0", "--note", std::string(254, 'n')});
  EXPECT_EQ(Field(catalog, "0", "en_note"), std::string(254, 'n'));
}

}  // namespace
}  // namespace veldra::cli::testing
