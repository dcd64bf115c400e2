// PNG reading (any PNG, to 0xAARRGGBB) and RGBA writing at a chosen zlib level.
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>

#include "platform/core/gfx_core.h"
#include "platform/core/load_problem.h"
#include "platform/files.h"

namespace gfxcore {

bool ReadPNG(const std::string& path, int& w, int& h, std::vector<uint32_t>& argb,
             bool& has_alpha) {
  loadproblem::last.clear();
  // Only a regular file is read (a pipe would hold the loading for good);
  // its bytes are then read as a stream of their own, which tells afterwards
  // whether a failure came from the file running out.
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  if (bytes.empty()) {
    loadproblem::last = loadproblem::kEndsEarly;
    return false;
  }
  FILE* f = ::fmemopen(bytes.data(), bytes.size(), "r");
  if (!f) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  bool ok = false;
  if (png_image_begin_read_from_stdio(&image, f)) {
    // The picture's own format tells whether it carries transparency (alpha or tRNS).
    has_alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_BGRA;  // little-endian bytes of 0xAARRGGBB
    if (image.width == 0 || image.height == 0 || image.width > 32768 || image.height > 32768) {
      png_image_free(&image);
    } else {
      // Clear to begin with: rows the file never reaches stay transparent.
      std::vector<uint32_t> px(static_cast<size_t>(image.width) * image.height, 0u);
      ok = png_image_finish_read(&image, nullptr, px.data(), 0, nullptr) != 0;
      if (!ok && std::feof(f)) {
        // Cut short: the rows decoded before the end are in place, and a
        // picture with a part missing shows more than none at all.
        loadproblem::last = loadproblem::kEndsEarly;
        ok = true;
      }
      png_image_free(&image);
      if (ok) {
        w = static_cast<int>(image.width);
        h = static_cast<int>(image.height);
        argb = std::move(px);
      }
    }
  } else if (std::feof(f)) {
    loadproblem::last = loadproblem::kEndsEarly;
  }
  std::fclose(f);
  return ok;
}

namespace {

// libpng's own handlers would put its words on the terminal; a picture that
// cannot be written is the caller's to report.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

// Removes the file WritePNG made when the picture could not be finished: a
// broken or empty picture is no picture. Only that file goes, should
// something else have taken the name since.
void RemoveMade(const std::string& path, const struct stat& made) {
  struct stat now{};
  if (::lstat(path.c_str(), &now) == 0 && now.st_dev == made.st_dev && now.st_ino == made.st_ino)
    ::unlink(path.c_str());
}

bool Abandon(std::FILE* f, const std::string& path, const struct stat& made) {
  std::fclose(f);
  RemoveMade(path, made);
  return false;
}

}  // namespace

bool WritePNG(const std::string& path, int w, int h, const std::vector<uint32_t>& argb,
              int level) {
  if (w <= 0 || h <= 0 || argb.size() < static_cast<size_t>(w) * h) return false;
  // Never through a link, never into a pipe: see OpenFileInPlace.
  FILE* f = OpenFileInPlace(path);
  if (!f) return false;
  struct stat made{};
  if (::fstat(fileno(f), &made) != 0) {
    std::fclose(f);
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    return Abandon(f, path, made);
  }
  std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Abandon(f, path, made);
  }
  png_init_io(png, f);
  png_set_compression_level(png, level);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    const uint32_t* src = argb.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      const uint32_t p = src[x];
      row[x * 4 + 0] = static_cast<uint8_t>(p >> 16);
      row[x * 4 + 1] = static_cast<uint8_t>(p >> 8);
      row[x * 4 + 2] = static_cast<uint8_t>(p);
      row[x * 4 + 3] = static_cast<uint8_t>(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  // The last bytes may meet a full disk only here.
  if (std::fflush(f) != 0) return Abandon(f, path, made);
  if (std::fclose(f) != 0) {
    RemoveMade(path, made);
    return false;
  }
  return true;
}

}  // namespace gfxcore
