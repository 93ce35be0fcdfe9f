#include "FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "platform/base/GbkText.h"

namespace platform {

extern const char kProjectFontsConf[];

namespace {

constexpr int kDefaultPixelSize = 16;  // height 0: 12 pt at 96 dpi
constexpr int kMaxPixelSize = 2048;
constexpr int kMaxCachedPixelSize = 256;  // larger glyphs are drawn afresh each time
constexpr size_t kFontCacheTrim = 64;

// round(value * num / den) for value >= 0, den > 0.
int ScaleRound(int64_t value, int64_t num, int64_t den) {
  return int((value * num + den / 2) / den);
}

// The process's fontconfig configuration and FreeType library, and the faces opened so far.
// Everything that touches them holds Mutex. Made on first use and kept for the process's
// life, so realized fonts never outlive it.
class TEngine {
 public:
  static TEngine& Instance() {
    static TEngine* engine = new TEngine();
    return *engine;
  }

  std::mutex Mutex;

  // The configuration, loaded on first need; throws EFontError when that fails.
  FcConfig* Config() {
    if (config_) return config_;
    FcConfig* config = FcConfigCreate();
    if (!config) throw EFontError("Cannot create the font configuration");
    const char* file = std::getenv(kFontsConfVariable);
    const bool loaded =
        file && *file
            ? FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file), FcTrue)
            : FcConfigParseAndLoadFromMemory(
                  config, reinterpret_cast<const FcChar8*>(kProjectFontsConf), FcTrue);
    if (!loaded || !FcConfigBuildFonts(config)) {
      FcConfigDestroy(config);
      throw EFontError("Cannot load the font configuration");
    }
    config_ = config;
    return config_;
  }

  FT_Library Library() {
    if (!library_ && FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      throw EFontError("Cannot start the font renderer");
    }
    return library_;
  }

  // An open face, or null when the file cannot be read as a font.
  FT_Face Face(const std::string& file, int index) {
    auto key = std::make_pair(file, index);
    auto it = faces_.find(key);
    if (it != faces_.end()) return it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(Library(), file.c_str(), index, &face) != 0) face = nullptr;
    faces_.emplace(key, face);
    return face;
  }

 private:
  TEngine() = default;
  FcConfig* config_ = nullptr;
  FT_Library library_ = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> faces_;
};

// One face of a font's fallback list, at the font's size.
struct TFaceEntry {
  FT_Face Face = nullptr;
  FT_Size Size = nullptr;
  FcCharSet* Charset = nullptr;
  bool FakeBold = false;
  bool FakeItalic = false;
};

struct TFoundFace {
  std::string File;
  int Index = 0;
  std::string Family;
  FcCharSet* Charset = nullptr;  // a reference of our own
  int Weight = FC_WEIGHT_REGULAR;
  int Slant = FC_SLANT_ROMAN;
};

// The faces for a description, best first, as fontconfig sorts them for its name, weight and
// slant with Chinese as the language. Caller holds the engine lock.
std::vector<TFoundFace> FindFaces(TEngine& engine, const TFontDescription& font) {
  FcConfig* config = engine.Config();
  FcPattern* pattern = FcPatternCreate();
  std::string family = GbkToUtf8(font.Name);
  if (!family.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  const bool bold = font.Style & FontStyleBit(fsBold);
  const bool italic = font.Style & FontStyleBit(fsItalic);
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  if (font.Pitch == fpFixed) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(config, pattern, FcTrue, nullptr, &result);
  FcPatternDestroy(pattern);
  std::vector<TFoundFace> found;
  if (!set) return found;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* p = set->fonts[i];
    FcChar8* file = nullptr;
    FcCharSet* charset = nullptr;
    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch ||
        FcPatternGetCharSet(p, FC_CHARSET, 0, &charset) != FcResultMatch)
      continue;
    TFoundFace f;
    f.File = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(p, FC_INDEX, 0, &f.Index);
    FcPatternGetInteger(p, FC_WEIGHT, 0, &f.Weight);
    FcPatternGetInteger(p, FC_SLANT, 0, &f.Slant);
    FcChar8* name = nullptr;
    if (FcPatternGetString(p, FC_FAMILY, 0, &name) == FcResultMatch)
      f.Family = reinterpret_cast<const char*>(name);
    f.Charset = FcCharSetCopy(charset);
    found.push_back(std::move(f));
  }
  FcFontSetDestroy(set);
  return found;
}

