#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <algorithm>

#include "datagen.h"

namespace datagen {

void Fail(const std::string& what) {
  std::fprintf(stderr, "datagen: %s\n", what.c_str());
  std::exit(1);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  MakeDirs(std::filesystem::path(path).parent_path().string());
  // Write beside the target and rename, so a reader never sees half a file.
  std::string tmp = path + ".part";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) Fail("cannot write " + tmp);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) Fail("cannot write " + tmp);
  }
  std::filesystem::rename(tmp, path);
}

void MakeDirs(const std::string& path) {
  if (path.empty()) return;
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) Fail("cannot create folder " + path);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(cur);
      cur.clear();
    } else if (c != '\r') {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream ss(line);
  std::string w;
  while (ss >> w) out.push_back(w);
  return out;
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= 32) ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= 32) --b;
  return s.substr(a, b - a);
}

std::vector<std::string> ListFiles(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    std::string p = e.path().string();
    if (p.size() >= suffix.size() && p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0)
      out.push_back(p);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace datagen
