// Writes the fuzz seeds too large to check in (deep nesting, very large
// bodies) as <folder>/<harness>/<seed>. Run by the fuzz build.
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "../native/install/zip_builder.h"

namespace {

std::string Repeat(const std::string& text, std::size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

bool Write(const std::string& folder, const std::string& harness, const std::string& name,
           const std::string& bytes) {
  const std::string dir = folder + "/" + harness;
  mkdir(folder.c_str(), 0755);
  mkdir(dir.c_str(), 0755);
  std::FILE* file = std::fopen((dir + "/" + name).c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
    return 2;
  }
  const std::string out = argv[1];
  bool ok = true;

  // config_response: [status byte][chunking byte][body]
  ok &= Write(out, "config_response", "deep_arrays",
              Bytes({0, 0}) + Repeat("[", 200000) + Repeat("]", 200000));
  ok &= Write(out, "config_response", "deep_objects",
              Bytes({0, 0x20}) + Repeat("{\"a\":", 50000) + "1" + Repeat("}", 50000));
  ok &= Write(out, "config_response", "large_body",
              Bytes({0, 0}) + "{\"offers\": [" +
                  Repeat("{\"k\": \"some value\", \"n\": [1, 2.5, -3e7, true, null]},\n", 20000) +
                  "{}], \"x\": 1}");
  ok &= Write(out, "config_response", "large_string",
              Bytes({0, 0x3F}) + "{\"u\":\"" + Repeat("x", 2000000) + "\"}");

  // json_parser: the document as it is.
  ok &= Write(out, "json_parser", "deep_arrays", Repeat("[", 200000) + Repeat("]", 200000));
  ok &= Write(out, "json_parser", "deepest_allowed", Repeat("[{\"a\":", 127) + "[]" +
                                                         Repeat("}]", 127));
  std::string keys = "{";
  for (int i = 50000; i > 0; --i) {
    keys += "\"k" + std::to_string(i % 997) + "\":" + std::to_string(i) + ",";  // duplicates
  }
  ok &= Write(out, "json_parser", "many_keys", keys + "\"end\":[1.5e300,-0.0,1e-320]}");

  // download_headers: [status][flags][body length, 2 bytes LE][body]; flags
  // 0x02: Content-Length is the body's length; high nibble: the piece size.
  const std::string body = Repeat("0123456789abcdef", 4095);  // 65520 bytes
  ok &= Write(out, "download_headers", "large_body", Bytes({0, 0xA2, 0xF0, 0xFF}) + body);
  ok &= Write(out, "download_headers", "large_body_small_pieces",
              Bytes({0, 0x52, 0xF0, 0xFF}) + body);

  // locale: [flags][document]
  const std::string head = "<?xml version=\"1.0\"?><Locale name=\"en_US\">";
  ok &= Write(out, "locale", "deep_nesting",
              Bytes({0}) + head + Repeat("<a>", 300) + "t" + Repeat("</a>", 300) + "</Locale>");
  ok &= Write(out, "locale", "large_document",
              Bytes({0}) + head +
                  Repeat("<KEY_A>Some text with a {KEY_B} reference</KEY_A><KEY_B>Next</KEY_B>",
                         5000) +
                  "</Locale>");
  ok &= Write(out, "locale", "many_references",
              Bytes({0}) + head + "<A>{B}{B}</A><B>{C}{C}{C}</B><C>" + Repeat("{A}", 20000) +
                  "</C></Locale>");

  // file_name: [folder byte][UTF-16LE text]
  ok &= Write(out, "file_name", "long_url",
              Bytes({0}) + Repeat(Bytes({'a', 0, '/', 0}), 20000) +
                  Bytes({'s', 0, '.', 0, 'e', 0, 'x', 0, 'e', 0}));

  // registry: [machine] then a value with 1020 bytes of data under
  // HKLM\software\vendor (op 1), then a query of it (op 3).
  ok &= Write(out, "registry", "large_value",
              Bytes({1, 1, 0, 0, 2, 0xF7, 0xF9, 1, 'n', 0x04, 0xFF}) +
                  Repeat(Bytes({0x41, 0, 0, 0}), 255) + Bytes({3, 1, 1, 0xF9, 1, 'n', 0}));

  // offer_rules: [flags][{"m", "e", "o"}]: many offers naming many absent
  // vendors, and an offer id long enough to be refused base 62.
  {
    std::string offers;
    for (int i = 0; i < 64; ++i) {
      offers += std::string(i ? "," : "") + "{\"ad\":{\"f\":\"f\",\"o\":\"o" + std::to_string(i) +
                "\"},\"ps\":{\"i\":\"n\",\"dn\":\"n\",\"u\":\"u\",\"v\":" +
                std::to_string(i % 7) + ",\"r\":[" +
                Repeat("\"absentvendor\\\\product\",", 200) + "\"last\"]}}";
    }
    ok &= Write(out, "offer_rules", "many_absent_vendors",
                Bytes({1}) + "{\"m\":1000,\"o\":[" + offers + "]}");
    const std::string longId = Repeat("x", 100000);
    ok &= Write(out, "offer_rules", "long_offer_id",
                Bytes({1}) + "{\"m\":5,\"o\":[{\"ad\":{\"f\":\"f\",\"o\":\"" + longId +
                    "\"},\"ps\":{\"i\":\"n\",\"dn\":\"n\",\"u\":\"u\",\"v\":1}},"
                    "{\"ad\":{\"f\":\"f\",\"o\":\"b\"},\"ps\":{\"i\":\"n\",\"dn\":\"n\","
                    "\"u\":\"u\",\"pn\":true,\"cfs\":{\"ab\":[\"x\"]}}}]}");
  }

  // package: [flags][response document]
  const std::string offer = "{\"ad\":{\"f\":\"feed\",\"o\":\"o\"},\"ps\":{\"i\":\"i\",\"dn\":\"d\",\"u\":\"u\",";
  ok &= Write(out, "package", "placeholder_fan_out",
              Bytes({0x30}) + "{\"o\":[{\"ad\":{\"f\":\"" + Repeat("{pnapiurl}", 100000) +
                  "\",\"o\":\"o\"},\"ps\":{\"i\":\"i\",\"dn\":\"d\",\"u\":\"u\",\"pn\":true,"
                  "\"pnau\":\"" + Repeat("u", 100000) + "\",\"p\":\"" + Repeat("{of}", 100000) + "\"}}]}");
  ok &= Write(out, "package", "many_offers",
              Bytes({0x20}) + "{\"o\":[" + Repeat(offer + "\"r\":[\"k\"],\"x\":3}},", 300) +
                  offer + "\"p\":\"{cc}\"}}]}");
  ok &= Write(out, "package", "long_offer_id",
              Bytes({0x10}) + "{\"o\":[{\"ad\":{\"f\":\"f\",\"o\":\"" + Repeat("o", 1000000) +
                  "\"},\"ps\":{\"i\":\"i\",\"dn\":\"d\",\"u\":\"u\"}}]}");
  ok &= Write(out, "package", "deep_extra",
              Bytes({0x40}) + "{\"x\":{\"13\":" + Repeat("[", 60) + Repeat("]", 60) + "},\"o\":[" +
                  offer + "\"pn\":true,\"pnrp\":" + Repeat("{\"a\":", 50) + "1" + Repeat("}", 50) +
                  "}}]}");
  // zip: many entries in many folders, and one entry that inflates from a
  // few kilobytes to megabytes.
  std::vector<ZipItem> many(3000);
  for (std::size_t i = 0; i < many.size(); ++i) {
    many[i].name = "d" + std::to_string(i % 40) + "/f" + std::to_string(i) + ".bin";
    many[i].content = Repeat("x", i % 50);
    many[i].deflate = i % 2 == 0;
  }
  ok &= Write(out, "zip", "many_entries", BuildZip(many));
  ZipItem large;
  large.name = "setup.exe";
  large.content = "MZ" + Repeat(std::string("\x00\x01\x02\x03", 4), 768 * 1024);
  ok &= Write(out, "zip", "large_entry", BuildZip({large}));
  // inflate: [piece][stream]. Megabytes through the window, with copies
  // from far back; and a stream that inflates past the harness's limit.
  std::string text;
  for (std::size_t i = 0; text.size() < (2u << 20); ++i) {
    text += "<Text id=\"T" + std::to_string(i % 977) + "\">" + Repeat("ab", i % 13) + "</Text>\n";
    if (i % 50 == 49 && text.size() > 30000) text += text.substr(text.size() - 30000, 2000);
  }
  ok &= Write(out, "inflate", "large_stream", Bytes({0}) + Deflate(text, 6));
  ok &= Write(out, "inflate", "past_the_limit", Bytes({0}) + Deflate(std::string(8u << 20, 'z'), 9));
  return ok ? 0 : 1;
}
