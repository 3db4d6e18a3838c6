#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/label_edit.h"
#include "storage/catalog_table.h"

namespace veldra::cli {
namespace {

QString Json(const std::string& cp932) { return QString::fromStdString(ToUtf8(cp932)); }

}  // namespace

int RunCategories(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kRead);
  if (!document) return kExitFailed;
  const std::array<std::string, 3> labels = commands::CurrentLabels(*document);
  const RecordArray& categories = document->categories();

  if (args.Flag("--json")) {
    QJsonArray label_array;
    for (const std::string& label : labels) label_array.append(Json(label));
    QJsonArray category_array;
    for (int i = 0; i < categories.Count(); ++i) {
      CategoryRecord c = CategoryAt(categories, i);
      category_array.append(QJsonObject{{"id", c.id},
                                        {"c1", Json(c.names[0].Text())},
                                        {"c2", Json(c.names[1].Text())},
                                        {"c3", Json(c.names[2].Text())}});
    }
    QJsonObject root{{"labels", label_array}, {"categories", category_array}};
    io.out << QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
  } else {
    io.out << "labels";
    for (const std::string& label : labels) io.out << "\t" << EscapeCell(ToUtf8(label));
    io.out << "\n";
    for (int i = 0; i < categories.Count(); ++i) {
      CategoryRecord c = CategoryAt(categories, i);
      io.out << c.id;
      for (const auto& name : c.names) io.out << "\t" << EscapeCell(ToUtf8(name.Text()));
      io.out << "\n";
    }
  }
  return WarnIfIncomplete(io, *document) ? kExitFailed : kExitOk;
}

}  // namespace veldra::cli
