#include "sample_addon.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <fstream>
#include <span>
#include <system_error>

#include "server_tree.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// splitmix64: tiny, and the same sequence everywhere, unlike the std:: distributions.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(Next() % n); }
  int Range(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<std::uint32_t>(hi - lo + 1))); }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<std::uint32_t>(N))];
  }

 private:
  std::uint64_t state_;
};

void PutU16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(Bytes& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFFu);
  PutU16(out, value >> 16);
}

// Only integers below 2^24 scaled by a power of two: exact on every FPU (x87 included),
// so the bytes do not depend on the compiler's floating-point code.
void PutFixed(Bytes& out, std::int64_t value, float scale) {
  PutU32(out, std::bit_cast<std::uint32_t>(static_cast<float>(value) * scale));
}

void PutText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

void FillNoise(Rng& rng, Bytes& out, std::size_t size) {
  while (out.size() < size) {
    std::uint64_t word = rng.Next();
    for (int i = 0; i < 8 && out.size() < size; ++i, word >>= 8) out.push_back(static_cast<std::uint8_t>(word));
  }
}

// ---- Textures: 24-bit bottom-up BMP, a gradient with noise of a per-file strength.

constexpr std::uint64_t kBmpHeaderSize = 54;
constexpr std::uint64_t kBmpMinSize = kBmpHeaderSize + 4;  // one pixel and its row padding

// Never larger than target (above kBmpMinSize), so a kind's budget is not overrun.
Bytes MakeBmp(Rng& rng, std::uint64_t target) {
  std::uint64_t budget = std::clamp<std::uint64_t>(target, kBmpMinSize, 1u << 30) - kBmpHeaderSize;
  std::uint32_t width = 1;
  while (width < 4096 && std::uint64_t(width) * 2 * width * 2 * 3 <= budget) width *= 2;
  std::uint32_t stride = (width * 3 + 3) & ~3u;
  auto height = static_cast<std::uint32_t>(std::max<std::uint64_t>(1, budget / stride));
  std::uint32_t imageSize = stride * height;

  Bytes out;
  out.reserve(kBmpHeaderSize + imageSize);
  PutText(out, "BM");
  PutU32(out, static_cast<std::uint32_t>(kBmpHeaderSize) + imageSize);
  PutU32(out, 0);
  PutU32(out, static_cast<std::uint32_t>(kBmpHeaderSize));
  PutU32(out, 40);
  PutU32(out, width);
  PutU32(out, height);
  PutU16(out, 1);
  PutU16(out, 24);
  PutU32(out, 0);
  PutU32(out, imageSize);
  PutU32(out, 2835);  // 72 dpi
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);

  std::uint32_t base[3] = {rng.Below(256), rng.Below(256), rng.Below(256)};
  std::uint32_t noiseBits = 1 + rng.Below(4);
  std::uint32_t noiseMask = (1u << noiseBits) - 1;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint64_t noise = rng.Next();
      std::uint32_t blue = base[0] + x * 255 / width;
      std::uint32_t green = base[1] + y * 255 / height;
      std::uint32_t red = base[2] + (x + y) * 127 / (width + height);
      out.push_back(static_cast<std::uint8_t>(blue + (noise & noiseMask)));
      out.push_back(static_cast<std::uint8_t>(green + ((noise >> 8) & noiseMask)));
      out.push_back(static_cast<std::uint8_t>(red + ((noise >> 16) & noiseMask)));
    }
    out.resize(out.size() + (stride - width * 3), 0);
  }
  return out;
}

// ---- Text: configuration sections, panel and gauge XML, readme prose. CR LF, as the
// simulator's own files are written.

enum class TextStyle { Cfg, Xml, Readme };

const char* const kSections[] = {
    "General", "WEIGHT_AND_BALANCE", "flight_tuning", "GeneralEngineData", "electrical",
    "lights", "views", "gear", "autopilot", "radios", "brakes", "hydraulic_system",
    "contact_points", "fuel", "airplane_geometry", "Reference Speeds", "direction_indicators",
    "turbineengine_data", "stall_warning", "pitot_static"};
