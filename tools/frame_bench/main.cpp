// Frame pacing, CPU and memory of the real game's screens in a real window,
// beside a bare SDL2/OpenGL window of the same size.
//
// The game starts as it always does (settings, display, every asset, the
// engine speed test), then the bench shows, for a few seconds each:
//   speed test WxH  the engine speed test after a display switch to that size
//                   (slow-system flag cleared first), with its best count
//   title           the title screen
//   options         the title screen with the options overlay open
//   map             the map screen of the busiest shipped level
//   play            play on that level, the player standing at the start
// The busiest level is the one with the most filled room cells.
//
// Per screen: frames per second, median and 99th-percentile frame interval,
// CPU time per frame (the whole process, rasteriser threads included, and the
// game's own thread), resident memory at the end. The bare window clears,
// draws a few rectangles and paces itself like the frame pump; it runs in a
// child process so that its memory is its own.
//
//   LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1920x1080x24"
//       build/tools/frame_bench/frame_bench [--size 800x600] [--seconds 4]
//       [--speedtest 800x600,1280x960,1600x900] [--game build/game]
//
// The game folder's Debug.txt receives the speed tests' log lines. Setup.ini
// is read, not written.
#include <GL/gl.h>
#include <SDL.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "framework/globals.h"
#include "framework/pump.h"
#include "game/game_state.h"
#include "game/play_game.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "map/map_screen.h"
#include "music/player_step.h"
#include "platform/app.h"
#include "settings/display.h"
#include "settings/options.h"
#include "settings/startup_sequence.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"
#include "startup/startup.h"
#include "title/title.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Config {
  int width = 800, height = 600;
  double seconds = 4.0;
  std::vector<std::pair<int, int>> speed_sizes = {{800, 600}, {1280, 960}, {1600, 900}};
  std::string game_dir;
};

struct Figures {
  std::string name;
  int frames = 0;
  double fps = 0, median_ms = 0, p99_ms = 0, cpu_ms = 0, thread_ms = 0, rss_mb = 0;
  std::string note;
};

double CpuMs(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double RssMb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// One measured stretch of frames: a stamp per frame, CPU clocks at both ends.
class Window {
 public:
  void Start() {
    stamps_.clear();
    cpu0_ = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    thread0_ = CpuMs(CLOCK_THREAD_CPUTIME_ID);
    start_ = Clock::now();
    open_ = true;
  }
  void Stamp() {
    if (open_) stamps_.push_back(Clock::now());
  }
  double Elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
  Figures Finish(const std::string& name) {
    open_ = false;
    Figures f;
    f.name = name;
    const double cpu = CpuMs(CLOCK_PROCESS_CPUTIME_ID) - cpu0_;
    const double thread = CpuMs(CLOCK_THREAD_CPUTIME_ID) - thread0_;
    f.rss_mb = RssMb();
    std::vector<double> gaps;
    for (size_t i = 1; i < stamps_.size(); ++i)
      gaps.push_back(std::chrono::duration<double, std::milli>(stamps_[i] - stamps_[i - 1]).count());
    f.frames = static_cast<int>(gaps.size());
    if (gaps.empty()) return f;
    const double span =
        std::chrono::duration<double>(stamps_.back() - stamps_.front()).count();
    f.fps = gaps.size() / span;
    std::sort(gaps.begin(), gaps.end());
    f.median_ms = gaps[gaps.size() / 2];
    f.p99_ms = gaps[std::min(gaps.size() - 1, static_cast<size_t>(gaps.size() * 0.99))];
    f.cpu_ms = cpu / static_cast<double>(stamps_.size());
    f.thread_ms = thread / static_cast<double>(stamps_.size());
    return f;
  }

 private:
  std::vector<Clock::time_point> stamps_;
  Clock::time_point start_;
  double cpu0_ = 0, thread0_ = 0;
  bool open_ = false;
};

Window g_window;
// Set while the map screen is measured: it is ended once the time is up.
double g_map_seconds = -1;
int g_status = 0;  // the exit status once the screens have run

void PrintRow(const Figures& f) {
  std::printf("%-20s %6d %7.1f %8.2f %8.2f %8.2f %8.2f %8.1f  %s\n", f.name.c_str(), f.frames,
              f.fps, f.median_ms, f.p99_ms, f.cpu_ms, f.thread_ms, f.rss_mb, f.note.c_str());
}

void PrintHeader() {
  std::printf("%-20s %6s %7s %8s %8s %8s %8s %8s\n", "screen", "frames", "fps", "med ms",
              "p99 ms", "cpu ms", "main ms", "RSS MB");
}

// ---- the bare window (child process) ---------------------------------------------------

int RunBare(int w, int h, double seconds) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_Window* win = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                                     SDL_WINDOW_OPENGL);
  if (!win) return 1;
  SDL_GLContext ctx = SDL_GL_CreateContext(win);
  if (!ctx) return 1;
  SDL_GL_SetSwapInterval(0);
  glViewport(0, 0, w, h);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, w, h, 0, -1, 1);
  Window m;
  auto last = Clock::now();
  m.Start();
  while (m.Elapsed() < seconds) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    glClearColor(0, 0, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
      glColor3f(0.25f * i, 1 - 0.25f * i, 0.5f);
      const float x = 40.0f + 150.0f * i, y = 60.0f + 40.0f * i;
      glVertex2f(x, y);
      glVertex2f(x + 120, y);
      glVertex2f(x + 120, y + 80);
      glVertex2f(x, y + 80);
    }
    glEnd();
    glFlush();
    // The frame pump's pacing: 1 ms sleeps until 15 ms have passed.
    do std::this_thread::sleep_for(std::chrono::milliseconds(1));
    while (Clock::now() - last < std::chrono::milliseconds(15));
    m.Stamp();
    SDL_GL_SwapWindow(win);
    last = Clock::now();
  }
  const Figures f = m.Finish("bare");
  std::printf("%d %f %f %f %f %f %f\n", f.frames, f.fps, f.median_ms, f.p99_ms, f.cpu_ms,
              f.thread_ms, f.rss_mb);
  SDL_GL_DeleteContext(ctx);
  SDL_DestroyWindow(win);
  SDL_Quit();
  return 0;
}