void ReleaseCharsets(std::vector<TFoundFace>& faces) {
  for (TFoundFace& f : faces) FcCharSetDestroy(f.Charset);
  faces.clear();
}

// Pixel size of a description on its main face: a negative height is the em itself, a positive
// one the cell (ascent + descent) that the em must fill out.
int PixelSizeFor(int32_t height, FT_Face face) {
  int64_t size;
  if (height < 0) {
    size = -int64_t(height);
  } else if (height == 0) {
    size = kDefaultPixelSize;
  } else {
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    int64_t cell = os2 ? int64_t(os2->usWinAscent) + os2->usWinDescent : 0;
    if (cell <= 0) cell = int64_t(face->ascender) - face->descender;
    size = (FT_IS_SCALABLE(face) && cell > 0) ? ScaleRound(height, face->units_per_EM, cell)
                                               : height;
  }
  return int(std::clamp<int64_t>(size, 1, kMaxPixelSize));
}

// Gives the face a size object of that pixel size; a face with bitmaps only takes its nearest
// strike.
FT_Size MakeSize(FT_Face face, int pixelSize) {
  FT_Size size = nullptr;
  if (FT_New_Size(face, &size) != 0) return nullptr;
  FT_Activate_Size(size);
  if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize)) != 0) {
    int best = -1;
    for (int i = 0; i < face->num_fixed_sizes; ++i)
      if (best < 0 || std::abs(face->available_sizes[i].height - pixelSize) <
                          std::abs(face->available_sizes[best].height - pixelSize))
        best = i;
    if (best < 0 || FT_Select_Size(face, best) != 0) {
      FT_Done_Size(size);
      return nullptr;
    }
  }
  return size;
}

// Metrics at a pixel size; a positive cell height, when asked for, is kept exactly and shared
// between ascent and descent in the face's proportion.
TFontMetrics MetricsOf(FT_Face face, int pixelSize, int32_t cellHeight) {
  TFontMetrics m;
  m.PixelSize = pixelSize;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const int64_t em = face->units_per_EM;
  const int64_t winCell = os2 ? int64_t(os2->usWinAscent) + os2->usWinDescent : 0;
  if (FT_IS_SCALABLE(face) && em > 0 && winCell > 0 && cellHeight > 0 &&
      cellHeight <= kMaxPixelSize) {
    m.Ascent = ScaleRound(os2->usWinAscent, cellHeight, winCell);
    m.Descent = cellHeight - m.Ascent;
  } else if (FT_IS_SCALABLE(face) && em > 0 && winCell > 0) {
    m.Ascent = ScaleRound(os2->usWinAscent, pixelSize, em);
    m.Descent = ScaleRound(os2->usWinDescent, pixelSize, em);
  } else if (FT_IS_SCALABLE(face) && em > 0) {
    m.Ascent = ScaleRound(std::max<int64_t>(face->ascender, 0), pixelSize, em);
    m.Descent = ScaleRound(std::max<int64_t>(-int64_t(face->descender), 0), pixelSize, em);
  } else {
    m.Ascent = int(face->size->metrics.ascender >> 6);
    m.Descent = int(-face->size->metrics.descender >> 6);
  }
  m.Height = m.Ascent + m.Descent;
  // Underline below the baseline, strike-out at about a third of the ascent, both kept in
  // the cell.
  if (FT_IS_SCALABLE(face) && em > 0) {
    m.UnderlineThickness = std::max(1, ScaleRound(std::max<int>(face->underline_thickness, 0),
                                                  pixelSize, em));
    m.UnderlineOffset = std::max(1, ScaleRound(std::max<int>(-face->underline_position, 0),
                                               pixelSize, em) - m.UnderlineThickness / 2);
    if (os2 && os2->yStrikeoutSize > 0 && os2->yStrikeoutPosition > 0) {
      m.StrikeOutThickness = std::max(1, ScaleRound(os2->yStrikeoutSize, pixelSize, em));
      m.StrikeOutOffset = -ScaleRound(os2->yStrikeoutPosition, pixelSize, em);
    } else {
      m.StrikeOutThickness = m.UnderlineThickness;
      m.StrikeOutOffset = -std::max(1, m.Ascent / 3);
    }
  } else {
    m.UnderlineOffset = 1;
    m.StrikeOutOffset = -std::max(1, m.Ascent / 3);
  }
  m.UnderlineOffset = std::min(m.UnderlineOffset, std::max(0, m.Descent - m.UnderlineThickness));
  return m;
}

