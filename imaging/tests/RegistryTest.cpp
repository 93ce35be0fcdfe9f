#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "imaging/RasterFormats.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/JpegImage.h"
#include "platform/gfx/Metafile.h"

using namespace imaging;
using platform::EInvalidGraphic;
using platform::TGraphicClass;
using platform::TPicture;
using gfxtest::TempDir;
using imagingtest::ErrorText;

namespace {

// The format table as the registry must hold it after RegisterRasterFormats.
struct TRow {
  const char* Extension;
  TGraphicClass Class;
  const char* Individual;
  TFormatKinds Kinds;
};

std::vector<TRow> ExpectedRows() {
  const TGraphicClass bmp = platform::TBitmapGraphic::Class(), wmf = platform::TMetafile::Class(),
                      jpg = platform::TJPEGImage::Class();
  return {
      {"bmp", bmp, "", 8},
      {"wmf", wmf, "", 16},
      {"emf", wmf, "Windows enhanced meta files", 16},
      {"jpg", jpg, "", 8},
      {"jpeg", jpg, "JPEG images", 8},
      {"rle", bmp, "Run length encoded Windows bitmaps", 8},
      {"dib", bmp, "Device independant Windows bitmaps", 8},
      {"win", TTargaGraphic::Class(), "", 8},
      {"vst", TTargaGraphic::Class(), "", 8},
      {"vda", TTargaGraphic::Class(), "", 8},
      {"tga", TTargaGraphic::Class(), "", 8},
      {"icb", TTargaGraphic::Class(), "", 8},
      {"tiff", TTIFFGraphic::Class(), "Macintosh TIFF images", 12},
      {"tif", TTIFFGraphic::Class(), "PC TIF images", 12},
      {"fax", TTIFFGraphic::Class(), "GFI fax images", 12},
      {"pcx", TPCXGraphic::Class(), "", 8},
      {"pcc", TPCXGraphic::Class(), "", 8},
      {"scr", TPCXGraphic::Class(), "Word 5.x screen capture images", 8},
      {"rpf", TRLAGraphic::Class(), "", 8},
      {"rla", TRLAGraphic::Class(), "", 8},
      {"sgi", TSGIGraphic::Class(), "SGI true color images", 8},
      {"rgba", TSGIGraphic::Class(), "SGI true color images with alpha", 8},
      {"rgb", TSGIGraphic::Class(), "SGI true color images", 8},
      {"bw", TSGIGraphic::Class(), "SGI black/white images", 8},
      {"psd", TPSDGraphic::Class(), "", 10},
      {"pdd", TPSDGraphic::Class(), "", 10},
      {"ppm", TPPMGraphic::Class(), "Portable pixel map images", 8},
      {"pgm", TPPMGraphic::Class(), "Portable gray map images", 8},
      {"pbm", TPPMGraphic::Class(), "Portable bitmap images", 8},
      {"cel", TAutodeskGraphic::Class(), "", 8},
      {"pic", TAutodeskGraphic::Class(), "", 8},
      {"pcd", TPCDGraphic::Class(), "", 8},
      {"cut", TCUTGraphic::Class(), "", 8},
      {"psp", TPSPGraphic::Class(), "", 24},
      {"png", TPNGGraphic::Class(), "", 8},
  };
}

struct TClassRow {
  TGraphicClass Class;
  const char* Description;
  int Count;
};

std::vector<TClassRow> ExpectedClasses() {
  return {
      {platform::TBitmapGraphic::Class(), "Windows bitmaps", 3},
      {platform::TMetafile::Class(), "Windows metafiles", 2},
      {platform::TJPEGImage::Class(), "JPG images", 2},
      {TTargaGraphic::Class(), "Truevision images", 5},
      {TTIFFGraphic::Class(), "Tagged image file format images", 3},
      {TPCXGraphic::Class(), "ZSoft Paintbrush images", 3},
      {TRLAGraphic::Class(), "Alias/Wavefront images", 2},
      {TSGIGraphic::Class(), "SGI images", 4},
      {TPSDGraphic::Class(), "Photoshop images", 2},
      {TPPMGraphic::Class(), "Portable map images", 3},
      {TAutodeskGraphic::Class(), "Autodesk images", 2},
      {TPCDGraphic::Class(), "Kodak Photo-CD images", 1},
      {TCUTGraphic::Class(), "Dr. Halo images", 1},
      {TPSPGraphic::Class(), "Paintshop Pro images", 1},
      {TPNGGraphic::Class(), "Portable network graphic images", 1},
  };
}

// The framework registry's description of an extension; empty when unknown.
std::string FrameworkDescription(std::string_view extension) {
  for (const platform::TPictureFormat& f : TPicture::FileFormats())
    if (platform::GbkSameText(f.Extension, extension)) return f.Description;
  return {};
}

std::vector<std::string> Snapshot(const TFileFormatList& list) {
  std::vector<std::string> out;
  for (size_t i = 0; i < list.ClassCount(); ++i)
    out.push_back(std::string(list.ClassAt(i).GraphicClass->Name) + ":" +
                  list.ClassAt(i).Description + ":" + std::to_string(list.ClassAt(i).Count));
  for (size_t i = 0; i < list.ExtensionCount(); ++i) {
    const TExtensionEntry& e = list.ExtensionAt(i);
    out.push_back(e.Extension + ":" + e.Description + ":" + std::to_string(e.FormatKinds) + ":" +
                  e.ClassEntry->GraphicClass->Name);
  }
  return out;
}

std::vector<std::string> FrameworkSnapshot() {
  std::vector<std::string> out;
  for (const platform::TPictureFormat& f : TPicture::FileFormats())
    out.push_back(f.Extension + ":" + f.Description + ":" + f.GraphicClass->Name);
  return out;
}

// Picture classes of the tests' own, so a local list does not touch the real formats.
template <int N>
class TTestGraphic : public TRasterGraphic {
 public:
  static TGraphicClass Class() { return platform::GraphicClassOf<TTestGraphic>("TTestGraphic"); }
  TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return "TEST"; }
};
using TGraphicA = TTestGraphic<1>;
using TGraphicB = TTestGraphic<2>;
using TGraphicC = TTestGraphic<3>;