const char* const kKeys[] = {
    "max_gross_weight", "empty_weight", "reference_datum_position", "station_load",
    "elevator_trim_limit", "aileron_effectiveness", "rudder_effectiveness", "point", "light",
    "engine_type", "fuel_flow_scalar", "min_throttle_limit", "static_thrust", "max_battery_voltage",
    "generator_alternator_voltage", "wing_area", "wing_span", "cruise_speed", "flaps-position",
    "gear_system_type", "eyepoint", "max_number_of_stations", "toe_brakes_scale", "normal_pressure"};
const char* const kWords[] = {
    "the", "aircraft", "panel", "switch", "engine", "before", "after", "start", "check", "set",
    "fuel", "pump", "valve", "pressure", "navigation", "beacon", "channel", "course", "heading",
    "altitude", "descent", "approach", "runway", "flaps", "gear", "lever", "position", "crew",
    "captain", "navigator", "on", "off", "to", "and", "with", "when", "is", "of", "RSBN", "ARK"};
const char* const kGaugeNames[] = {"asi", "altimeter", "vsi", "rsbn", "ark", "hsi", "fuel", "apu", "clock", "egt"};
const char* const kSimVars[] = {"AIRSPEED INDICATED, knots", "INDICATED ALTITUDE, meters",
                                "VERTICAL SPEED, meters per second", "HEADING INDICATOR, degrees",
                                "GENERAL ENG RPM:1, percent", "FUEL TOTAL QUANTITY, liters"};

std::string Number(Rng& rng) {
  int whole = rng.Range(-2000, 9000);
  int fraction = rng.Range(0, 99);
  char text[24];
  std::snprintf(text, sizeof text, "%d.%02d", whole, fraction);
  return text;
}

std::string Sentence(Rng& rng) {
  std::string line;
  int words = rng.Range(4, 16);
  for (int i = 0; i < words; ++i) {
    if (i > 0) line += ' ';
    line += rng.Pick(kWords);
  }
  line[0] = static_cast<char>(line[0] >= 'a' && line[0] <= 'z' ? line[0] - 'a' + 'A' : line[0]);
  return line + ". ";
}

std::string CfgLine(Rng& rng) {
  std::uint32_t what = rng.Below(16);
  if (what == 0) return "\r\n[" + std::string(rng.Pick(kSections)) + "]\r\n";
  if (what == 1) return "// " + Sentence(rng) + "\r\n";
  std::string line = rng.Pick(kKeys);
  // Appended piece by piece: g++ 12 at -O3 warns falsely on "literal" + std::string.
  if (rng.Below(2) == 0) line.append(".").append(std::to_string(rng.Below(12)));
  line += " = ";
  int values = rng.Range(1, 5);
  for (int i = 0; i < values; ++i) line.append(i > 0 ? ", " : "").append(Number(rng));
  return line.append("\r\n");
}

std::string XmlElement(Rng& rng) {
  // One draw per statement: the operands of + are unsequenced, so draws inside one
  // expression would come in the order each compiler and optimisation level picks.
  std::string gauge = rng.Pick(kGaugeNames);
  std::string x = std::to_string(rng.Below(1024)), y = std::to_string(rng.Below(768));
  std::string needle = std::to_string(rng.Below(8));
  std::string axisX = std::to_string(rng.Below(64)), axisY = std::to_string(rng.Below(64));
  std::string maximum = std::to_string(rng.Range(100, 12000));
  std::string simVar = rng.Pick(kSimVars);
  std::string factor = Number(rng);
  return "  <Element>\r\n    <Position X=\"" + x + "\" Y=\"" + y + "\"/>\r\n    <Image Name=\"" + gauge +
         "_needle_" + needle + ".bmp\" PointsTo=\"East\">\r\n      <Axis X=\"" + axisX + "\" Y=\"" + axisY +
         "\"/>\r\n    </Image>\r\n    <Rotate>\r\n      <Value Minimum=\"0\" Maximum=\"" + maximum +
         "\">(A:" + simVar + ") " + factor + " *</Value>\r\n    </Rotate>\r\n  </Element>\r\n";
}

