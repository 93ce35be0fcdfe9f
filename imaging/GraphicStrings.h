#pragma once
// Every fixed text of the raster readers and of the format registry: the descriptions the
// open-picture dialog shows and the message templates of the readers' exceptions. The texts are
// English, as the dialog and the messages show them; their %s places are filled in order by
// FillText.
#include <initializer_list>
#include <string>
#include <string_view>

namespace imaging {

// Descriptions of the registered formats (common and individual).
inline constexpr std::string_view SWindowsBitmaps = "Windows bitmaps";
inline constexpr std::string_view SWindowsMetafiles = "Windows metafiles";
inline constexpr std::string_view SEnhancedMetafiles = "Windows enhanced meta files";
inline constexpr std::string_view SJpgImages = "JPG images";
inline constexpr std::string_view SJpegImages = "JPEG images";
inline constexpr std::string_view SRunLengthBitmaps = "Run length encoded Windows bitmaps";
inline constexpr std::string_view SDeviceIndependentBitmaps = "Device independant Windows bitmaps";
inline constexpr std::string_view STruevisionImages = "Truevision images";
inline constexpr std::string_view STiffImages = "Tagged image file format images";
inline constexpr std::string_view SMacTiffImages = "Macintosh TIFF images";
inline constexpr std::string_view SPcTifImages = "PC TIF images";
inline constexpr std::string_view SFaxImages = "GFI fax images";
inline constexpr std::string_view SPcxImages = "ZSoft Paintbrush images";
inline constexpr std::string_view SScreenCaptureImages = "Word 5.x screen capture images";
inline constexpr std::string_view SRlaImages = "Alias/Wavefront images";
inline constexpr std::string_view SSgiImages = "SGI images";
inline constexpr std::string_view SSgiTrueColorImages = "SGI true color images";
inline constexpr std::string_view SSgiTrueColorAlphaImages = "SGI true color images with alpha";
inline constexpr std::string_view SSgiBlackWhiteImages = "SGI black/white images";
inline constexpr std::string_view SPhotoshopImages = "Photoshop images";
inline constexpr std::string_view SPortableMapImages = "Portable map images";
inline constexpr std::string_view SPortablePixelMapImages = "Portable pixel map images";
inline constexpr std::string_view SPortableGrayMapImages = "Portable gray map images";
inline constexpr std::string_view SPortableBitmapImages = "Portable bitmap images";
inline constexpr std::string_view SAutodeskImages = "Autodesk images";
inline constexpr std::string_view SKodakPhotoCdImages = "Kodak Photo-CD images";
inline constexpr std::string_view SDrHaloImages = "Dr. Halo images";
inline constexpr std::string_view SPaintshopProImages = "Paintshop Pro images";
inline constexpr std::string_view SPortableNetworkGraphicImages =
    "Portable network graphic images";

// Message templates.
inline constexpr std::string_view SRegisterTwice = "Attempt to register %s files twice.";
inline constexpr std::string_view SInvalidImage =
    "Cannot load image. Invalid or unexpected %s image format.";
// The first %s is a phrase below ("The compression scheme is"), the second a format name.
inline constexpr std::string_view SNotSupported = "Cannot load image. %s not supported for %s files.";
inline constexpr std::string_view SInvalidColorFormat = "Invalid color format in %s file.";
inline constexpr std::string_view SStreamReadError = "Stream read error in %s file.";
inline constexpr std::string_view SCrcError = "Cannot load image. CRC error found in %s file.";
inline constexpr std::string_view SInvalidPalette = "Cannot load image. Palette in %s file is invalid.";
inline constexpr std::string_view SCompressionError =
    "Cannot load image. Compression error found in %s file.";
inline constexpr std::string_view SExtraCompressedData =
    "Cannot load image. Extra compressed data found in %s file.";
inline constexpr std::string_view SUnknownCriticalChunk =
    "Cannot load PNG image. Unexpected but critical chunk detected.";
inline constexpr std::string_view SLZ77Error = "LZ77 decompression error.";

// Phrases for SNotSupported.
inline constexpr std::string_view SReadingIs = "Reading is";
inline constexpr std::string_view SCompressionIs = "The compression scheme is";
inline constexpr std::string_view SPspVersionsAre = "File versions other than 3 or 4 are";
inline constexpr std::string_view SPspCompressionsAre =
    "Compressions other than none, run-length or LZ77 are";
inline constexpr std::string_view SPcdSizesAre = "Image sizes other than Base16, Base4 or Base are";
// What the TIFF reader would otherwise misread.
inline constexpr std::string_view SDeepPalettesAre = "Palette images deeper than 8 bits are";
inline constexpr std::string_view SSeparatePlanesAre = "Separate color planes are";
inline constexpr std::string_view STwoDimensionalFaxIs = "Two-dimensional fax coding is";
inline constexpr std::string_view SDeepFaxIs = "Fax compression of more than one bit per pixel is";
inline constexpr std::string_view SDeepPredictorIs =
    "Horizontal differencing of samples other than 8 bits is";
inline constexpr std::string_view SSampleCountIs = "This number of samples per pixel is";
inline constexpr std::string_view SPhotometricIs = "This photometric interpretation is";
inline constexpr std::string_view SSubsamplingIs = "YCbCr subsampling is";
inline constexpr std::string_view SDeepYCbCrIs = "YCbCr with samples other than 8 bits is";
// What the Targa reader refuses rather than misread.
inline constexpr std::string_view SImageTypeIs = "The image type is";
inline constexpr std::string_view SPixelSizeIs = "The pixel size is";
inline constexpr std::string_view SColorMapEntrySizeIs = "The color map entry size is";

// Format names for the templates.
inline constexpr std::string_view SFormatTiff = "TIF/TIFF";
inline constexpr std::string_view SFormatTarga = "Targa";
inline constexpr std::string_view SFormatPng = "PNG";
inline constexpr std::string_view SFormatPsd = "PSD or PDD";
inline constexpr std::string_view SFormatPsp = "PSP";
inline constexpr std::string_view SFormatSgi = "sgi, bw or rgb(a)";
inline constexpr std::string_view SFormatAutodesk = "Autodesk";
inline constexpr std::string_view SFormatPcxOrScr = "PCX or SCR";
inline constexpr std::string_view SFormatPcx = "PCX";
inline constexpr std::string_view SFormatPcd = "PCD";
inline constexpr std::string_view SFormatPortableMaps = "PBM, PGM or PPM";
inline constexpr std::string_view SFormatPpm = "PPM";
inline constexpr std::string_view SFormatCut = "CUT";
inline constexpr std::string_view SFormatRla = "RLA";

// `text` with each %s replaced by the next of `args` in order; a %s without an argument is
// left as it stands, and arguments left over are ignored.
std::string FillText(std::string_view text, std::initializer_list<std::string_view> args);

}  // namespace imaging
