// Images: loading, cutting into frames, masking, handles, release, pixmaps.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/core/gfx_core.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"

namespace {

std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("DUSKMOOR_BUILD_DIR");
  return std::string(dir ? dir : "/tmp") + "/graphics_images_" + name;
}

// Writes a PNG without an alpha channel (RGB) from 0xAARRGGBB pixels.
void WriteRgbPNG(const std::string& path, int w, int h, const std::vector<uint32_t>& argb) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = static_cast<png_uint_32>(w);
  img.height = static_cast<png_uint_32>(h);
  img.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb;
  for (uint32_t p : argb) {
    rgb.push_back(static_cast<uint8_t>(p >> 16));
    rgb.push_back(static_cast<uint8_t>(p >> 8));
    rgb.push_back(static_cast<uint8_t>(p));
  }
  ASSERT_TRUE(png_image_write_to_file(&img, path.c_str(), 0, rgb.data(), 0, nullptr));
}

// Writes an RGBA PNG through the layer itself.
void WriteRgbaPNG(const std::string& path, int w, int h, const std::vector<uint32_t>& argb) {
  const int pm = CreatePixmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) WritePixel(pm, x, y, argb[static_cast<size_t>(y) * w + x]);
  ASSERT_EQ(SavePixmapPNG(pm, path, 9), 1);
  FreePixmap(pm);
}

// A 3 x 2 grid of 4 x 2 cells, cell k filled with the colour 0xFF0000k0 + k.
std::vector<uint32_t> CellSheet() {
  std::vector<uint32_t> px(12 * 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 12; ++x) {
      const uint32_t cell = static_cast<uint32_t>((y / 2) * 3 + x / 4);
      px[static_cast<size_t>(y) * 12 + x] = 0xFF000000u | (cell << 4) | (cell + 1);
    }
  return px;
}

// A pixel of one frame as the image holds it.
uint32_t FramePixel(int image, int frame, int x, int y) {
  const gfxcore::ImageRec* img = gfxcore::Image(image);
  if (!img || !img->HasFrame(frame)) return 0xDEADBEEFu;
  return img->Frame(frame)[y * img->width + x];
}

TEST(GraphicsImages, CellsAreCutLeftToRightThenTopToBottom) {
  testbackend::Reset();
  const std::string path = TempPath("sheet.png");
  WriteRgbaPNG(path, 12, 4, CellSheet());
  struct Case {
    int first, count, flags;
    bool loads;
  };
  const Case cases[] = {
      {0, 6, 0, true}, {2, 3, 0, true}, {5, 1, 0, true},  // within the six cells
      {0, 7, 0, false}, {4, 3, 0, false}, {6, 1, 0, false},  // beyond them
  };
  for (const Case& c : cases) {
    const int img = LoadAnimImage(path, 4, 2, c.first, c.count, c.flags);
    ASSERT_EQ(img != 0, c.loads) << "first " << c.first << " count " << c.count;
    if (!img) continue;
    EXPECT_EQ(ImageWidth(img), 4);
    EXPECT_EQ(ImageHeight(img), 2);
    EXPECT_EQ(ImageFrames(img), c.count);
    for (int f = 0; f < c.count; ++f) {
      const uint32_t cell = static_cast<uint32_t>(c.first + f);
      EXPECT_EQ(FramePixel(img, f, 0, 0), 0xFF000000u | (cell << 4) | (cell + 1));
      EXPECT_EQ(FramePixel(img, f, 3, 1), 0xFF000000u | (cell << 4) | (cell + 1));
    }
  }
  // A cell size that does not divide the picture rounds the grid down.
  EXPECT_NE(LoadAnimImage(path, 5, 3, 0, 2, 0), 0);
  EXPECT_EQ(LoadAnimImage(path, 5, 3, 0, 3, 0), 0);
}