Bytes MakeText(Rng& rng, TextStyle style, std::uint64_t target, std::string text = {}) {
  if (text.empty() && style == TextStyle::Xml) {
    text = "<Gauge Name=\"Xq730_" + std::string(rng.Pick(kGaugeNames)) + "\" Version=\"1.0\">\r\n";
  }
  while (text.size() < target) {
    if (style == TextStyle::Cfg) text += CfgLine(rng);
    if (style == TextStyle::Xml) text += XmlElement(rng);
    if (style == TextStyle::Readme) {
      for (int i = rng.Range(2, 7); i > 0; --i) text += Sentence(rng);
      text += "\r\n\r\n";
    }
  }
  text.resize(static_cast<std::size_t>(target));
  return Bytes(text.begin(), text.end());
}

// ---- Model data: a header, float vertices (position, normal, uv) over a smooth
// surface, then a triangle list of 16- or 32-bit indices.

constexpr std::uint64_t kModelHeaderSize = 24;
constexpr std::uint64_t kVertexSize = 32;

Bytes MakeModel(Rng& rng, std::uint64_t target) {
  Bytes out;
  out.reserve(static_cast<std::size_t>(target));
  std::uint64_t body = target > kModelHeaderSize ? target - kModelHeaderSize : 0;
  std::uint64_t vertices = std::max<std::uint64_t>(1, body * 6 / 10 / kVertexSize);
  std::uint32_t indexWidth = vertices > 65536 ? 4 : 2;
  std::uint64_t indexBytes = body > vertices * kVertexSize ? body - vertices * kVertexSize : 0;
  std::uint64_t indices = indexBytes / indexWidth;
  PutText(out, "XQMD");
  PutU32(out, 3);
  PutU32(out, static_cast<std::uint32_t>(vertices));
  PutU32(out, static_cast<std::uint32_t>(indices));
  PutU32(out, indexWidth);
  PutU32(out, 0);

  std::uint64_t columns = 1;
  while ((columns + 1) * (columns + 1) <= vertices) ++columns;
  std::int64_t bulge = rng.Range(1, 5);
  for (std::uint64_t v = 0; v < vertices && out.size() < target; ++v) {
    auto i = static_cast<std::int64_t>(v % columns);
    auto j = static_cast<std::int64_t>(v / columns);
    std::uint64_t noise = rng.Next();
    PutFixed(out, i * 16 + static_cast<std::int64_t>(noise & 3), 1.0f / 1024);
    PutFixed(out, j * 16 + static_cast<std::int64_t>((noise >> 2) & 3), 1.0f / 1024);
    PutFixed(out, (i * i * bulge + j * j) % 8192 - 4096, 1.0f / 1024);
    PutFixed(out, static_cast<std::int64_t>((noise >> 8) & 2047) - 1024, 1.0f / 1024);
    PutFixed(out, static_cast<std::int64_t>((noise >> 20) & 2047) - 1024, 1.0f / 1024);
    PutFixed(out, static_cast<std::int64_t>((noise >> 32) & 2047) - 1024, 1.0f / 1024);
    PutFixed(out, i * 65536 / static_cast<std::int64_t>(columns), 1.0f / 65536);
    PutFixed(out, j * 65536 / static_cast<std::int64_t>(columns), 1.0f / 65536);
  }
  static constexpr std::uint64_t kCorner[6] = {0, 1, 2, 1, 3, 2};  // two triangles per quad
  for (std::uint64_t n = 0; n < indices && out.size() + indexWidth <= target; ++n) {
    std::uint64_t quad = n / 6;
    std::uint64_t corner = kCorner[n % 6];
    std::uint64_t index = (quad + (corner & 1) + (corner >> 1) * columns) % vertices;
    if (indexWidth == 2) PutU16(out, static_cast<std::uint32_t>(index));
    else PutU32(out, static_cast<std::uint32_t>(index));
  }
  out.resize(static_cast<std::size_t>(target), 0);  // small files keep a cut header
  return out;
}

// ---- Noise-like data: already compressed in the real add-on (sounds, DDS textures).

