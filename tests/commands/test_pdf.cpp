#include "tests/commands/test_pdf.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace veldra::testing {
namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string TextStream(const std::string& text) {
  const std::string content = "BT /F1 18 Tf 72 720 Td (" + Escape(text) + ") Tj ET\n";
  return "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream";
}

std::string Ref(size_t object) { return std::to_string(object) + " 0 R"; }

}  // namespace

std::string AssemblePdf(const std::vector<std::string>& objects, const std::string& trailer) {
  std::string pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R " + trailer +
         ">>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

std::string MakePdf(const std::string& text, size_t min_size) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      TextStream(text),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  auto build = [&](size_t padding) {
    std::vector<std::string> all = objects;
    if (padding > 0) {
      std::string filler(padding, ' ');
      for (size_t i = 0; i < padding; ++i) filler[i] = static_cast<char>('a' + (i * 7 + text.size()) % 26);
      all.push_back("<< /Length " + std::to_string(padding) + " >>\nstream\n" + filler +
                    "\nendstream");
    }
    return AssemblePdf(all);
  };
  std::string pdf = build(0);
  if (pdf.size() >= min_size) return pdf;
  // The padding object adds its own framing, so the result is a little larger than min_size.
  return build(min_size - pdf.size());
}

std::string MakeBookPdf(int pages, int chapters) {
  // 1 catalog, 2 page tree, 3 font, 4 outline root, then the chapters, then each page and its
  // contents.
  const size_t first_chapter = 5;
  const size_t first_page = first_chapter + chapters;
  auto page_object = [&](int page) { return first_page + 2 * static_cast<size_t>(page); };
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R" + std::string(chapters > 0 ? " /Outlines 4 0 R" : "") + " >>",
      "", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", ""};
  std::string kids;
  for (int page = 0; page < pages; ++page) kids += Ref(page_object(page)) + " ";
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
  objects[3] = "<< /Type /Outlines /Count " + std::to_string(chapters) +
               (chapters > 0 ? " /First " + Ref(first_chapter) + " /Last " +
                                   Ref(first_chapter + chapters - 1)
                             : std::string()) +
               " >>";
  for (int c = 0; c < chapters; ++c) {
    const int page = c * pages / std::max(1, chapters);
    std::string item = "<< /Title (Chapter " + std::to_string(c + 1) + ") /Parent 4 0 R /Dest [" +
                       Ref(page_object(page)) + " /XYZ 0 792 0]";
    if (c > 0) item += " /Prev " + Ref(first_chapter + c - 1);
    if (c + 1 < chapters) item += " /Next " + Ref(first_chapter + c + 1);
    objects.push_back(item + " >>");
  }
  for (int page = 0; page < pages; ++page) {
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                      Ref(page_object(page) + 1) + " /Resources << /Font << /F1 3 0 R >> >> >>");
    objects.push_back(TextStream("Page " + std::to_string(page + 1)));
  }
  return AssemblePdf(objects);
}

bool WritePdfFile(const std::string& path, const std::string& text, size_t min_size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  std::string pdf = MakePdf(text, min_size);
  file.write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
  return static_cast<bool>(file);
}

bool LooksLikePdf(const std::string& bytes) {
  return bytes.rfind("%PDF-", 0) == 0 && bytes.size() >= 6 &&
         bytes.find("%%EOF", bytes.size() - 7) != std::string::npos;
}

}  // namespace veldra::testing