TEST(GraphicsImages, MissingOrUnreadablePicturesGiveNoImage) {
  testbackend::Reset();
  EXPECT_EQ(LoadImage(TempPath("absent.png"), 0), 0);
  EXPECT_EQ(LoadAnimImage(TempPath("absent.png"), 8, 8, 0, 1, 0), 0);
  const std::string junk = TempPath("junk.png");
  FILE* f = std::fopen(junk.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not a picture", f);
  std::fclose(f);
  EXPECT_EQ(LoadImage(junk, 0), 0);
  EXPECT_EQ(testgraphics::LiveImages(), 0);
}

// A picture whose file was cut short: what the file still holds shows, the
// rest is transparent, and the load says the data ends early. Cut inside its
// headers there is nothing to show. Whatever reads PNG files (images, cells,
// pixmaps) agrees.
TEST(GraphicsImages, APictureCutShortKeepsTheRowsItHoldsAndSaysSo) {
  testbackend::Reset();
  // Stored without compression, so a cut at a part of the file falls at
  // about that part of the rows; every pixel differs from its neighbours.
  // The reader takes the picture's data in blocks of 8 KiB, so the rows of
  // the block a cut falls in (16 of these) are lost with it.
  const int w = 128, h = 128;
  const int block_rows = 16;
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
  const int pm = CreatePixmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) WritePixel(pm, x, y, px[static_cast<size_t>(y) * w + x]);
  const std::string whole_path = TempPath("whole.png");
  ASSERT_EQ(SavePixmapPNG(pm, whole_path, 0), 1);
  FreePixmap(pm);
  std::ifstream in(whole_path, std::ios::binary);
  const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(whole.size(), static_cast<size_t>(w) * h * 4);

  struct Case {
    const char* what;
    std::string bytes;
    bool loads;
    std::string problem;
    int min_rows, max_rows;  // whole rows as in the picture; the rest is transparent
  };
  const Case cases[] = {
      {"whole", whole, true, "", h, h},
      {"cut in half", whole.substr(0, whole.size() / 2), true, "data ends early", h / 2 - block_rows - 1, h / 2},
      {"cut a quarter in", whole.substr(0, whole.size() / 4), true, "data ends early", h / 4 - block_rows - 1, h / 4},
      {"cut before the last row ends", whole.substr(0, whole.size() - 40), true, "data ends early",
       h - block_rows - 1, h - 1},
      {"cut inside the header", whole.substr(0, 20), false, "data ends early", 0, 0},
      {"not a picture", "not a picture at all", false, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = TempPath("cut.png");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
    const int image = LoadImage(path, 0);
    EXPECT_EQ(LastLoadProblem(), c.problem);
    const int cells = LoadAnimImage(path, w, 8, 0, h / 8, 0);
    EXPECT_EQ(LastLoadProblem(), c.problem);
    const int pixmap = LoadPixmapPNG(path);
    EXPECT_EQ(LastLoadProblem(), c.problem);
    ASSERT_EQ(image != 0, c.loads);
    ASSERT_EQ(cells != 0, c.loads);
    ASSERT_EQ(pixmap != 0, c.loads);
    if (!c.loads) continue;
    ASSERT_EQ(ImageWidth(image), w);
    ASSERT_EQ(ImageHeight(image), h);
    // Rows are either the picture's or transparent, the picture's first.
    int rows = 0;
    while (rows < h && FramePixel(image, 0, 0, rows) == px[static_cast<size_t>(rows) * w]) ++rows;
    EXPECT_GE(rows, c.min_rows);
    EXPECT_LE(rows, c.max_rows);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t want = y < rows ? px[static_cast<size_t>(y) * w + x] : 0u;
        ASSERT_EQ(FramePixel(image, 0, x, y), want) << x << "," << y;
        ASSERT_EQ(FramePixel(cells, y / 8, x, y % 8), want) << x << "," << y;
        ASSERT_EQ(ReadPixel(pixmap, x, y), want) << x << "," << y;
      }
    FreeImage(image);
    FreeImage(cells);
    FreePixmap(pixmap);
  }
  // A picture cut short that is also too small for the cells asked for: the
  // cells are why it does not load.
  std::ofstream(TempPath("cut.png"), std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() / 2);
  EXPECT_EQ(LoadAnimImage(TempPath("cut.png"), w, 8, 0, h / 8 + 1, 0), 0);
  EXPECT_EQ(LastLoadProblem(), "");
  // The next load starts afresh.
  EXPECT_NE(LoadImage(whole_path, 0), 0);
  EXPECT_EQ(LastLoadProblem(), "");
}