enum class NoiseStyle { Wav, Dds };

Bytes MakeNoise(Rng& rng, NoiseStyle style, std::uint64_t target) {
  Bytes out;
  out.reserve(static_cast<std::size_t>(target));
  if (style == NoiseStyle::Wav && target >= 46) {
    auto data = static_cast<std::uint32_t>(target - 44);
    PutText(out, "RIFF");
    PutU32(out, data + 36);
    PutText(out, "WAVEfmt ");
    PutU32(out, 16);
    PutU16(out, 1);  // PCM
    PutU16(out, 1);
    PutU32(out, 22050);
    PutU32(out, 44100);
    PutU16(out, 2);
    PutU16(out, 16);
    PutText(out, "data");
    PutU32(out, data);
  } else if (style == NoiseStyle::Dds && target >= 128) {
    PutText(out, "DDS ");
    PutU32(out, 124);
    PutU32(out, 0x000A1007);  // caps, height, width, pixel format, linear size
    PutU32(out, 256);
    PutU32(out, 256);
    PutU32(out, static_cast<std::uint32_t>(target - 128));
    out.resize(76, 0);
    PutU32(out, 32);
    PutU32(out, 4);  // FOURCC
    PutText(out, "DXT5");
    out.resize(128, 0);
  }
  FillNoise(rng, out, static_cast<std::size_t>(target));
  return out;
}

// ---- Layout.

enum Kind { kTexture, kText, kModel, kNoise, kKindCount };
constexpr std::uint64_t kSharePercent[kKindCount] = {40, 25, 20, 15};
constexpr std::uint64_t kMinSize[kKindCount] = {kBmpMinSize, 4, 8, 16};

// At most kMaxSmall + kMaxLarge files per kind whatever the total, so that the file list
// (paths under 90 characters) stays far below the installer's 48000 bytes.
constexpr std::uint64_t kMaxSmall = 50;
constexpr std::uint64_t kMaxLarge = 40;

struct Slot {
  const char* folder;
  const char* prefix;
  const char* ext;
  int style;  // TextStyle or NoiseStyle where the kind has several
  std::vector<const char*> stems;
};

const std::string kAir = "SimObjects/Airplanes/Xarnov_730K5_QZ_x64/";
const std::string kGauges = "gauges/Xq_730K5_QZ/";

const std::vector<const char*> kFxStems = {"smoke", "spark", "flare", "glow", "exhaust", "contrail", "dust", "vapour"};
const std::vector<const char*> kSkinStems = {"fuselage", "wing_l", "wing_r", "stab", "fin",
                                             "gear", "engine", "cockpit", "cabin", "glass"};
const std::vector<const char*> kPanelStems = {"main", "overhead", "pedestal", "left", "right", "eng"};
const std::vector<const char*> kDialStems = {"needle", "dial_asi", "dial_alt", "dial_vsi",
                                             "rsbn_scale", "knob", "switch", "lamp"};