// The glyph in the current slot as ink, with bold and italic made up when asked.
TGlyphImage ReadSlot(FT_GlyphSlot slot, bool fakeBold, bool fakeItalic) {
  TGlyphImage g;
  const FT_Bitmap& bm = slot->bitmap;
  g.Left = slot->bitmap_left;
  g.Top = slot->bitmap_top;
  g.Width = int(bm.width);
  g.Height = int(bm.rows);
  g.Advance = int((slot->advance.x + 32) >> 6);
  g.Ink.assign(size_t(g.Width) * size_t(g.Height), 0);
  for (int y = 0; y < g.Height; ++y) {
    const uint8_t* row = bm.buffer + (bm.pitch >= 0 ? y : y - g.Height + 1) * bm.pitch;
    for (int x = 0; x < g.Width; ++x) {
      bool ink = false;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
        ink = (row[x >> 3] >> (7 - (x & 7))) & 1;
      else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
        ink = row[x] >= 128;
      else if (bm.pixel_mode == FT_PIXEL_MODE_BGRA)
        ink = row[4 * x + 3] >= 128;
      g.Ink[size_t(y) * size_t(g.Width) + size_t(x)] = ink;
    }
  }
  if (fakeBold && g.Width > 0) {
    // Each stroke one pixel wider to the right, except where that would close the one-pixel gap
    // to the next stroke: small, dense characters keep their strokes apart.
    std::vector<uint8_t> ink(size_t(g.Width + 1) * size_t(g.Height), 0);
    const auto at = [&](int x, int y) { return x >= 0 && x < g.Width && g.Ink[size_t(y) * size_t(g.Width) + size_t(x)]; };
    for (int y = 0; y < g.Height; ++y)
      for (int x = 0; x <= g.Width; ++x)
        ink[size_t(y) * size_t(g.Width + 1) + size_t(x)] = at(x, y) || (at(x - 1, y) && !at(x + 1, y));
    g.Ink = std::move(ink);
    ++g.Width;
  }
  if (fakeBold) ++g.Advance;
  if (fakeItalic && g.Width > 0 && g.Height > 0) {
    // Row y lies (Top - 1 - y) pixels above the baseline and moves right by a quarter of that.
    auto shift = [&](int y) {
      int above = g.Top - 1 - y;
      return above >= 0 ? above / 4 : -((-above + 3) / 4);
    };
    const int lo = std::min(shift(0), shift(g.Height - 1));
    const int hi = std::max(shift(0), shift(g.Height - 1));
    const int width = g.Width + hi - lo;
    std::vector<uint8_t> ink(size_t(width) * size_t(g.Height), 0);
    for (int y = 0; y < g.Height; ++y) {
      int dx = shift(y) - lo;
      for (int x = 0; x < g.Width; ++x)
        ink[size_t(y) * size_t(width) + size_t(x + dx)] =
            g.Ink[size_t(y) * size_t(g.Width) + size_t(x)];
    }
    g.Ink = std::move(ink);
    g.Width = width;
    g.Left += lo;
  }
  return g;
}

struct TFontKey {
  std::string Name;
  int32_t Height;
  bool Bold, Italic;
  TFontPitch Pitch;
  bool operator<(const TFontKey& o) const {
    return std::tie(Name, Height, Bold, Italic, Pitch) <
           std::tie(o.Name, o.Height, o.Bold, o.Italic, o.Pitch);
  }
};

