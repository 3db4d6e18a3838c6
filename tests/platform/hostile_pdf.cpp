#include "tests/platform/hostile_pdf.h"

#include <zlib.h>

#include <vector>

#include "tests/commands/test_pdf.h"

namespace veldra::testing {
namespace {

const char kFont[] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";

// A catalog, a page tree with one page, the page (its content object 4, its font object 5).
std::vector<std::string> OnePage(const std::string& content_object) {
  return {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
          "/Resources << /Font << /F1 5 0 R >> >> >>",
          content_object, kFont};
}

std::string Stream(const std::string& dictionary_entries, const std::string& data) {
  return "<< /Length " + std::to_string(data.size()) + dictionary_entries + " >>\nstream\n" +
         data + "\nendstream";
}

// The zlib stream of head followed by block repeated count times. Each is deflated once with
// a full flush, so that it refers to nothing before it, and the block's bytes are repeated.
std::string RepeatedDeflate(const std::string& head, const std::string& block, uint64_t count) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  auto deflated = [&z](const std::string& in, int flush) {
    std::string out(deflateBound(&z, in.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, flush);
    out.resize(out.size() - z.avail_out);
    return out;
  };
  const std::string head_bytes = deflated(head, Z_FULL_FLUSH);
  const std::string block_bytes = deflated(block, Z_FULL_FLUSH);
  const std::string end_bytes = deflated("", Z_FINISH);
  deflateEnd(&z);
  // The checksum of the whole: the head's, then the block's combined with itself by doubling.
  auto adler = [](const std::string& in) {
    return adler32(1, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(in.size()));
  };
  uLong sum = adler(head);
  uLong part = adler(block);
  z_off_t part_length = static_cast<z_off_t>(block.size());
  for (uint64_t n = count; n > 0; n >>= 1) {
    if (n & 1) sum = adler32_combine(sum, part, part_length);
    part = adler32_combine(part, part, part_length);
    part_length *= 2;
  }
  std::string out = "\x78\xDA" + head_bytes;
  out.reserve(out.size() + block_bytes.size() * count + end_bytes.size() + 4);
  for (uint64_t i = 0; i < count; ++i) out += block_bytes;
  out += end_bytes;
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(sum >> shift));
  return out;
}

}  // namespace

std::string MakeFlateBombPdf(uint64_t inflated_bytes) {
  // Words on a grid of 64 places on the page, over and over: the text layer grows with
  // every one of them, and the block's period is short enough for deflate's window.
  std::string period;
  for (int i = 0; i < 64; ++i) {
    period += "1 0 0 1 " + std::to_string(72 + i % 8 * 60) + " " +
              std::to_string(100 + i / 8 * 80) + " Tm (bomb) Tj ";
  }
  std::string block;
  while (block.size() < (1u << 20)) block += period;
  const std::string data =
      RepeatedDeflate("BT /F1 12 Tf ", block, inflated_bytes / block.size() + 1);
  return AssemblePdf(OnePage(Stream(" /Filter /FlateDecode", data)));
}

std::string MakeEmptyPagesPdf(int pages) {
  std::string kids;
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  for (int i = 0; i < pages; ++i) {
    kids += std::to_string(i + 3) + " 0 R ";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
  }
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
  return AssemblePdf(objects);
}

std::string MakeLockedPdf() {
  std::vector<std::string> objects =
      OnePage(Stream("", "BT /F1 18 Tf 72 720 Td (secret) Tj ET"));
  const std::string any32(64, 'A');  // 32 bytes in hex that no password produces
  objects.push_back("<< /Filter /Standard /V 1 /R 2 /P -4 /O <" + any32 + "> /U <" + any32 +
                    "> >>");
  return AssemblePdf(objects, "/Encrypt 6 0 R /ID [<0123456789ABCDEF0123456789ABCDEF> "
                              "<0123456789ABCDEF0123456789ABCDEF>] ");
}

std::string MakePictureOnlyPdf() {
  return AssemblePdf(OnePage(Stream("", "0.5 g 72 72 468 648 re f")));
}

std::string MakePredefinedCMapPdf() {
  std::vector<std::string> objects =
      OnePage(Stream("", "BT /F1 24 Tf 72 720 Td <93FA967B8CEA> Tj ET"));
  objects[4] =
      "<< /Type /Font /Subtype /Type0 /BaseFont /Ryumin-Light /Encoding /90ms-RKSJ-H "
      "/DescendantFonts [6 0 R] >>";
  objects.push_back(
      "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /Ryumin-Light "
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> "
      "/FontDescriptor 7 0 R >>");
  objects.push_back(
      "<< /Type /FontDescriptor /FontName /Ryumin-Light /Flags 6 /FontBBox [-170 -331 1024 903] "
      "/ItalicAngle 0 /Ascent 723 /Descent -241 /CapHeight 709 /StemV 69 >>");
  return AssemblePdf(objects);
}

}  // namespace veldra::testing
