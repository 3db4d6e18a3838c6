#include "tests/commands/test_pdf.h"

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
  std::string content = "BT /F1 18 Tf 72 720 Td (" + Escape(text) + ") Tj ET\n";
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
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