TEST(GraphicsImages, MaskingClearsBlackOnlyInPicturesWithoutAlpha) {
  testbackend::Reset();
  const std::vector<uint32_t> px = {0xFF000000u, 0xFF010000u, 0xFFFFFFFFu, 0xFF000000u};
  const std::string rgb = TempPath("rgb.png");
  const std::string rgba = TempPath("rgba.png");
  WriteRgbPNG(rgb, 2, 2, px);
  WriteRgbaPNG(rgba, 2, 2, px);
  struct Case {
    const std::string* path;
    int flags;
    uint32_t black_becomes;
  };
  const Case cases[] = {
      {&rgb, MASKEDIMAGE, 0x00000000u},
      {&rgb, MASKEDIMAGE | FILTEREDIMAGE, 0x00000000u},
      {&rgb, 0, 0xFF000000u},
      {&rgb, FILTEREDIMAGE, 0xFF000000u},
      {&rgba, MASKEDIMAGE, 0xFF000000u},  // a picture with alpha keeps its own
  };
  for (const Case& c : cases) {
    const int img = LoadImage(*c.path, c.flags);
    ASSERT_NE(img, 0);
    EXPECT_EQ(FramePixel(img, 0, 0, 0), c.black_becomes) << *c.path << " flags " << c.flags;
    EXPECT_EQ(FramePixel(img, 0, 1, 1), c.black_becomes);
    EXPECT_EQ(FramePixel(img, 0, 1, 0), 0xFF010000u);  // nearly black stays
    EXPECT_EQ(FramePixel(img, 0, 0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(ImageFlags(img), c.flags);
  }
  // Left out, the flags mean masked and filtered.
  EXPECT_EQ(ImageFlags(LoadImage(rgb)), MASKEDIMAGE | FILTEREDIMAGE);
}

TEST(GraphicsImages, MidHandlesFollowAutoMidHandleAtLoadTime) {
  testbackend::Reset();
  const std::string path = TempPath("handles.png");
  WriteRgbaPNG(path, 12, 4, CellSheet());
  float hx = -1, hy = -1;
  const int plain = LoadImage(path, 0);
  GetImageHandle(plain, hx, hy);
  EXPECT_EQ(hx, 0.0f);
  EXPECT_EQ(hy, 0.0f);
  AutoMidHandle(true);
  const int whole = LoadImage(path, 0);
  const int cells = LoadAnimImage(path, 4, 2, 0, 6, 0);
  const int created = CreateImage(7, 5, 1, 0);
  AutoMidHandle(false);
  const int later = CreateImage(7, 5, 1, 0);
  struct Case {
    int image;
    float hx, hy;
  };
  const Case cases[] = {{whole, 6.0f, 2.0f}, {cells, 2.0f, 1.0f}, {created, 3.5f, 2.5f},
                        {later, 0.0f, 0.0f}};
  for (const Case& c : cases) {
    GetImageHandle(c.image, hx, hy);
    EXPECT_EQ(hx, c.hx);
    EXPECT_EQ(hy, c.hy);
  }
  SetImageHandle(later, 1.0f, 4.0f);
  GetImageHandle(later, hx, hy);
  EXPECT_EQ(hx, 1.0f);
  EXPECT_EQ(hy, 4.0f);
  MidHandleImage(later);
  GetImageHandle(later, hx, hy);
  EXPECT_EQ(hx, 3.5f);
  EXPECT_EQ(hy, 2.5f);
}

TEST(GraphicsImages, CreatedImagesAreBlankAndAlwaysDynamic) {
  testbackend::Reset();
  const int img = CreateImage(3, 2, 4, MASKEDIMAGE);
  ASSERT_NE(img, 0);
  EXPECT_EQ(ImageFlags(img), MASKEDIMAGE | DYNAMICIMAGE);
  EXPECT_EQ(ImageFrames(img), 4);
  EXPECT_EQ(FramePixel(img, 3, 2, 1), 0u);
  EXPECT_EQ(CreateImage(0, 5, 1, 0), 0);
  EXPECT_EQ(CreateImage(5, 5, 0, 0), 0);
}

TEST(GraphicsImages, HandleZeroAndFreedImagesMeasureNothing) {
  testbackend::Reset();
  const int img = testgraphics::MakeImage(2, 2, std::vector<uint32_t>(4, 0xFFFFFFFFu));
  EXPECT_EQ(testgraphics::LiveImages(), 1);
  FreeImage(img);
  EXPECT_EQ(testgraphics::LiveImages(), 0);
  for (int h : {0, img, 12345}) {
    EXPECT_EQ(ImageWidth(h), 0);
    EXPECT_EQ(ImageHeight(h), 0);
    EXPECT_EQ(ImageFrames(h), 0);
    FreeImage(h);  // harmless
  }
}

TEST(GraphicsImages, ReplacingAnImageReleasesTheOldOne) {
  testbackend::Reset();
  const std::string path = TempPath("reload.png");
  WriteRgbaPNG(path, 12, 4, CellSheet());
  int handle = LoadImage(path, 0);
  for (int apply = 0; apply < 50; ++apply) {
    const int fresh = LoadImage(path, 0);
    FreeImage(handle);
    handle = fresh;
  }
  EXPECT_EQ(testgraphics::LiveImages(), 1);
  EXPECT_EQ(ImageWidth(handle), 12);
}

TEST(GraphicsImages, PixmapsRoundTripThroughPNG) {
  testbackend::Reset();
  const int pm = CreatePixmap(3, 2);
  const uint32_t px[6] = {0xFF102030u, 0x80FFFFFFu, 0x00000000u,
                          0xFF000000u, 0xFFFF0000u, 0x7F00FF00u};
  for (int i = 0; i < 6; ++i) WritePixel(pm, i % 3, i / 3, px[i]);
  const std::string path = TempPath("pixmap.png");
  ASSERT_EQ(SavePixmapPNG(pm, path, 9), 1);
  const int back = LoadPixmapPNG(path);
  ASSERT_NE(back, 0);
  ASSERT_EQ(PixmapWidth(back), 3);
  ASSERT_EQ(PixmapHeight(back), 2);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ReadPixel(back, i % 3, i / 3), px[i]) << i;
  EXPECT_EQ(ReadPixel(back, 3, 0), 0u);
  EXPECT_EQ(SavePixmapPNG(pm, TempPath("no/such/folder/x.png"), 9), 0);
  EXPECT_EQ(SavePixmapPNG(0, path, 9), 0);
}

TEST(GraphicsImages, APictureIsNeverWrittenThroughALink) {
  testbackend::Reset();
  namespace fs = std::filesystem;
  const fs::path folder = TempPath("links");
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::ofstream(folder / "victim", std::ios::binary) << "keep";
  fs::create_symlink(folder / "victim", folder / "link.png");
  fs::create_symlink(folder / "gone", folder / "dangling.png");
  const int pm = CreatePixmap(3, 2);
  EXPECT_EQ(SavePixmapPNG(pm, (folder / "link.png").string(), 9), 0);
  EXPECT_EQ(SavePixmapPNG(pm, (folder / "dangling.png").string(), 9), 0);
  std::ifstream in(folder / "victim", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "gone")));
  // A regular file of that name is replaced as before.
  std::ofstream(folder / "plain.png", std::ios::binary) << std::string(4096, 'x');
  EXPECT_EQ(SavePixmapPNG(pm, (folder / "plain.png").string(), 9), 1);
  EXPECT_LT(fs::file_size(folder / "plain.png"), 4096u);
  const int back = LoadPixmapPNG((folder / "plain.png").string());
  EXPECT_EQ(PixmapWidth(back), 3);
  FreePixmap(back);
  FreePixmap(pm);
  fs::remove_all(folder);
}

}  // namespace