class TFreeTypeFont : public TRealizedFont {
 public:
  TFreeTypeFont(TEngine& engine, const TFontDescription& font) : engine_(engine) {
    std::vector<TFoundFace> found = FindFaces(engine, font);
    const bool bold = font.Style & FontStyleBit(fsBold);
    const bool italic = font.Style & FontStyleBit(fsItalic);
    int pixelSize = 0;
    for (TFoundFace& f : found) {
      FT_Face face = engine.Face(f.File, f.Index);
      if (!face) continue;
      if (entries_.empty()) {
        pixelSize = PixelSizeFor(font.Height, face);
        main_ = {f.File, f.Index, f.Family};
      }
      FT_Size size = MakeSize(face, pixelSize);
      if (!size) continue;
      TFaceEntry e;
      e.Face = face;
      e.Size = size;
      e.Charset = FcCharSetCopy(f.Charset);
      e.FakeBold = bold && f.Weight < FC_WEIGHT_DEMIBOLD;
      e.FakeItalic = italic && f.Slant == FC_SLANT_ROMAN;
      if (entries_.empty()) metrics_ = MetricsOf(face, pixelSize, font.Height);
      entries_.push_back(e);
    }
    ReleaseCharsets(found);
    if (entries_.empty()) throw EFontError("No fonts are installed");
    cacheGlyphs_ = pixelSize <= kMaxCachedPixelSize;
  }

  ~TFreeTypeFont() override {
    std::lock_guard lock(engine_.Mutex);
    for (TFaceEntry& e : entries_) {
      FT_Done_Size(e.Size);
      FcCharSetDestroy(e.Charset);
    }
  }

  const TFontMetrics& Metrics() const override { return metrics_; }
  const TFaceLocation& Main() const { return main_; }

  std::shared_ptr<const TGlyphImage> Glyph(char32_t code) override {
    std::lock_guard lock(engine_.Mutex);
    auto it = glyphs_.find(code);
    if (it != glyphs_.end()) return it->second;
    auto glyph = std::make_shared<const TGlyphImage>(Render(code));
    if (cacheGlyphs_) glyphs_.emplace(code, glyph);
    return glyph;
  }

  // Large glyphs are not kept, so their advances are: measuring a text at any size loads each
  // of its characters once, without drawing it.
  int Advance(char32_t code) override {
    if (code < 0x20) return 0;
    if (cacheGlyphs_) return Glyph(code)->Advance;
    std::lock_guard lock(engine_.Mutex);
    auto it = advances_.find(code);
    if (it != advances_.end()) return it->second;
    const auto [entry, index] = FaceFor(code);
    int advance = 0;
    if (Load(*entry, index, 0)) advance = int((entry->Face->glyph->advance.x + 32) >> 6) + (entry->FakeBold ? 1 : 0);
    advances_.emplace(code, advance);
    return advance;
  }

 private:
  // The face that has the character (the main face's missing glyph when none has), and its
  // glyph index there.
  std::pair<const TFaceEntry*, FT_UInt> FaceFor(char32_t code) const {
    for (const TFaceEntry& e : entries_) {
      if (!FcCharSetHasChar(e.Charset, code)) continue;
      if (FT_UInt i = FT_Get_Char_Index(e.Face, code); i != 0) return {&e, i};
    }
    return {&entries_.front(), 0};
  }

  // Loads a glyph into its face's slot as drawing needs it (hinted for monochrome, else
  // unhinted), rendered when `render` holds FT_LOAD_RENDER.
  static bool Load(const TFaceEntry& entry, FT_UInt index, FT_Int32 render) {
    FT_Activate_Size(entry.Size);
    const FT_Int32 flags = render | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME;
    return FT_Load_Glyph(entry.Face, index, flags) == 0 ||
           FT_Load_Glyph(entry.Face, index, flags | FT_LOAD_NO_HINTING) == 0;
  }

  TGlyphImage Render(char32_t code) {
    if (code < 0x20) return {};
    const auto [entry, index] = FaceFor(code);
    if (!Load(*entry, index, FT_LOAD_RENDER)) return {};
    return ReadSlot(entry->Face->glyph, entry->FakeBold, entry->FakeItalic);
  }

  TEngine& engine_;
  std::vector<TFaceEntry> entries_;
  TFontMetrics metrics_;
  TFaceLocation main_;
  bool cacheGlyphs_ = true;
  std::unordered_map<char32_t, std::shared_ptr<const TGlyphImage>> glyphs_;
  std::unordered_map<char32_t, int> advances_;  // of the glyphs not kept
};