Figures MeasureBare(const std::string& self, int w, int h, double seconds) {
  Figures f;
  f.name = "bare " + std::to_string(w) + "x" + std::to_string(h);
  const std::string cmd = "'" + self + "' --bare " + std::to_string(w) + " " + std::to_string(h) +
                          " " + std::to_string(seconds);
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return f;
  if (std::fscanf(p, "%d %lf %lf %lf %lf %lf %lf", &f.frames, &f.fps, &f.median_ms, &f.p99_ms,
                  &f.cpu_ms, &f.thread_ms, &f.rss_mb) != 7)
    f.note = "failed";
  pclose(p);
  return f;
}

// ---- the game's screens ---------------------------------------------------------------

void SwitchDisplay(int w, int h) {
  Options[1] = 0;  // windowed
  Options[5] = w;
  Options[6] = h;
  MyScrw = w;
  MyScrh = h;
  ChangeRes();
}

Figures SpeedTestAt(int w, int h) {
  Options[7] = 0;  // the slow-system flag a previous run may have set
  g_window.Start();
  SwitchDisplay(w, h);
  Figures f = g_window.Finish("speed test " + std::to_string(w) + "x" + std::to_string(h));
  char note[160];
  if (UseFPS == 30 || Options[7] == 1)
    std::snprintf(note, sizeof note, "slow path (Lower Limits), budgets %d/%d/%d", DrawMax[1],
                  DrawMax[2], DrawMax[3]);
  else
    std::snprintf(note, sizeof note, "full rate, best count %d, budgets %d/%d/%d",
                  static_cast<int>(DrawMax[1] / 0.4f + 0.5f), DrawMax[1], DrawMax[2], DrawMax[3]);
  f.note = note;
  return f;
}

template <typename Frame>
Figures RunFor(const std::string& name, double seconds, Frame frame) {
  g_window.Start();
  while (g_window.Elapsed() < seconds) frame();
  return g_window.Finish(name);
}

int FilledCells() {
  int n = 0;
  for (const auto& r : rooms)
    for (int32_t c : r->objEdit) n += c != 0;
  return n;
}

// The shipped level with the most filled cells; the player's own level is left out.
std::shared_ptr<game> BusiestLevel(std::string& why) {
  std::shared_ptr<game> best;
  int most = -1;
  for (const auto& g : levels) {
    if (g->Title == kYourLevelTitle) continue;
    GetLevel(g->name);
    const int n = FilledCells();
    if (n > most) {
      most = n;
      best = g;
    }
  }
  if (best) why = best->Title + ", " + std::to_string(most) + " filled cells";
  return best;
}

