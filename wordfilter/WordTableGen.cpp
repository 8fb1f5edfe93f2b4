// Build step: turns words.txt (UTF-8, line i = entry i) into the compiled-in string table.
// Each entry is written as a UTF-16 literal of escaped code units, so no text of the list
// passes through the compiler's reading of the source character set.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

static bool Utf8ToUnits(const std::string &line, std::vector<unsigned> &units) {
  for (size_t i = 0; i < line.size();) {
    const auto c = static_cast<unsigned char>(line[i]);
    unsigned cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      len = 4;
    } else
      return false;
    if (i + len > line.size())
      return false;
    for (size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(line[i + k]);
      if ((cc & 0xC0) != 0x80)
        return false;
      cp = cp << 6 | (cc & 0x3F);
    }
    if (cp >= 0x10000) {
      units.push_back(0xD800 + ((cp - 0x10000) >> 10));
      units.push_back(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      units.push_back(cp);
    }
    i += len;
  }
  return true;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    std::cerr << "usage: WordTableGen words.txt WordTable.cpp\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 2;
  }
  std::ostringstream out;
  out << "// Generated from words.txt; do not edit.\n#include \"wordfilter/WordTable.h\"\n\n"
         "namespace {\nconstexpr std::u16string_view Entries[] = {\n  u\"\",\n";
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::vector<unsigned> units;
    if (!Utf8ToUnits(line, units)) {
      std::cerr << argv[1] << ":" << number << ": not UTF-8\n";
      return 2;
    }
    out << "  u\"";
    for (unsigned u : units) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%04x", u);
      out << buf;
    }
    out << "\",\n";
  }
  out << "};\n} // namespace\n\nstd::u16string_view LoadWordString(int32_t id) {\n"
         "  if (id <= 0 || id >= int32_t(std::size(Entries)))\n    return {};\n"
         "  return Entries[id];\n}\n";
  std::ofstream(argv[2], std::ios::binary) << out.str();
  return 0;
}