const std::vector<Slot>& Slots(Kind kind) {
  static const std::vector<Slot> kSlots[kKindCount] = {
      {
          {"Effects/texture/", "fx_xq_k5_", ".bmp", 0, kFxStems},
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/texture/", "xq730_", ".bmp", 0, kSkinStems},
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/texture.QZ_Polar/", "xq730_", ".bmp", 0, kSkinStems},
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/panel/bitmaps/", "xq730_panel_", ".bmp", 0, kPanelStems},
          {"gauges/Xq_730K5_QZ/bitmaps/", "", ".bmp", 0, kDialStems},
          {"gauges/Xq_730K5_QZ/bitmaps/night/", "", ".bmp", 0, kDialStems},
      },
      {
          {"Effects/", "fx_xq_k5_", ".fx", int(TextStyle::Cfg), kFxStems},
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/panel/", "xq730_", ".xml", int(TextStyle::Xml), kPanelStems},
          {"gauges/Xq_730K5_QZ/", "", ".xml", int(TextStyle::Xml),
           {"asi", "altimeter", "vsi", "rsbn", "ark", "hsi", "fuel", "apu", "pressure"}},
          {"gauges/Xq_730K5_QZ/nav/", "beacons_", ".cfg", int(TextStyle::Cfg), {"west", "east", "north", "south"}},
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/docs/", "xq730_", ".txt", int(TextStyle::Readme),
           {"readme", "checklist", "history", "changelog", "limits"}},
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/sound/", "sound_", ".cfg", int(TextStyle::Cfg),
           {"engines", "cockpit", "ambient"}},
      },
      {
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/model/", "xq730_k5_", ".mdl", 0,
           {"exterior", "lod1", "lod2", "gear", "flaps", "props"}},
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/model.interior/", "xq730_vc_", ".mdl", 0,
           {"cockpit", "cabin", "panel"}},
          {"gauges/Xq_730K5_QZ/data/", "mesh_", ".bin", 0, {"rsbn", "ark", "hsi"}},
      },
      {
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/sound/", "xq730_", ".wav", int(NoiseStyle::Wav),
           {"engine_start", "engine_idle", "engine_full", "apu", "gear_up", "gear_down", "wind", "rain"}},
          {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/texture/", "xq730_spec_", ".dds", int(NoiseStyle::Dds),
           kSkinStems},
          {"gauges/Xq_730K5_QZ/sound/", "", ".wav", int(NoiseStyle::Wav), {"click", "warning", "marker", "gpws"}},
      },
  };
  return kSlots[kind];
}

enum class Listing { Listed, User, Index };

class Writer {
 public:
  Writer(const fs::path& dir, SampleAddon& result) : dir_(dir), result_(result) {}

  bool Write(const std::string& relative, const Bytes& bytes, Listing listing = Listing::Listed) {
    if (!result_.ok()) return false;
    fs::path target = dir_ / fs::path(relative);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    std::ofstream file(target, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      result_.error = "cannot write " + target.string();
      return false;
    }
    if (listing == Listing::Listed) {
      result_.listed.push_back(relative);
      result_.listedBytes += bytes.size();
    }
    if (listing == Listing::User) result_.unlisted.push_back(relative);
    result_.totalBytes += bytes.size();
    return true;
  }

 private:
  fs::path dir_;
  SampleAddon& result_;
};

Bytes MakeOfKind(Rng& rng, Kind kind, int style, std::uint64_t target) {
  switch (kind) {
    case kTexture: return MakeBmp(rng, target);
    case kText: return MakeText(rng, static_cast<TextStyle>(style), target);
    case kModel: return MakeModel(rng, target);
    default: return MakeNoise(rng, static_cast<NoiseStyle>(style), target);
  }
}

// Fills one kind's budget: up to kMaxSmall files of a few bytes to 32 KiB, then the rest
// cut into up to kMaxLarge pieces of widely different sizes.
void WriteKind(Rng& rng, Writer& writer, Kind kind, std::uint64_t budget) {
  const std::vector<Slot>& slots = Slots(kind);
  int counter = 0;
  auto writeOne = [&](std::uint64_t target) {
    const Slot& slot = slots[rng.Below(static_cast<std::uint32_t>(slots.size()))];
    char number[8];
    std::snprintf(number, sizeof number, "_%03d", counter++);
    std::string path = std::string(slot.folder) + slot.prefix +
                       slot.stems[rng.Below(static_cast<std::uint32_t>(slot.stems.size()))] + number + slot.ext;
    Bytes bytes = MakeOfKind(rng, kind, slot.style, target);
    budget -= std::min<std::uint64_t>(budget, bytes.size());
    writer.Write(path, bytes);
  };

  std::uint64_t small = std::clamp<std::uint64_t>(budget / 65536, 1, kMaxSmall);
  for (std::uint64_t n = 0; n < small; ++n) {
    // Log-uniform: as many files of 4..8 bytes as of 16..32 KiB.
    auto lowBits = static_cast<std::uint32_t>(std::bit_width(kMinSize[kind]) - 1);
    std::uint32_t bits = lowBits + rng.Below(15 - lowBits);
    std::uint64_t size = (std::uint64_t(1) << bits) + rng.Below(1u << bits);
    size = std::min(std::max(size, kMinSize[kind]), budget / 2);
    if (size < kMinSize[kind]) break;
    writeOne(size);
  }

  if (budget < kMinSize[kind]) return;
  std::size_t large = static_cast<std::size_t>(std::clamp<std::uint64_t>(budget / (1 << 20), 1, kMaxLarge));
  std::vector<std::uint64_t> weights(large);
  std::uint64_t weightSum = 0;
  for (auto& weight : weights) {
    std::uint32_t shift = rng.Below(6);  // drawn first: see XmlElement
    weight = (std::uint64_t(1) << shift) * (4 + rng.Below(4));
    weightSum += weight;
  }
  const std::uint64_t pieceBudget = budget;
  for (std::size_t n = 0; n < large && budget >= kMinSize[kind]; ++n) {
    writeOne(n + 1 == large ? budget : std::max(pieceBudget * weights[n] / weightSum, kMinSize[kind]));
  }
}