// The raster formats' table alone, whatever the tests before registered; the registry goes
// back as it was found.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    UnregisterGIFFormat();
    RegisterRasterFormats();
  }
  imagingtest::TRegistryGuard guard_;
};

}  // namespace

TEST_F(Registry, HoldsTheFormatTableInOrder) {
  const TFileFormatList* list = FileFormatList();
  ASSERT_NE(list, nullptr);
  const std::vector<TRow> rows = ExpectedRows();
  ASSERT_EQ(list->ExtensionCount(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const TExtensionEntry& e = list->ExtensionAt(i);
    EXPECT_EQ(e.Extension, rows[i].Extension);
    EXPECT_EQ(e.Description, rows[i].Individual) << e.Extension;
    EXPECT_EQ(e.FormatKinds, rows[i].Kinds) << e.Extension;
    EXPECT_EQ(e.ClassEntry->GraphicClass, rows[i].Class) << e.Extension;
  }
  const std::vector<TClassRow> classes = ExpectedClasses();
  ASSERT_EQ(list->ClassCount(), classes.size());
  for (size_t i = 0; i < classes.size(); ++i) {
    EXPECT_EQ(list->ClassAt(i).GraphicClass, classes[i].Class) << i;
    EXPECT_EQ(list->ClassAt(i).Description, classes[i].Description) << i;
    EXPECT_EQ(list->ClassAt(i).Count, classes[i].Count) << classes[i].Description;
  }
  EXPECT_EQ(list->FindExtension("TGA"), 10);
  EXPECT_EQ(list->FindExtension(""), -1);
  EXPECT_EQ(list->FindExtension("gif"), -1);
  EXPECT_EQ(list->FindGraphicClass(TTargaGraphic::Class()), 3);
  EXPECT_EQ(list->FindGraphicClass(TGraphicA::Class()), -1);

  // A second call registers nothing twice.
  RegisterRasterFormats();
  EXPECT_EQ(FileFormatList(), list);
  EXPECT_EQ(list->ExtensionCount(), 35u);
}

TEST_F(Registry, TheFrameworkFindsEveryExtensionWithItsDescription) {
  const std::vector<TClassRow> classes = ExpectedClasses();
  for (const TRow& row : ExpectedRows()) {
    EXPECT_EQ(TPicture::FindExtension(row.Extension), row.Class) << row.Extension;
    std::string upper = row.Extension;
    for (char& c : upper) c = char(std::toupper(c));
    EXPECT_EQ(TPicture::FindExtension(upper), row.Class) << upper;
    std::string common;
    for (const TClassRow& c : classes)
      if (c.Class == row.Class) common = c.Description;
    EXPECT_EQ(FrameworkDescription(row.Extension), *row.Individual ? row.Individual : common)
        << row.Extension;
  }
  EXPECT_EQ(TPicture::FindExtension("Tif"), TTIFFGraphic::Class());
  EXPECT_EQ(TPicture::FindExtension("pNg"), TPNGGraphic::Class());
  EXPECT_EQ(FrameworkDescription("vst"), "Truevision images");
  EXPECT_EQ(FrameworkDescription("tiff"), "Macintosh TIFF images");
  EXPECT_EQ(FrameworkDescription("bmp"), "Windows bitmaps");

  const std::string filter = TPicture::GraphicFilter();
  EXPECT_EQ(TPicture::FileFormats().size(), 35u);
  for (const TRow& row : ExpectedRows())
    EXPECT_NE(filter.find(std::string(" (*.") + row.Extension + ")|*." + row.Extension),
              std::string::npos)
        << row.Extension;
  EXPECT_NE(filter.find("|Device independant Windows bitmaps (*.dib)|*.dib"), std::string::npos);
}

TEST_F(Registry, RegisteringAKnownExtensionAgainRaisesAndChangesNothing) {
  TFileFormatList* list = FileFormatList();
  const std::vector<std::string> before = Snapshot(*list);
  const std::vector<std::string> framework = FrameworkSnapshot();
  EXPECT_EQ(ErrorText([&] {
              list->RegisterFileFormat("TGA", "Other", "Other targa", fkRaster, false,
                                       TGraphicA::Class());
            }),
            "Attempt to register TGA files twice.");
  EXPECT_THROW(list->RegisterFileFormat("tga", "", "", 0, false, TTargaGraphic::Class()),
               EInvalidGraphic);
  EXPECT_EQ(Snapshot(*list), before);
  EXPECT_EQ(FrameworkSnapshot(), framework);
  // An empty extension does nothing at all.
  list->RegisterFileFormat("", "Common", "Individual", fkRaster, false, TGraphicA::Class());
  EXPECT_EQ(Snapshot(*list), before);
  EXPECT_EQ(FrameworkSnapshot(), framework);
}

TEST_F(Registry, ReplacingMovesAnExtensionToAnotherClass) {
  TFileFormatList list;
  list.RegisterFileFormat("aaa", "Class A", "First aaa", fkRaster, false, TGraphicA::Class());
  list.RegisterFileFormat("aab", "", "", fkRaster, false, TGraphicA::Class());
  list.RegisterFileFormat("bbb", "Class B", "", fkVector, false, TGraphicB::Class());
  EXPECT_EQ(Snapshot(list), (std::vector<std::string>{
                                "TTestGraphic:Class A:2", "TTestGraphic:Class B:1",
                                "aaa:First aaa:8:TTestGraphic", "aab::8:TTestGraphic",
                                "bbb::16:TTestGraphic"}));
  EXPECT_EQ(FrameworkDescription("aab"), "Class A");

  // The same class again: the lists stay, the framework hears the new description.
  list.RegisterFileFormat("AAA", "Ignored", "Second aaa", fkVector, true, TGraphicA::Class());
  EXPECT_EQ(list.ClassAt(0).Description, "Class A");
  EXPECT_EQ(list.ExtensionAt(0).Description, "First aaa");
  EXPECT_EQ(FrameworkDescription("aaa"), "Second aaa");

  // To a class with an entry: the old one keeps its other extension.
  list.RegisterFileFormat("aaa", "", "", fkRaster, true, TGraphicB::Class());
  EXPECT_EQ(list.ClassAt(0).Count, 1);
  EXPECT_EQ(list.ClassAt(1).Count, 2);
  EXPECT_EQ(list.ExtensionAt(0).ClassEntry->GraphicClass, TGraphicB::Class());
  EXPECT_EQ(TPicture::FindExtension("aaa"), TGraphicB::Class());
  EXPECT_EQ(FrameworkDescription("aaa"), "Class B");

  // To a new class, whose common description is taken; the old class, left without extensions,
  // leaves the list. The extension keeps its first description, the framework gets the new one.
  list.RegisterFileFormat("aab", "Class C", "Third", fkRaster, true, TGraphicC::Class());
  EXPECT_EQ(list.FindGraphicClass(TGraphicA::Class()), -1);
  ASSERT_EQ(list.ClassCount(), 2u);
  EXPECT_EQ(list.ClassAt(1).Description, "Class C");
  EXPECT_EQ(list.ExtensionAt(1).Description, "");
  EXPECT_EQ(FrameworkDescription("aab"), "Third");
  EXPECT_EQ(TPicture::FindExtension("aab"), TGraphicC::Class());

  list.Clear();
  EXPECT_EQ(TPicture::FindExtension("aaa"), nullptr);
  EXPECT_EQ(TPicture::FindExtension("aab"), nullptr);
  EXPECT_EQ(TPicture::FindExtension("bbb"), nullptr);
}

TEST_F(Registry, UnregisteringByExtensionAndByClass) {
  TFileFormatList list;
  list.RegisterFileFormat("aaa", "Class A", "", fkRaster, false, TGraphicA::Class());
  list.RegisterFileFormat("aab", "", "", fkRaster, false, TGraphicA::Class());
  list.RegisterFileFormat("aac", "", "", fkRaster, false, TGraphicA::Class());
  list.RegisterFileFormat("bbb", "Class B", "", fkRaster, false, TGraphicB::Class());
  const std::vector<std::string> full = Snapshot(list);

  // Unknown extensions and classes without an entry change nothing.
  list.UnregisterFileFormat("zzz", TGraphicA::Class());
  list.UnregisterFileFormat("", TGraphicC::Class());
  EXPECT_EQ(Snapshot(list), full);
  EXPECT_EQ(TPicture::FindExtension("bbb"), TGraphicB::Class());

  // By extension: the framework keeps the extension while its class has others.
  list.UnregisterFileFormat("AAB", nullptr);
  EXPECT_EQ(list.ClassAt(0).Count, 2);
  EXPECT_EQ(list.FindExtension("aab"), -1);
  EXPECT_EQ(TPicture::FindExtension("aab"), TGraphicA::Class());
  // The class's last extension takes the class out of the framework.
  list.UnregisterFileFormat("bbb", TGraphicA::Class());
  EXPECT_EQ(list.FindGraphicClass(TGraphicB::Class()), -1);
  EXPECT_EQ(TPicture::FindExtension("bbb"), nullptr);

  // By class: every extension of it.
  list.UnregisterFileFormat("", TGraphicA::Class());
  EXPECT_EQ(list.ClassCount(), 0u);
  EXPECT_EQ(list.ExtensionCount(), 0u);
  EXPECT_EQ(TPicture::FindExtension("aaa"), nullptr);
  EXPECT_EQ(TPicture::FindExtension("aab"), nullptr);
  EXPECT_EQ(TPicture::FindExtension("aac"), nullptr);
}

TEST_F(Registry, UnregisteringTheFormatsEmptiesBothListsAndTheFramework) {
  UnregisterRasterFormats();
  EXPECT_EQ(FileFormatList(), nullptr);
  EXPECT_TRUE(TPicture::FileFormats().empty());
  EXPECT_EQ(TPicture::FindExtension("bmp"), nullptr);
  UnregisterRasterFormats();  // a second time does nothing

  RegisterRasterFormats();
  ASSERT_NE(FileFormatList(), nullptr);
  EXPECT_EQ(FileFormatList()->ExtensionCount(), 35u);
  EXPECT_EQ(TPicture::FileFormats().size(), 35u);
  EXPECT_EQ(TPicture::FindExtension("bmp"), platform::TBitmapGraphic::Class());
}

TEST_F(Registry, MetafilesAndDamagedFilesGiveTheirTexts) {
  TempDir dir;
  TPicture picture;
  EXPECT_EQ(ErrorText([&] { picture.LoadFromFile(dir.File("a.WMF", {1, 2, 3})); }),
            "Cannot load image. Metafile drawing is not supported for WMF/EMF files.");
  EXPECT_EQ(ErrorText([&] { picture.LoadFromFile(dir.File("b.emf", {})); }),
            "Cannot load image. Metafile drawing is not supported for WMF/EMF files.");
  EXPECT_EQ(ErrorText([&] { picture.LoadFromFile(dir.File("c.Tga", {0, 0, 2})); }),
            "Stream read error in Targa file.");
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST_F(Registry, ReadOnlyFormatsSaveNothing) {
  EXPECT_TRUE(TTIFFGraphic().SaveToStream().empty());
  EXPECT_TRUE(TPCXGraphic().SaveToStream().empty());
  EXPECT_TRUE(TPCDGraphic().SaveToStream().empty());
  EXPECT_TRUE(platform::TMetafile().SaveToStream().empty());
  EXPECT_EQ(TPCDGraphic().Resolution, 2);
  // The others keep the bitmap's own save: a Windows bitmap.
  const std::vector<uint8_t> bmp = TPSDGraphic().SaveToStream();
  ASSERT_GE(bmp.size(), 2u);
  EXPECT_EQ(bmp[0], 'B');
}

TEST_F(Registry, DrHaloPicturesNameTheirPaletteFile) {
  TempDir dir;
  TCUTGraphic cut;
  const std::string path = dir.File("pic.one.CUT", {0});
  EXPECT_THROW(cut.LoadFromFile(path), EInvalidGraphic);
  EXPECT_EQ(cut.PaletteFileName, path.substr(0, path.size() - 4) + ".pal");
  cut.PaletteFileName = "kept.pal";
  EXPECT_THROW(cut.LoadFromStream(nullptr, 0), EInvalidGraphic);
  EXPECT_EQ(cut.PaletteFileName, "kept.pal");
}

// ---- the reader base -------------------------------------------------------------------------

namespace {

// A reader of a made-up format: width and height (16-bit little-endian), a flags byte, then
// one grey byte a pixel. Flag 1 sets a gamma of 2.2 for the picture; flag 2 makes the reader
// misuse the bitmap once it is decoded.
class TStepGraphic : public TRasterGraphic {
 public:
  static TGraphicClass Class() { return platform::GraphicClassOf<TStepGraphic>("TStepGraphic"); }
  TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return "STEP"; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override {
    const int width = in.U16LE(), height = in.U16LE(), flags = in.U8();
    TColorManager& m = ColorManager();
    m.SetSourceSamplesPerPixel(1);
    m.SetSourceColorScheme(schGrayAlpha);
    m.SetTargetSamplesPerPixel(1);
    if (flags & 1) {
      m.SetGamma(2.2f, 2.2f);
      m.TargetOptions |= optGamma;
    }
    bitmap.SetPixelFormat(TargetPixelFormat());
    SizeBitmap(bitmap, width, height);
    bitmap.SetPalette(m.MakeGrayPalette(false));
    for (int y = 0; y < height; ++y) {
      std::span<const uint8_t> row = in.Read(size_t(width) * 2);
      m.ConvertRow({row}, std::span<uint8_t>(bitmap.ScanLine(y), size_t(width)), size_t(width));
    }
    if (flags & 2) bitmap.ScanLine(height);
  }
};

std::vector<uint8_t> StepFile(int width, int height, int flags, uint8_t grey) {
  std::vector<uint8_t> out{uint8_t(width), uint8_t(width >> 8), uint8_t(height),
                           uint8_t(height >> 8), uint8_t(flags)};
  for (int i = 0; i < width * height; ++i) out.insert(out.end(), {grey, 255});
  return out;
}

uint8_t FirstIndex(const TStepGraphic& g) { return g.Bitmap().ScanLine(0)[0]; }

}  // namespace

TEST(RasterGraphic, EachLoadStartsFromDefaultsAndAFailedLoadKeepsThePicture) {
  TStepGraphic g;
  std::vector<uint8_t> file = StepFile(3, 2, 1, 100);
  g.LoadFromStream(file.data(), file.size());
  EXPECT_EQ(g.Width(), 3);
  EXPECT_EQ(g.Bitmap().PixelFormat(), platform::pf8bit);
  const uint8_t corrected = FirstIndex(g);
  EXPECT_EQ(corrected, g.ColorManager().GammaTable()[100]);
  EXPECT_NE(corrected, 100);
  EXPECT_TRUE(g.ColorManager().TargetOptions & optGamma);

  // Cut off in its second row: the stream error names the format; nothing changes.
  std::vector<uint8_t> cut = StepFile(4, 2, 0, 50);
  cut.resize(cut.size() - 1);
  EXPECT_EQ(ErrorText([&] { g.LoadFromStream(cut.data(), cut.size()); }),
            "Stream read error in STEP file.");
  EXPECT_EQ(g.Width(), 3);
  EXPECT_EQ(FirstIndex(g), corrected);
  EXPECT_EQ(g.ColorManager().MainGamma(), 2.2f);

  // A size the bitmap cannot hold is refused before anything is allocated.
  std::vector<uint8_t> huge = StepFile(0, 0, 0, 0);
  huge[0] = huge[1] = huge[2] = huge[3] = 0xFF;
  EXPECT_EQ(ErrorText([&] { g.LoadFromStream(huge.data(), huge.size()); }),
            "Cannot load image. Invalid or unexpected STEP image format.");
  // A bitmap error inside the reader becomes the format's text too.
  std::vector<uint8_t> misuse = StepFile(1, 1, 2, 0);
  EXPECT_EQ(ErrorText([&] { g.LoadFromStream(misuse.data(), misuse.size()); }),
            "Cannot load image. Invalid or unexpected STEP image format.");
  EXPECT_EQ(g.Height(), 2);

  // The next file has no gamma of its own, so none of the first file's stays.
  std::vector<uint8_t> plain = StepFile(2, 2, 0, 100);
  g.LoadFromStream(plain.data(), plain.size());
  EXPECT_EQ(FirstIndex(g), 100);
  EXPECT_FALSE(g.ColorManager().TargetOptions & optGamma);
  EXPECT_EQ(g.ColorManager().MainGamma(), 1.0f);
  EXPECT_EQ(g.ColorManager().GammaTable(), TColorManager().GammaTable());
}

TEST(RasterGraphic, APictureKeepsItsReaderWhenTheNextFileFails) {
  const imagingtest::TRegistryGuard guard;
  TPicture::RegisterFileFormat("step", "Step pictures", TStepGraphic::Class());
  TempDir dir;
  TPicture picture;
  picture.LoadFromFile(dir.File("one.step", StepFile(2, 1, 1, 10)));
  ASSERT_NE(picture.Graphic(), nullptr);
  std::vector<uint8_t> broken = StepFile(5, 5, 0, 1);
  broken.resize(20);
  EXPECT_THROW(picture.LoadFromFile(dir.File("two.STEP", broken)), EInvalidGraphic);
  EXPECT_EQ(picture.Width(), 2);
  picture.LoadFromFile(dir.File("three.step", StepFile(1, 1, 0, 10)));
  auto* g = dynamic_cast<TStepGraphic*>(picture.Graphic());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(FirstIndex(*g), 10);
}

TEST(GraphicStrings, FillTextFillsThePlacesInOrder) {
  EXPECT_EQ(FillText(SNotSupported, {SCompressionIs, SFormatTiff}),
            "Cannot load image. The compression scheme is not supported for TIF/TIFF files.");
  EXPECT_EQ(FillText(SInvalidColorFormat, {"PNG"}), "Invalid color format in PNG file.");
  EXPECT_EQ(FillText("%s and %s", {"one"}), "one and %s");
  EXPECT_EQ(FillText("100%", {"x"}), "100%");
}