std::shared_ptr<TFreeTypeFont> Realize(const TFontDescription& font) {
  static std::map<TFontKey, std::shared_ptr<TFreeTypeFont>> cache;
  TEngine& engine = TEngine::Instance();
  TFontKey key{font.Name, font.Height, bool(font.Style & FontStyleBit(fsBold)),
               bool(font.Style & FontStyleBit(fsItalic)), font.Pitch};
  // Fonts dropped from the cache are freed after the lock is released: freeing takes it.
  std::vector<std::shared_ptr<TFreeTypeFont>> dropped;
  std::lock_guard lock(engine.Mutex);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  // Fonts nobody holds any more go when the cache grows.
  if (cache.size() >= kFontCacheTrim) {
    for (auto i = cache.begin(); i != cache.end();) {
      if (i->second.use_count() == 1) {
        dropped.push_back(std::move(i->second));
        i = cache.erase(i);
      } else {
        ++i;
      }
    }
  }
  auto made = std::make_shared<TFreeTypeFont>(engine, font);
  cache.emplace(key, made);
  return made;
}

}  // namespace

std::shared_ptr<TRealizedFont> RealizeFont(const TFontDescription& font) { return Realize(font); }

TFaceLocation MainFace(const TFontDescription& font) { return Realize(font)->Main(); }

std::vector<TFontFamilyInfo> ListFontFamilies() {
  TEngine& engine = TEngine::Instance();
  std::lock_guard lock(engine.Mutex);
  FcConfig* config = engine.Config();
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects =
      FcObjectSetBuild(FC_FAMILY, FC_OUTLINE, FC_SPACING, FC_PIXEL_SIZE, FC_FILE, FC_INDEX, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  std::vector<TFontFamilyInfo> out;
  std::map<std::string, size_t> byName;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcPattern* p = set->fonts[i];
    FcChar8* family = nullptr;
    if (FcPatternGetString(p, FC_FAMILY, 0, &family) != FcResultMatch || !family) continue;
    const std::string name = Utf8ToGbk(reinterpret_cast<const char*>(family));
    auto [it, fresh] = byName.try_emplace(name, out.size());
    if (fresh) {
      out.push_back({});
      out.back().Name = name;
      out.back().Outline = false;
    }
    TFontFamilyInfo& info = out[it->second];
    FcBool outline = FcTrue;
    FcPatternGetBool(p, FC_OUTLINE, 0, &outline);
    int spacing = FC_PROPORTIONAL;
    if (FcPatternGetInteger(p, FC_SPACING, 0, &spacing) == FcResultMatch && spacing >= FC_MONO) info.FixedPitch = true;
    if (outline) {
      info.Outline = true;
    } else {
      double pixels = 0;
      for (int k = 0; FcPatternGetDouble(p, FC_PIXEL_SIZE, k, &pixels) == FcResultMatch; ++k)
        info.BitmapSizes.push_back(int(pixels + 0.5));
    }
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(p, FC_FILE, 0, &file) == FcResultMatch && file) {
      FcPatternGetInteger(p, FC_INDEX, 0, &index);
      if (FT_Face face = engine.Face(reinterpret_cast<const char*>(file), index))
        for (int m = 0; m < face->num_charmaps; ++m)
          if (face->charmaps[m]->encoding == FT_ENCODING_MS_SYMBOL) info.Symbol = true;
    }
  }
  if (set) FcFontSetDestroy(set);
  for (TFontFamilyInfo& info : out) {
    std::sort(info.BitmapSizes.begin(), info.BitmapSizes.end());
    info.BitmapSizes.erase(std::unique(info.BitmapSizes.begin(), info.BitmapSizes.end()), info.BitmapSizes.end());
  }
  for (const char* alias : {"\xCB\xCE\xCC\xE5", "\xD0\xC2\xCB\xCE\xCC\xE5", "SimSun", "NSimSun",
                            "\xBA\xDA\xCC\xE5", "SimHei"}) {  // 宋体, 新宋体, ..., 黑体
    if (byName.count(alias)) continue;
    TFontFamilyInfo info;
    info.Name = alias;
    out.push_back(info);
    byName.emplace(alias, out.size() - 1);
  }
  return out;
}

}  // namespace platform