std::string AircraftCfg() {
  return "[version]\r\nmajor=1\r\nminor=0\r\n\r\n"
         "[fltsim.0]\r\ntitle=Xq-730K5 QZ\r\nsim=Xq730K5\r\nmodel=\r\npanel=\r\nsound=\r\ntexture=\r\n"
         "atc_type=XARNOV\r\natc_model=XQ73\r\nui_manufacturer=Xarnov\r\nui_type=Xq-730K5 QZ\r\n\r\n"
         "[fltsim.1]\r\ntitle=Xq-730K5 QZ Polar\r\nsim=Xq730K5\r\nmodel=\r\npanel=\r\nsound=\r\n"
         "texture=QZ_Polar\r\n";
}

}  // namespace

SampleAddon GenerateSampleAddon(const fs::path& dir, std::uint64_t totalBytes, std::uint32_t seed) {
  SampleAddon result;
  std::error_code error;
  if (fs::exists(dir, error) && (!fs::is_directory(dir, error) || !fs::is_empty(dir, error))) {
    result.error = dir.string() + " exists and is not an empty folder";
    return result;
  }
  fs::create_directories(dir, error);
  if (error) {
    result.error = "cannot create " + dir.string() + ": " + error.message();
    return result;
  }

  Rng rng(std::uint64_t{0x51A0730B} << 32 | seed);
  Writer writer(dir, result);
  std::uint64_t fixed[kKindCount] = {};
  auto writeFixed = [&](Kind kind, const std::string& path, const Bytes& bytes,
                        Listing listing = Listing::Listed) {
    fixed[kind] += bytes.size();
    writer.Write(path, bytes, listing);
  };

  writeFixed(kTexture, kSampleRequiredFiles[0], MakeBmp(rng, 64 * 64 * 3 + kBmpHeaderSize));
  writeFixed(kText, kSampleRequiredFiles[1], MakeText(rng, TextStyle::Cfg, 6000, AircraftCfg()));
  writeFixed(kText, kSampleRequiredFiles[2], MakeText(rng, TextStyle::Cfg, 3000, "[RSBN]\r\n"));
  writeFixed(kText, kAir + "panel/panel.cfg", MakeText(rng, TextStyle::Cfg, 1500, "[Window Titles]\r\n"));
  const std::string userFiles[] = {kAir + "panel/Xq730_user.ini", kGauges + "user_settings.cfg"};
  std::string index;
  for (const std::string& path : userFiles) {
    writeFixed(kText, path, MakeText(rng, TextStyle::Cfg, 400, "[User]\r\n"), Listing::User);
    index += path + "\n";
  }
  writeFixed(kText, kUnlistedIndexName, Bytes(index.begin(), index.end()), Listing::Index);

  for (int kind = 0; kind < kKindCount; ++kind) {
    std::uint64_t share = totalBytes / 100 * kSharePercent[kind] + totalBytes % 100 * kSharePercent[kind] / 100;
    if (share > fixed[kind]) WriteKind(rng, writer, static_cast<Kind>(kind), share - fixed[kind]);
  }
  OrderFileList(result.listed);
  return result;
}