void RunScreens(const Config& cfg, const std::string& self) {
  RunStartup(cfg.game_dir);
  FrameServices& services = PumpServices();
  services.musicStep = [] {
    g_window.Stamp();
    if (g_map_seconds >= 0 && g_window.Elapsed() >= g_map_seconds) mapstate.mapDone = 1;
    QRDM_Play();
  };
  std::vector<Figures> rows;
  g_window.Start();
  StartUpSequence();
  rows.push_back(g_window.Finish("start-up"));
  rows.back().note = "includes the first speed test";

  for (const auto& [w, h] : cfg.speed_sizes) rows.push_back(SpeedTestAt(w, h));
  rows.push_back(SpeedTestAt(cfg.width, cfg.height));
  rows.back().name = "switch to " + std::to_string(cfg.width) + "x" + std::to_string(cfg.height);
  const bool slow = Options[7] == 1;

  TitleSetUp();
  rows.push_back(RunFor("title", cfg.seconds, [] { TitleFrame(); }));
  OptionScreen = 1;
  rows.push_back(RunFor("options", cfg.seconds, [] { TitleFrame(); }));
  OptionScreen = 0;
  RunFor("", 1.0, [] { TitleFrame(); });  // the overlay slides out

  std::string why;
  Uselevel = BusiestLevel(why);
  if (!Uselevel) {
    std::fprintf(stderr, "frame_bench: no shipped level in %s: map and play not measured\n", Paths.levels.c_str());
    g_status = 1;
  }
  if (Uselevel) {
    InGame = 1;
    g_map_seconds = cfg.seconds;
    g_window.Start();
    SetupGame();  // loads the level and shows its map screen
    g_map_seconds = -1;
    rows.push_back(g_window.Finish("map"));
    rows.push_back(RunFor("play", cfg.seconds, [] {
      if (playstate.loopexit == 0) PlayFrame();
    }));
    rows.back().note = why;
    InGame = 0;
  }
  if (slow) {
    for (Figures& f : rows)
      if (f.name == "title" || f.name == "options" || f.name == "map" || f.name == "play")
        f.note += (f.note.empty() ? "" : "; ") + std::string("frame skip on");
  }

  std::fflush(stdout);
  std::vector<Figures> bare;
  for (const auto& [w, h] : cfg.speed_sizes) bare.push_back(MeasureBare(self, w, h, cfg.seconds));
  const Figures base = MeasureBare(self, cfg.width, cfg.height, cfg.seconds);

  std::printf("Game window %dx%d, %.1f s per screen, load average at the end: ", cfg.width,
              cfg.height, cfg.seconds);
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) == 3) std::printf("%.1f %.1f %.1f", load[0], load[1], load[2]);
  std::printf(" (%ld cores)\n\n", sysconf(_SC_NPROCESSORS_ONLN));
  PrintHeader();
  for (const Figures& f : rows) PrintRow(f);
  std::printf("\n");
  for (const Figures& f : bare) PrintRow(f);
  PrintRow(base);
  std::printf("\nResident memory above the bare %dx%d window:\n", cfg.width, cfg.height);
  for (const Figures& f : rows)
    if (f.name == "title" || f.name == "options" || f.name == "play" || f.name == "map")
      std::printf("  %-8s %+7.1f MB\n", f.name.c_str(), f.rss_mb - base.rss_mb);
  std::fflush(stdout);
}

// The game folder as an absolute path, taken from the folder the bench was
// started in: the application shell moves into the bench's own folder
// before anything is loaded.
std::string AbsoluteFolder(const std::string& dir) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(dir, ec);
  if (ec) return dir;
  p = std::filesystem::weakly_canonical(p, ec);
  std::string out = p.string();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

// The folders the game cannot run its screens without, those missing.
std::vector<std::string> MissingGameData(const std::string& root) {
  std::vector<std::string> missing;
  for (const std::string& sub : {std::string("Files/Common/"), "Files/" + GameFolderName(GameWeek),
                                 GameName1 + GameName2 + "_Levels/"}) {
    std::error_code ec;
    if (!std::filesystem::is_directory(root + sub, ec)) missing.push_back(root + sub);
  }
  return missing;
}

bool ParseSize(const char* text, int& w, int& h) {
  return std::sscanf(text, "%dx%d", &w, &h) == 2 && w > 0 && h > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--bare") == 0)
    return RunBare(std::atoi(argv[2]), std::atoi(argv[3]), std::atof(argv[4]));
  Config cfg;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    const char* val = argv[i + 1];
    if (opt == "--size") {
      if (!ParseSize(val, cfg.width, cfg.height)) return 2;
    } else if (opt == "--seconds") {
      cfg.seconds = std::max(0.5, std::atof(val));
    } else if (opt == "--game") {
      cfg.game_dir = val;
    } else if (opt == "--speedtest") {
      cfg.speed_sizes.clear();
      std::string list = val;
      size_t start = 0;
      while (start < list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        int w = 0, h = 0;
        if (!ParseSize(list.substr(start, end - start).c_str(), w, h)) return 2;
        cfg.speed_sizes.push_back({w, h});
        start = end + 1;
      }
    } else {
      std::fprintf(stderr, "unknown option %s\n", opt.c_str());
      return 2;
    }
  }
  char self[4096] = {0};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 2;
  self[n] = 0;
  cfg.game_dir = AbsoluteFolder(cfg.game_dir.empty() ? AppDir() + "../../game/" : cfg.game_dir);
  const std::vector<std::string> missing = MissingGameData(cfg.game_dir);
  if (!missing.empty()) {
    // Without its data the game still runs, on empty screens: figures of
    // nothing.
    std::fprintf(stderr, "frame_bench: no game data in %s\n", cfg.game_dir.c_str());
    for (const std::string& m : missing) std::fprintf(stderr, "  missing: %s\n", m.c_str());
    return 2;
  }
  const int status = RunApplication(argv[0], [&] { RunScreens(cfg, self); });
  return status != 0 ? status : g_status;
}
